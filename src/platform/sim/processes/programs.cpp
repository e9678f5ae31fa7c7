// Programs the installer starts on the simulated machine: CreateProcess and ShellExecuteEx find
// the program file on the simulated disk as Windows would, run the test's script for it (an
// effect on the machine, an exit code, a running time) and hand out process handles of the
// processes model, so that waits and exit codes work as for any other process.
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/processes.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"
#include "platform/ui.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;
typedef std::chrono::steady_clock Clock;

// A started program: it ends when its running time has passed, which a wait notices.
struct StartedProcess : sim::internal::ModelledProcess {
  Clock::time_point endsAt;
  uint32_t plannedExitCode = 0;
  uint32_t Wait(uint32_t milliseconds) override;
};

void EndStarted(StartedProcess* process) {
  Guard guard(Lock());
  if (!process->running) return;
  process->running = false;
  process->exitCode = process->plannedExitCode;
  sim::JournalAdd("process-exit: " + sim::ToUtf8(process->image) + " code " + std::to_string(process->exitCode));
}

uint32_t StartedProcess::Wait(uint32_t milliseconds) {
  Clock::time_point endsAtCopy;
  {
    Guard guard(Lock());
    if (!running) return kWaitObject0;
    endsAtCopy = endsAt;
  }
  // Real time passes outside the machine lock, so other threads keep working meanwhile.
  const Clock::time_point now = Clock::now();
  if (milliseconds != kInfinite && now + std::chrono::milliseconds(milliseconds) < endsAtCopy) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return kWaitTimeout;
  }
  std::this_thread::sleep_until(endsAtCopy);
  EndStarted(this);
  return kWaitObject0;
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = CharUpper(c);
  return text;
}

std::u16string FileNameOf(const std::u16string& path) {
  const size_t cut = path.find_last_of(u"\\/");
  return cut == std::u16string::npos ? path : path.substr(cut + 1);
}

bool IsFile(const std::u16string& windowsPath) {
  const std::string host = sim::internal::ResolveHostPath(windowsPath);
  return sim::internal::HostExists(host) && !sim::internal::HostIsDirectory(host);
}

// Finds a program file: a path with a folder as it stands (relative ones below the current
// folder); a bare name in the first folders of the list. ".exe" is added to a name without an
// extension. Returns the full Windows path, "" when there is no such file.
std::u16string FindProgramFile(std::u16string name, const std::vector<std::u16string>& folders) {
  if (name.empty()) return u"";
  if (FileNameOf(name).find(u'.') == std::u16string::npos) name += u".exe";
  if (name.find_first_of(u"\\/:") != std::u16string::npos) {
    const std::u16string full = sim::internal::FullWindowsPath(name);
    return !full.empty() && IsFile(full) ? full : u"";
  }
  for (std::u16string folder : folders) {
    if (folder.empty()) continue;
    if (folder.back() != u'\\') folder += u'\\';
    if (IsFile(folder + name)) return sim::internal::FullWindowsPath(folder + name);
  }
  return u"";
}

// The folders searched for a bare program name: the program's own folder, the current folder,
// the system folder and the Windows folder.
std::vector<std::u16string> SearchFolders(const std::u16string& first) {
  const sim::internal::MachineState& s = State();
  std::vector<std::u16string> folders;
  if (!first.empty()) folders.push_back(first);
  const size_t cut = s.modulePath.find_last_of(u'\\');
  if (cut != std::u16string::npos) folders.push_back(s.modulePath.substr(0, cut));
  folders.push_back(sim::internal::CurrentFolderPath());
  folders.push_back(s.profile.systemDir);
  folders.push_back(s.profile.windowsDir);
  return folders;
}

// The program of a command line: the quoted first word, or else the shortest blank-separated
// prefix that names an existing file (so an unquoted "C:\Program Files\x.exe a" finds x.exe).
std::u16string ProgramOfCommandLine(const std::u16string& line) {
  size_t start = line.find_first_not_of(u" \t");
  if (start == std::u16string::npos) return u"";
  const std::vector<std::u16string> folders = SearchFolders(u"");
  if (line[start] == u'"') {
    const size_t close = line.find(u'"', start + 1);
    return FindProgramFile(line.substr(start + 1, close == std::u16string::npos ? std::u16string::npos
                                                                                 : close - start - 1),
                           folders);
  }
  size_t end = start;
  while (end <= line.size()) {
    end = line.find_first_of(u" \t", end);
    if (end == std::u16string::npos) end = line.size();
    const std::u16string found = FindProgramFile(line.substr(start, end - start), folders);
    if (!found.empty()) return found;
    ++end;
  }
  return u"";
}

// The script of a program file, when a test gave one.
bool BehaviourOf(const std::u16string& program, sim::ProgramBehaviour* out) {
  const auto& scripts = State().programBehaviours;
  auto it = scripts.find(Upper(FileNameOf(program)));
  if (it == scripts.end()) return false;
  *out = it->second;
  return true;
}

// Makes the process record and its handles for a start the machine accepted.
std::shared_ptr<StartedProcess> NewStartedProcess(const sim::ProgramStart& start, const sim::ProgramBehaviour& b) {
  auto process = std::make_shared<StartedProcess>();
  sim::internal::ThisProgramProcess();  // the numbering starts with the program's own ids
  process->id = sim::internal::NewProcessId();
  process->threadId = sim::internal::NewProcessId();
  process->image = start.program;
  process->plannedExitCode = b.exitCode;
  process->endsAt = Clock::now() + std::chrono::milliseconds(b.runMilliseconds);
  State().processes.push_back(process);
  State().startedPrograms.push_back(start);
  return process;
}

// Runs the program's effect without the machine lock (it may use any platform function), then
// ends a program that has no running time.
void RunProgram(const std::shared_ptr<StartedProcess>& process, const sim::ProgramStart& start,
                const sim::ProgramBehaviour& behaviour) {
  if (behaviour.effect) behaviour.effect(start);
  if (behaviour.runMilliseconds == 0) EndStarted(process.get());
}

// Process handles hold the processes model's record type (what the other process functions read).
std::shared_ptr<void> AsModelled(const std::shared_ptr<StartedProcess>& process) {
  return std::static_pointer_cast<sim::internal::ModelledProcess>(process);
}

void Refuse(const std::u16string& what, ErrorCode error) {
  sim::JournalAdd("process: failed " + sim::ToUtf8(what) + " (" + std::to_string(error) + ")");
  sim::internal::SetLastError(error);
}

}  // namespace

namespace sim {

void SetProgramBehaviour(const std::string& fileName, ProgramBehaviour behaviour) {
  Guard guard(Lock());
  State().programBehaviours[Upper(FromUtf8(fileName))] = std::move(behaviour);
}

std::vector<ProgramStart> StartedPrograms() {
  Guard guard(Lock());
  return State().startedPrograms;
}

}  // namespace sim

int SysCreateProcess(const char16_t* commandLine, uint32_t creationFlags, const char16_t* currentDir, int useShowWindow,
                     int showCommand, SysProcessInfo* info) {
  sim::ProgramStart start;
  sim::ProgramBehaviour behaviour;
  std::shared_ptr<StartedProcess> process;
  {
    Guard guard(Lock());
    if (SIM_FAULT(SysCreateProcess)) {
      if (commandLine) Refuse(commandLine, SysGetLastError());
      return 0;
    }
    if (!commandLine || !info) {
      sim::internal::SetLastError(kErrInvalidParameter);
      return 0;
    }
    const std::u16string line(commandLine);
    const std::u16string program = ProgramOfCommandLine(line);
    BehaviourOf(program, &behaviour);
    if (program.empty() || behaviour.failsToStart) {
      Refuse(line, kErrFileNotFound);
      return 0;
    }
    if (currentDir && !sim::internal::HostIsDirectory(sim::internal::ResolveHostPath(currentDir))) {
      Refuse(line, kErrDirectory);
      return 0;
    }
    start.commandLine = line;
    start.program = program;
    start.currentDir = currentDir ? sim::internal::FullWindowsPath(currentDir) : sim::CurrentDirectory();
    start.hidden = useShowWindow && showCommand == kSwHide;
    start.creationFlags = creationFlags;
    sim::JournalAdd("process: start " + sim::ToUtf8(line) + " in " + sim::ToUtf8(start.currentDir));
    process = NewStartedProcess(start, behaviour);
    info->process = sim::internal::NewWaitableHandle(sim::internal::HandleKind::kProcess, AsModelled(process), process);
    info->thread = sim::internal::NewWaitableHandle(sim::internal::HandleKind::kRemoteThread, process, process);
    info->processId = process->id;
    info->threadId = process->threadId;
  }
  RunProgram(process, start, behaviour);
  return 1;
}

int SysShellExecuteEx(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                      const char16_t* directory, int showCommand, SysHandle* processOut) {
  if (processOut) *processOut = nullptr;
  sim::ProgramStart start;
  sim::ProgramBehaviour behaviour;
  std::shared_ptr<StartedProcess> process;
  {
    Guard guard(Lock());
    std::u16string what = file ? file : u"";
    if (parameters && parameters[0]) what += u" " + std::u16string(parameters);
    if (SIM_FAULT(SysShellExecuteEx)) {
      Refuse(what, SysGetLastError());
      return 0;
    }
    // The shell takes the file name as it stands: arguments belong in the parameters.
    const std::u16string program = FindProgramFile(file ? file : u"", SearchFolders(directory ? directory : u""));
    BehaviourOf(program, &behaviour);
    if (program.empty() || behaviour.failsToStart) {
      Refuse(what, kErrFileNotFound);
      return 0;
    }
    start.commandLine = what;
    start.program = program;
    start.currentDir = directory && directory[0] ? sim::internal::FullWindowsPath(directory) : sim::CurrentDirectory();
    start.verb = verb ? verb : u"";
    start.viaShell = true;
    start.hidden = showCommand == kSwHide;
    sim::JournalAdd("process: shell " + sim::ToUtf8(start.verb) + " " + sim::ToUtf8(what));
    process = NewStartedProcess(start, behaviour);
    if (processOut)
      *processOut = sim::internal::NewWaitableHandle(sim::internal::HandleKind::kProcess, AsModelled(process), process);
  }
  RunProgram(process, start, behaviour);
  return 1;
}
