// System libraries loaded by name: every function that not every supported Windows exports is
// found here the first time it is needed, in a library loaded from the system folder, and kept.
#include <cstring>

#include "platform/win32/win32_internal.h"

namespace win32 {

namespace {

// One function asked for: its library and name (string literals of the callers) and address.
struct Found {
  const char* library;
  const char* function;
  void* address;
  DWORD error;  // 0, or why the address is missing
};
constexpr int kMaxFound = 64;
Found g_found[kMaxFound];
int g_foundCount = 0;

// The loaded libraries, by name.
struct Loaded {
  const char* library;
  HMODULE module;
};
constexpr int kMaxLoaded = 16;
Loaded g_loaded[kMaxLoaded];
int g_loadedCount = 0;

CRITICAL_SECTION* Lock() {
  static CRITICAL_SECTION lock;
  static LONG state = 0;  // 0 new, 1 initialising, 2 ready
  if (InterlockedCompareExchange(&state, 1, 0) == 0) {
    InitializeCriticalSection(&lock);
    InterlockedExchange(&state, 2);
  }
  while (state != 2) Sleep(0);
  return &lock;
}

// Windows' own libraries (and the driver installation library that lives beside them): a bare
// name of one of these is loaded from the system folder only.
const char* const kSystemLibraries[] = {"advapi32.dll", "cfgmgr32.dll", "comctl32.dll", "difxapi.dll",
                                        "kernel32.dll", "newdev.dll",   "psapi.dll",    "setupapi.dll",
                                        "shell32.dll",  "shfolder.dll", "version.dll",  "vdmdbg.dll"};

bool IsSystemLibrary(const char16_t* name) {
  for (const char* known : kSystemLibraries) {
    size_t i = 0;
    for (; known[i] && name[i]; ++i) {
      char16_t c = name[i] >= u'A' && name[i] <= u'Z' ? static_cast<char16_t>(name[i] + 32) : name[i];
      if (c != static_cast<char16_t>(known[i])) break;
    }
    if (!known[i] && !name[i]) return true;
  }
  return false;
}

// The loaded library of that name, loaded now when it is not yet; null when it cannot be.
HMODULE Library(const char* name) {
  for (int i = 0; i < g_loadedCount; ++i)
    if (std::strcmp(g_loaded[i].library, name) == 0) return g_loaded[i].module;
  char16_t wide[MAX_PATH];
  ToWide(wide, MAX_PATH, name);
  HMODULE module = LoadSystemLibrary(wide);
  if (module && g_loadedCount < kMaxLoaded) g_loaded[g_loadedCount++] = {name, module};
  return module;
}

}  // namespace

HMODULE LoadSystemLibrary(const char16_t* name) {
  if (!name || !name[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (OnAnsiRoad()) {
    char path[MAX_PATH * 2];
    UINT n = IsSystemLibrary(name) ? GetSystemDirectoryA(path, MAX_PATH) : 0;
    if (n >= MAX_PATH) n = 0;
    if (n && path[n - 1] != '\\') path[n++] = '\\';
    AnsiText file(name);
    if (n + file.size() >= sizeof path) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return nullptr;
    }
    std::memcpy(path + n, static_cast<const char*>(file), file.size() + 1);
    return LoadLibraryA(path);
  }
  wchar_t path[MAX_PATH * 2];
  UINT n = IsSystemLibrary(name) ? GetSystemDirectoryW(path, MAX_PATH) : 0;
  if (n >= MAX_PATH) n = 0;
  if (n && path[n - 1] != L'\\') path[n++] = L'\\';
  const uint32_t length = static_cast<uint32_t>(lstrlenW(Wide(name)));
  if (n + length >= MAX_PATH * 2) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  std::memcpy(path + n, name, (length + 1) * sizeof(wchar_t));
  return LoadLibraryW(path);
}

void* SystemFunction(const char* library, const char* function) {
  CRITICAL_SECTION* lock = Lock();
  EnterCriticalSection(lock);
  void* address = nullptr;
  DWORD error = 0;
  int i = 0;
  for (; i < g_foundCount; ++i)
    if (std::strcmp(g_found[i].function, function) == 0 && std::strcmp(g_found[i].library, library) == 0) break;
  if (i < g_foundCount) {
    address = g_found[i].address;
    error = g_found[i].error;
  } else {
    HMODULE module = Library(library);
    if (!module)
      error = ERROR_MOD_NOT_FOUND;
    else if (!(address = reinterpret_cast<void*>(GetProcAddress(module, function))))
      error = ERROR_PROC_NOT_FOUND;
    if (g_foundCount < kMaxFound) g_found[g_foundCount++] = {library, function, address, error};
  }
  LeaveCriticalSection(lock);
  if (!address) SetLastError(error);
  return address;
}

}  // namespace win32
