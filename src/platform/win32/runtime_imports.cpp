// Replacements for the few wide-character kernel functions that the static C and C++ runtime
// calls (thread-safety semaphores, module look-ups, lead-byte tests). Defining their import
// pointers here keeps them out of setup.exe's import table: the 9x family implements them only as
// failing stubs, and Windows 95 lacks IsDBCSLeadByteEx. Each does what the system's function does
// through a function every supported Windows has, so the NT family sees no difference (the
// 64-bit program, which starts on Windows XP x64 and later, gets them too so that both programs
// call the same functions).
#include <windows.h>

namespace {

// A short wide name as ANSI text (runtime names are plain ASCII); false when it does not fit.
bool AnsiName(LPCWSTR name, char* out, int cap) {
  return WideCharToMultiByte(CP_ACP, 0, name, -1, out, cap, nullptr, nullptr) > 0;
}

HANDLE WINAPI CreateSemaphoreThroughAnsi(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum, LPCWSTR name) {
  char ansi[MAX_PATH];
  if (name && !AnsiName(name, ansi, MAX_PATH)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  return CreateSemaphoreA(security, initial, maximum, name ? ansi : nullptr);
}

HMODULE WINAPI GetModuleHandleThroughAnsi(LPCWSTR name) {
  char ansi[MAX_PATH];
  if (name && !AnsiName(name, ansi, MAX_PATH)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return GetModuleHandleA(name ? ansi : nullptr);
}

// Whether the byte leads a two-byte character of the code page, from the code page's lead-byte
// ranges.
BOOL WINAPI IsLeadByteOfCodePage(UINT codePage, BYTE byte) {
  CPINFO info;
  if (!GetCPInfo(codePage, &info)) return FALSE;
  for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] || info.LeadByte[i + 1]); i += 2)
    if (byte >= info.LeadByte[i] && byte <= info.LeadByte[i + 1]) return TRUE;
  return FALSE;
}

}  // namespace

// The import pointers' names: decorated with the argument bytes on i686, plain on x86_64.
#if defined(__i386__)
#define IMPORT_NAME(name, bytes) "__imp__" #name "@" #bytes
#else
#define IMPORT_NAME(name, bytes) "__imp_" #name
#endif

extern "C" {
void* g_createSemaphoreImport __asm__(IMPORT_NAME(CreateSemaphoreW, 16)) =
    reinterpret_cast<void*>(&CreateSemaphoreThroughAnsi);
void* g_getModuleHandleImport __asm__(IMPORT_NAME(GetModuleHandleW, 4)) =
    reinterpret_cast<void*>(&GetModuleHandleThroughAnsi);
void* g_isLeadByteImport __asm__(IMPORT_NAME(IsDBCSLeadByteEx, 8)) = reinterpret_cast<void*>(&IsLeadByteOfCodePage);
}
