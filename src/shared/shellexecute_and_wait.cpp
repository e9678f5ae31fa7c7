// Shell start with wait: one program started through the shell, waited for until it ends.
#include "shared/shellexecute_and_wait.h"

#include "platform/kernel.h"
#include "platform/processes.h"

void ShellexecuteExAndWait(const char16_t* verb, const char16_t* file, const char16_t* parameters,
                           int showCommand) {
  SysHandle process = nullptr;
  SysShellExecuteEx(verb, file, parameters, nullptr, showCommand, &process);
  // A failed start (or a document opened without a new process) leaves no handle to wait for.
  if (!process) return;
  SysWaitForSingleObject(process, kInfinite);
  SysCloseHandle(process);
}
