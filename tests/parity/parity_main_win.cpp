// Windows main of the parity probe: runs the probe script on the fixture files named on the
// command line (Windows paths: the fixture with LF line ends, with CRLF and with CR alone), then
// the file scripts in "work" beside the program, with the fixtures of its "fixtures" folder and
// window_owner.exe beside it as the other program whose window is closed.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "parity/parity_probe.h"
#include "platform/kernel.h"

namespace {

// The folder of this program, with a trailing backslash.
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.rfind(L'\\') + 1);
}

const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Window owners started so far: process id -> process handle.
std::map<uint32_t, HANDLE>& Owners() {
  static std::map<uint32_t, HANDLE> owners;
  return owners;
}

// SetFileTime on a file opened for writing its attributes.
int SetTimes(const char16_t* path, uint64_t creation, uint64_t lastWrite) {
  HANDLE file = CreateFileW(W(path), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  FILETIME c = {static_cast<DWORD>(creation), static_cast<DWORD>(creation >> 32)};
  FILETIME w = {static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
  BOOL ok = SetFileTime(file, &c, nullptr, &w);
  CloseHandle(file);
  return ok ? 1 : 0;
}

// Files held open as another program would hold them: path -> handle.
std::map<std::u16string, HANDLE>& HeldFiles() {
  static std::map<std::u16string, HANDLE> held;
  return held;
}

// Opens a file for reading, shared for reading only, and keeps it open (hold = 1), or closes it
// again (hold = 0): what a program that has the file in use does.
int HoldFile(const char16_t* path, int hold) {
  auto it = HeldFiles().find(path);
  if (!hold) {
    if (it == HeldFiles().end()) return 0;
    CloseHandle(it->second);
    HeldFiles().erase(it);
    return 1;
  }
  if (it != HeldFiles().end()) return 0;
  HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  HeldFiles()[path] = file;
  return 1;
}

// An argument quoted for CreateProcess' command line (no quotes or trailing backslashes in the
// texts used here).
std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Starts window_owner.exe and waits until its window exists (or the program ended without one).
uint32_t StartOwner(const char16_t* className, const char16_t* caption, int ignoreClose) {
  static int started = 0;
  const std::wstring eventName = L"GlidewaveParityOwnerReady" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                                 std::to_wstring(++started);
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  if (!ready) return 0;
  const std::wstring program = ProgramFolder() + L"window_owner.exe";
  std::wstring command = Quoted(program) + L" " + Quoted(W(className)) + L" " + Quoted(W(caption)) + L" " +
                         (ignoreClose ? L"ignores" : L"closes") + L" " + eventName;
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "parity-probe: cannot start window_owner.exe (%lu)\n", GetLastError());
    CloseHandle(ready);
    return 0;
  }
  CloseHandle(info.hThread);
  HANDLE both[2] = {ready, info.hProcess};
  DWORD which = WaitForMultipleObjects(2, both, FALSE, INFINITE);
  CloseHandle(ready);
  if (which != WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    std::fprintf(stderr, "parity-probe: window_owner.exe ended without a window (%lu)\n", code);
    CloseHandle(info.hProcess);
    return 0;
  }
  Owners()[info.dwProcessId] = info.hProcess;
  return info.dwProcessId;
}

// Waits for a started owner whose window is gone (which ends it) and gives its exit code.
int OwnerExit(uint32_t processId, uint32_t* exitCode) {
  auto it = Owners().find(processId);
  if (it == Owners().end()) return 0;
  if (WaitForSingleObject(it->second, INFINITE) != WAIT_OBJECT_0) return 0;
  DWORD code = 0;
  if (!GetExitCodeProcess(it->second, &code) || code == STILL_ACTIVE) return 0;
  *exitCode = code;
  return 1;
}

// Ends the owners that are still running, so that none outlives the probe.
void EndOwners() {
  for (auto& owner : Owners()) {
    if (WaitForSingleObject(owner.second, 0) == WAIT_TIMEOUT) TerminateProcess(owner.second, 99);
    CloseHandle(owner.second);
  }
  Owners().clear();
}

}  // namespace

// Usage: parity-probe.exe FIXTURE.INI [FIXTURE-CRLF.INI [FIXTURE-CR.INI]]
int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: parity-probe.exe FIXTURE.INI [FIXTURE-CRLF.INI [FIXTURE-CR.INI]]\n");
    return 2;
  }
  std::vector<std::u16string> paths;
  for (int i = 1; i < argc; ++i) {
    char16_t wide[260];
    SysAnsiToWide(argv[i], wide, 260);
    paths.emplace_back(wide);
  }
  const char* labels[] = {"lf", "crlf", "cr"};
  const char16_t* pathTexts[3] = {};
  for (size_t i = 0; i < paths.size(); ++i) pathTexts[i] = paths[i].c_str();

  const std::wstring folder = ProgramFolder();
  const std::wstring work = folder + L"work";
  const std::wstring fixtures = folder + L"fixtures";
  const std::u16string workText(work.begin(), work.end());
  const std::u16string fixtureText(fixtures.begin(), fixtures.end());
  ParityHost host = {workText.c_str(), fixtureText.c_str(), SetTimes, HoldFile, StartOwner, OwnerExit};
  int result = RunParityProbe(labels, pathTexts, static_cast<int>(paths.size()), kParityRegistryBase, &host);
  EndOwners();
  return result;
}
