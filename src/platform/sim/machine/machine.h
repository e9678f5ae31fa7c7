// The simulated Windows machine: the one fake behind every platform header in the native build.
// setup-sim and the unit tests configure it through this interface (profile, disk, registry,
// journal, fault injection); the installer code never includes it.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace sim {

// ---- Plug and Play devices (the functions are in the block of the same name below) ----
// A device Windows knows: its setup class by its standard name ("Mouse", "HID", "USB",
// "Keyboard", "Display", "Printer", "Media", "Net", "1394", "Unknown"), whether it is plugged
// in, its hardware ids (the first is the one programs compare), its instance id, its
// configuration flags (SPDRP_CONFIGFLAGS) and the INF of its last driver update ("" when none).
struct Device {
  std::string className;
  bool present = true;
  std::vector<std::u16string> hardwareIds;
  std::u16string instanceId;
  uint32_t configFlags = 0;
  std::u16string driverInf;
};

// What a Windows installation looks like to a program: version numbers and folders as that
// family names them, locale and drive types.
struct MachineProfile {
  std::string name;                // "win98", "winxp", ... or the profile file's name
  uint32_t major = 5, minor = 1, build = 2600;
  uint32_t platformId = 2;         // 1 = 9x family, 2 = NT family
  uint8_t productType = 1;         // 1 workstation, 2 domain controller, 3 server
  bool hasExtendedVersion = true;  // GetVersionExW with the extended structure works
  std::u16string csdVersion;       // service-pack text
  uint16_t servicePackMajor = 0, servicePackMinor = 0;
  std::u16string windowsDir = u"C:\\WINDOWS";
  std::u16string systemDir = u"C:\\WINDOWS\\system32";
  std::u16string programFilesDir = u"C:\\Program Files";
  std::u16string commonAppDataDir;   // empty where the family has none
  std::u16string commonProgramsDir;  // all-users Start menu Programs folder
  uint32_t userLocale = 0x0409;      // HKCU Control Panel\International "Locale"
  uint32_t threadLocale = 0x0409;    // GetThreadLocale
  // Drive types by letter ('A'..'Z'): 0 unknown, 1 no root, 2 removable, 3 fixed, 4 remote,
  // 5 CD-ROM, 6 RAM disk. Letters not listed have no drive (1).
  uint8_t driveTypes[26] = {};
  char packageDrive = 'D';         // letter under which --package is mounted
  std::vector<Device> devices;     // the devices the machine starts with (none by default)
};

// Built-in profiles: win95, win98, winme, nt4, win2000, winxp, winxp64, server2003, vista,
// win7, win8. Returns false for an unknown name.
bool BuiltinProfile(const std::string& name, MachineProfile* out);
std::vector<std::string> BuiltinProfileNames();
// Reads a profile file: "key=value" lines, blank lines and '#' or ';' comments. Missing keys
// keep the values of the built-in profile named by its "base" key (default winxp). Keys: base,
// major, minor, build, platform (nt|9x), productType, extendedVersion (0|1), csd, servicePack
// (major.minor), windowsDir, systemDir, programFilesDir, commonAppDataDir, commonProgramsDir,
// userLocale, threadLocale (numbers in decimal or 0x hex), drive.X (none|removable|fixed|
// remote|cdrom|ramdisk), packageDrive (a letter) and device, once per device:
// "device=<class>|present|unplugged|<hardware id>,<hardware id>...|<instance id>|<config flags>"
// (the flags field may be left out). The profile is named after the file.
// Returns false with "<path>:<line>: <message>" for an unknown key or a bad value.
bool LoadProfileFile(const std::string& path, MachineProfile* out, std::string* error);

// Starts a fresh machine: empty registry (apart from what every Windows has: the user's locale
// values), empty journal, no faults. The disk lives below hostDiskRoot (one subfolder per drive
// letter, "C" for C:); an empty root makes a temporary folder that is removed at exit. The
// profile's standard folders are created where missing.
void ResetMachine(const MachineProfile& profile, const std::string& hostDiskRoot = "");
const MachineProfile& Profile();

// Mounts a host folder as the root of the profile's package drive and makes
// <drive>:\<programName> the running program's path (the program file need not exist).
void MountPackage(const std::string& hostDir, const std::u16string& programName = u"setup.exe");
// Sets the running program's full Windows path directly (for tests).
void SetModulePath(const std::u16string& windowsPath);

// Disk helpers for tests and setup-sim. Windows paths are resolved ignoring case in every
// component; created names keep the case given.
std::string HostPath(const std::u16string& windowsPath);  // host path (may not exist yet)
bool WriteDiskFile(const std::u16string& windowsPath, const std::string& bytes);  // creates folders
bool ReadDiskFile(const std::u16string& windowsPath, std::string* bytes);
bool DiskPathExists(const std::u16string& windowsPath);
// Host copies of files finish on a worker thread while the program goes on (on a host with more
// than one processor); every later look at a file still being copied waits for it. Waits for
// every such copy; returns a line for each one the host failed to finish.
std::vector<std::string> FinishHostCopies();
// Marks a file in use: opening it for writing, overwriting or deleting it fails with 32.
void LockFile(const std::u16string& windowsPath, bool locked);
// Fixes a file's creation and last-write times (FILETIME: 100 ns units since 1601). Until a
// program writes the file again its last-write time stays at this value.
void SetFileTimes(const std::u16string& windowsPath, uint64_t creation, uint64_t lastWrite);

// Registry in the "Windows Registry Editor Version 5.00" format. Import merges into the
// current registry. Returns false with a message on a malformed file.
bool ImportRegFile(const std::string& hostPath, std::string* error);
bool ImportRegText(const std::string& text, std::string* error);
std::string ExportRegText();
bool ExportRegFile(const std::string& hostPath);

// Journal: one UTF-8 line per externally visible effect, in order: "trace: <text>" for the
// debugger output channel, "msgbox: [<caption>] <text> -> <button id>" for message boxes.
// Line breaks inside a text are written as the two characters \n.
void JournalAdd(const std::string& line);
void JournalAdd(std::string&& line);
std::vector<std::string> Journal();
void ClearJournal();
// Copies trace lines to stderr as they are written (setup-sim --trace).
void SetTraceToStderr(bool on);
// With on (off after every ResetMachine), the journal also holds the file facts a run's copy
// decisions rest on (setup-sim --explain): "file-attributes: <path> -> missing|0x<bits>",
// "file-version: <path> -> fixed a.b.c.d, text \"<FileVersion>\"" (or "-> none"), "file-times:
// <path> -> created <time>, written <time>" and "file-copy: <source> -> <target> -> ok|error <n>".
void SetFileJournal(bool on);
bool FileJournalOn();

// Answers script for message boxes: each call to SysMessageBox takes the next answer
// (a button id); with no answer left the default button is taken.
void QueueMessageBoxAnswer(int buttonId);

// Fault injection: the nth call (1-based, counted from now) of the named platform function
// (its name in the platform headers, such as "SysCreateDirectory") fails with the given
// error. nth = 0 fails every call from now on. Returns true when armed; false, arming nothing,
// when no simulated call checks that name (the name is then listed by RefusedFaults, which the
// test fixture's tear-down reports).
bool FailCall(const std::string& function, int nth, ErrorCode error);
std::vector<std::string> RefusedFaults();
void ClearFaults();
// How often each fault point was checked since the machine was reset, armed or not (points never
// reached are left out): a clean run's counts say which calls a sweep can fail, and how often.
std::map<std::string, uint64_t> FaultPointCalls();

// Objects the program opened and has not closed yet: registry key handles, kernel handles of
// every kind, drawing objects and device contexts. A finished run holds none of them.
struct OpenObjectCounts {
  size_t registryKeys = 0;
  size_t kernelHandles = 0;
  size_t gdiObjects = 0;
  size_t deviceContexts = 0;
};
OpenObjectCounts OpenObjects();

// What the program asked of the process and the clock: SetProcessShutdownParameters values
// (false while never called), virtual milliseconds slept since the reset, and whether the
// calling thread has initialised COM.
bool ShutdownParameters(uint32_t* level, uint32_t* flags);
uint64_t ElapsedMilliseconds();
bool ComInitialised();

// UTF-8 <-> UTF-16 for the tools around the machine.
std::string ToUtf8(const std::u16string& text);
// Appends text as UTF-8 to *out (lone surrogates become U+FFFD).
void AppendUtf8(std::u16string_view text, std::string* out);
std::u16string FromUtf8(const std::string& text);

// ---- Files, delayed moves, folders and libraries ----
// Carries out the moves and deletions scheduled with MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) as
// the next start of Windows does: in order, from the "PendingFileRenameOperations" value, which
// is then removed. Files in use are free again afterwards (a restart ends every program).
// Returns the number of operations that succeeded; each is journaled "restart-move: <from> ->
// <to>" or "restart-delete: <path>".
int ApplyPendingRenames();
// The current folder as the program set it (SetCurrentDirectory), or the program's own folder.
std::u16string CurrentDirectory();
// The last mode given to SetErrorMode (0 at start).
uint32_t ErrorMode();
// Makes a system library (such as "newdev.dll") or one export of it missing on this machine,
// beyond what the profile's Windows version lacks. Names ignore case.
void SetLibraryMissing(const std::string& library);
void SetExportMissing(const std::string& library, const std::string& exportName);

// ---- Security ----
// One entry of an access list as tests read and seed it.
struct AccessEntry {
  std::string account;   // "Everyone", "Administrators", "SYSTEM", "Users", ... or SID text
  uint32_t mask = 0;
  uint8_t flags = 0;     // ACE flags: 0x1 object inherit, 0x2 container inherit, 0x10 inherited
  uint8_t type = 0;      // 0 access allowed, 1 access denied
  bool inherited() const { return (flags & 0x10) != 0; }
  bool operator==(const AccessEntry& other) const {
    return account == other.account && mask == other.mask && flags == other.flags && type == other.type;
  }
};
// A path's security descriptor: the control bits and the access list.
struct PathSecurity {
  bool daclPresent = true;   // false: the descriptor has no access list at all
  bool nullDacl = false;     // present but null (everyone may do everything)
  uint16_t control = 0;      // SE_DACL_* bits (0x4 present, 0x400 auto-inherited, 0x1000 protected)
  std::vector<AccessEntry> entries;
};
// Reads the descriptor of an existing file or folder (false when it does not exist or the
// profile is of the 9x family, whose file systems keep none).
bool GetPathSecurity(const std::u16string& windowsPath, PathSecurity* out);
// Replaces it (for seeding). False for a missing path, an unknown account or a 9x profile.
bool SetPathSecurity(const std::u16string& windowsPath, const PathSecurity& security);
// One line per entry, for readable test expectations: "<account> 0x<mask> <flags>" with the flags
// as "OI", "CI", "IO", "NP" joined by '|' (or "-"), and " inherited" for inherited entries.
std::vector<std::string> DescribeDacl(const std::u16string& windowsPath);
// Whether the program enabled the shutdown privilege (SysEnableShutdownPrivilege succeeded).
bool ShutdownPrivilegeEnabled();

// ---- Processes of other programs ----
// How a modelled program reacts to requests to close its window.
enum class CloseBehaviour {
  kClosesOnRequest,      // ends (exit code 0) on the close request 1296, WM_CLOSE or WM_DESTROY
  kIgnoresCloseRequest,  // ignores 1296 and WM_CLOSE; ends when its window gets WM_DESTROY
  kOnlyRemoteExit,       // ignores every message: only a remote ExitProcess ends it
};
// Starts a modelled program that owns one top-level window of the given class and caption.
// canBeOpened = false: OpenProcess refuses it with 5 (a program with higher rights). Returns the
// process id.
uint32_t AddRunningProcess(const std::u16string& image, const std::u16string& windowClass,
                           const std::u16string& caption, CloseBehaviour behaviour, bool canBeOpened = true);
// Starts a process that shows in process listings only (no window): image is its full file
// name; it ends by itself once the machine's clock (advanced by SysSleep) has run lifetimeMs
// further (0: it runs on); wowTasks are the file names of the 16-bit tasks it hosts (for an
// NTVDM.EXE process on the NT family). Journaled "process: listed <image>". Returns its id.
uint32_t AddListedProcess(const std::u16string& image, uint32_t lifetimeMs = 0,
                          const std::vector<std::u16string>& wowTasks = {});
// The window of a modelled process (null once the process ended).
WindowHandle ProcessWindow(uint32_t processId);
// Whether it still runs; its exit code once it ended. False for an unknown id.
bool ProcessRunning(uint32_t processId);
bool ProcessExitCode(uint32_t processId, uint32_t* exitCode);

// ---- Programs the installer starts ----
// What the machine knows of one start made through SysCreateProcess or SysShellExecuteEx.
struct ProgramStart {
  std::u16string commandLine;  // as given (CreateProcess) or file + " " + parameters (shell)
  std::u16string program;      // the program file as found on the simulated disk
  std::u16string currentDir;   // the folder the program starts in
  std::u16string verb;         // shell starts only ("open")
  bool viaShell = false;
  bool hidden = false;         // started with SW_HIDE
  uint32_t creationFlags = 0;  // CreateProcess starts: the priority class and other flags
};
// Scripted behaviour of a program, keyed by its file name without folder (ignoring case, such
// as "setupnt.exe"). A program without a script starts when its file exists (else the start
// fails with 2) and ends at once with exit code 0. Every start is journaled
// "process: start <command line> [in <folder>]" ("process: shell <verb> <file> <parameters>"
// through the shell) and a refused one "process: failed <command line> (<error>)".
struct ProgramBehaviour {
  bool failsToStart = false;       // the start fails with error 2 even when the file exists
  uint32_t exitCode = 0;
  uint32_t runMilliseconds = 0;    // real time before the process handle is signalled
  // Runs in the simulated machine when the program starts (before its handle is signalled); it
  // may change the machine through the platform functions or this header (write a registry
  // value, a file...).
  std::function<void(const ProgramStart&)> effect;
};
void SetProgramBehaviour(const std::string& fileName, ProgramBehaviour behaviour);
// Every program started since the reset, in order.
std::vector<ProgramStart> StartedPrograms();

// ---- Shell links, the menu library, the floppy drive, mouse buttons and the restart ----
// A shell link as the machine saves it: a small text file at the link's path ("[Shell link]",
// then "Target=", "Arguments=" and, for links made by the menu library, "Pinned=" lines). Links
// saved through SysSaveShellLink are journaled "shell-link: <path> -> <target> <arguments>". The
// package's menu library "nvkmenu.dll" exists only where a test put a file of that name (beside
// the program or in the system folder); its export "InstallShortCut" writes the same file and
// journals "menu-library: InstallShortCut <path> <target> <arguments> pin=<n>".
struct ShellLinkInfo {
  std::u16string target;
  std::u16string arguments;
  bool pinned = false;
};
// Reads a link file back; false when the path holds no link.
bool ReadShellLink(const std::u16string& windowsPath, ShellLinkInfo* out);
// Drive A:: no drive at all, a drive without a disk (the state after a reset; listing "A:\*.*"
// fails with 21), an empty disk (the listing fails with 2), or a disk with a file "A:\DISK.TXT".
enum class FloppyDisk { kNoDrive, kNoDisk, kEmptyDisk, kDiskWithFiles };
void SetFloppyDisk(FloppyDisk disk);
// The mouse-button setting the program stored (false while never set), journaled "mouse: buttons
// swapped=<0|1>".
bool MouseButtonSwap(bool* swapped);
// Whether Windows accepted a restart request and its flags; journaled "restart: requested
// (EWX_REBOOT)" or, on the NT family without the shutdown privilege, "restart: refused (no
// shutdown privilege)".
bool RestartRequested(uint32_t* flags);

// ---- Windows, dialogs and painting (the headless window manager) ----
// Dialogs come from the program's compiled templates; each modal dialog journals
// "dialog: <template id> [<caption>] shown" (or "... hidden" when the program hid it while it was
// created) once it is up, and "dialog: <template id> press <control id> (<control text>)" for each
// press made for the user. A dialog waits for the user when its thread is quiet: nothing queued,
// nothing to repaint and no thread started by the program still running. It then takes the next
// answer queued for its template, else presses its default push button, else IDCANCEL. A press
// the user could not make is journaled with " ignored: disabled" (or hidden, or no such control);
// a dialog still open after 10 presses of its default is ended with -1 ("dialog: <id> [<caption>]
// still open after 10 presses, ended with -1"). A procedure that answers WM_PAINT without
// painting (which on Windows repaints for ever) is journaled once per window as "ui-warning:
// WM_PAINT left window <class> [<text>] unpainted".
void QueueDialogAnswer(uint32_t templateId, int controlId);
// Called on the dialog's thread each time a dialog waits for the user, before the answer is
// taken (it may inspect the dialog, click or queue answers). Cleared by ResetMachine.
void SetDialogWaitHook(std::function<void(WindowHandle dialog, uint32_t templateId)> hook);
// Templates searched before the program's own (a compiled .res), for tests of the window
// manager with dialogs of their own. Empty bytes remove them.
void SetDialogResourceOverlay(const std::string& resBytes);

// One drawing operation, in the client coordinates of the window drawn on. Colours are
// COLORREF values (0x00BBGGRR).
struct PaintOp {
  enum Kind { kFill, kRectangle, kText, kBitmap, kStretch, kEdge };
  Kind kind = kFill;
  int left = 0, top = 0, right = 0, bottom = 0;  // fill, rectangle and bitmap destination
  uint32_t color = 0;        // fill colour, rectangle brush colour, text colour
  bool filled = true;        // rectangle: false with the null brush
  bool outlined = true;      // rectangle: false with the null pen
  uint32_t penColor = 0;     // rectangle outline
  int x = 0, y = 0;          // text position
  std::string text;          // UTF-8; for a bitmap the bitmap's name ("dib 640x48 8-bit")
  bool transparent = false;  // text background mode
  uint32_t background = 0;   // text background colour (opaque mode)
  std::string fontFace;      // the font the text was drawn with
  int fontHeight = 0;
  int fontWeight = 0;
  // ---- Stretched bitmaps and edges: kStretch draws the bitmap named in text from the source
  // rectangle into left..bottom; kEdge frames left..bottom ----
  int sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
  int stretchMode = 0;               // kStretch: the context's SetStretchBltMode mode
  uint32_t edge = 0, edgeFlags = 0;  // kEdge: DrawEdge's edge and border flags
};
// The operations drawn on a window (alive or destroyed), oldest first; a null window gives
// those drawn on the screen.
std::vector<PaintOp> PaintLog(WindowHandle window);
// The same as readable lines: "fill L,T,R,B #RRGGBB", "rect L,T,R,B brush #RRGGBB|none pen
// #RRGGBB|none", "text X,Y "<text>" #RRGGBB transparent|opaque #RRGGBB" (colours as red, green,
// blue in hexadecimal), "bitmap L,T,R,B <name>", "stretch L,T,R,B <name> from X,Y,W,H mode
// <n>", "edge L,T,R,B 0x<edge> 0x<flags>".
std::vector<std::string> PaintLogLines(WindowHandle window);
void ClearPaintLog(WindowHandle window);

// The state of a window made by the program, alive or destroyed. Texts are UTF-8.
struct WindowInfo {
  bool alive = false;
  std::string className;
  std::string text;       // caption or control text ("" for a resource-number text)
  int textOrdinal = 0;    // the resource number of an icon or bitmap control, else 0
  int id = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  uint32_t templateId = 0;  // the dialog template of a dialog, else 0
  int left = 0, top = 0, right = 0, bottom = 0;  // window rectangle on the screen
  int clientWidth = 0, clientHeight = 0;
  bool visible = false;   // its own visible bit (see SysIsWindowVisible for the parents' too)
  bool enabled = false;
  uint32_t check = 0;     // button state
  WindowHandle parent = nullptr;
  WindowHandle owner = nullptr;
  int zIndex = 0;         // place among its siblings (or the top-level windows), 0 = top
  std::string fontFace;   // WM_SETFONT font, "" when none
  int fontHeight = 0;
  int fontWeight = 0;
};
bool GetWindowInfo(WindowHandle window, WindowInfo* out);
// The newest dialog made from a template (a live one before a destroyed one), else null.
WindowHandle FindDialog(uint32_t templateId);
// A control of a dialog by id (also of a destroyed dialog), else null.
WindowHandle FindControl(WindowHandle dialog, int controlId);
// Live top-level windows of the program, top of the z-order first.
std::vector<WindowHandle> TopLevelWindows();
// The window last brought to the foreground by the program.
WindowHandle ForegroundWindow();

// User input, queued to the thread that owns the window as the mouse would: the pointer moved
// over a window (WM_SETCURSOR with the hit-test code and WM_MOUSEMOVE, then WM_MOUSEMOVE).
// False when the window is not visible.
bool MoveMouseOver(WindowHandle window, uint32_t hitTest = 1);
// The cursor shape shown now (32512 arrow, 32514 wait).
int CurrentCursor();

// ---- Wizard sheet and folder browser ----
// The wizard (SysRunWizardSheet) is a frame of class "#32770" with the buttons Back, Next,
// Finish and Cancel; its pages are dialogs made from their templates when first shown. It
// journals "wizard: page <template> [<title>] shown" (" in a hidden frame" added while the frame
// is hidden), "wizard: press <button>" for the user's presses, "wizard: page presses <button>"
// for PSM_PRESSBUTTON, " ignored: disabled" when the button is disabled, "wizard: page
// <template> removed", and at the end "wizard: finished" or "wizard: cancelled". When it waits
// for the user it takes the next answer queued with QueueDialogAnswer for the active page's
// template: a frame button id (0x3023 Back, 0x3024 Next, 0x3025 Finish, 2 Cancel) presses that
// button, any other id clicks that control of the page. Without an answer it presses Next, or
// Finish when Finish is enabled and Next is not; after 10 such presses without a page change
// the sheet is ended with -1 ("wizard: still open after 10 presses, ended with -1").
// The active page of the running sheet, else null.
WindowHandle ActiveWizardPage();

// The folder browser (SysBrowseForFolder) takes the next queued choice: the folder selected
// ("" stands for a virtual folder without a path), the text then typed into its edit box (""
// types nothing) and whether OK (else Cancel) is pressed. Without a queued choice it is
// cancelled. Journaled "browse: [<title>] <folder> -> ok|cancel" (" ignored: disabled" when OK
// was disabled, which cancels).
void QueueFolderChoice(const std::u16string& folder, const std::u16string& editText, bool ok);
// The window of the last folder browser (destroyed once closed; GetWindowInfo and FindControl
// still read it), else null.
WindowHandle LastFolderBrowser();

// The screen and its work area (default 1024 x 768 with a work area of 1024 x 738).
void SetScreen(int width, int height, int workLeft, int workTop, int workRight, int workBottom);
// Drawing objects the program created and has not deleted, and device contexts not released.
size_t LiveGdiObjects();
size_t OpenDeviceContexts();

// ---- Plug and Play devices ----
// Adds a device to the running machine (after the profile's own). Its device node number is
// handed out in the order devices were added.
void AddDevice(const Device& device);
// The devices the machine knows now, in the order they were added (removed ones are gone).
// Removals by the class installer are journaled "device: removed <instance id>", written
// configuration flags "device: flags <instance id> 0x<flags>".
std::vector<Device> Devices();
// Whether a successful driver update reports that Windows must restart (false after a reset).
// Updates are journaled "driver: UpdateDriverForPlugAndPlayDevices <id> <inf> -> <result>",
// the result being "ok, restart <0|1>" or "error 0x<code>".
void SetDriverUpdateNeedsRestart(bool needed);

// ---- Driver store (DIFxAPI and the OEM INF copy) ----
// The result code that DriverPackageInstallW returns from now on (0 at reset). Every call is
// journaled "driver-store: DriverPackageInstall <inf> flags=0x<flags> -> 0x<code>" (and
// "DriverPackagePreinstall", which always succeeds); SetupCopyOEMInfW journals
// "driver-store: SetupCopyOEMInf <inf> -> <copy>" or "... -> failed (<error>)". difxapi.dll is
// offered from Windows 2000 on (SetLibraryMissing removes it).
void SetDriverPackageInstallResult(uint32_t code);

}  // namespace sim
