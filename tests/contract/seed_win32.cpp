// The contract's seeding interface on the real Windows layer (run under Wine), and the entry of
// platform_contract.exe. Usage: platform_contract [gtest flags] [--ansi-road] [setup.exe]
// With --ansi-road every case runs on the ANSI road of the 9x family; setup.exe is the program
// whose resources the resource cases read.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "contract/contract.h"
#include "platform/win32/win32_internal.h"

std::wstring g_setupExe;  // the program of the resource cases (setup_exe_resources.cpp)

namespace contract {

namespace {

std::wstring g_scratch;
std::vector<HANDLE> g_held;
int g_caseCount = 0;

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

// Removes a folder with everything in it, read-only files too.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::u16string BeginCase() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  g_scratch = std::wstring(base) + L"gw_contract_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
              std::to_wstring(g_caseCount++);
  RemoveTree(g_scratch);
  CreateDirectoryW(g_scratch.c_str(), nullptr);
  return reinterpret_cast<const char16_t*>(g_scratch.c_str());
}

void EndCase() {
  for (HANDLE held : g_held) CloseHandle(held);
  g_held.clear();
  RemoveTree(g_scratch);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\GlidewaveContract");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\GlidewaveContract");
}

bool PutFile(const std::u16string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  return ok;
}

std::string FileBytes(const std::u16string& path) {
  HANDLE file = CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool PutFixture(const std::string& name, const std::u16string& path) {
  // The build folder is reached through Wine's drive Z:, the host's root.
  std::wstring source = L"Z:";
  for (char c : std::string(SETUP_FIXTURE_DIR) + "/" + name) source += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return CopyFileW(source.c_str(), W(path), FALSE) != 0;
}

void HoldFile(const std::u16string& path) {
  HANDLE file = CreateFileW(W(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) g_held.push_back(file);
}

const char* Unsupported(const char* behaviour) {
  if (std::strcmp(behaviour, "values in creation order") == 0)
    return "Wine lists registry values sorted by name; Windows lists them in the order they were created";
  if (std::strcmp(behaviour, "'?' before a dot matching nothing") == 0)
    return "Wine's listings take '?' as exactly one character; Windows lets it match nothing before a dot";
  if (std::strcmp(behaviour, "read-only files refuse writing") == 0)
    return "Wine keeps read-only as the Unix write permission, which does not stop a program running as root";
  return nullptr;
}

std::string Utf8(const std::u16string& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, W(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, W(text), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

}  // namespace contract

// GoogleTest's own flags first; then --ansi-road and the path of setup.exe.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--ansi-road") == 0) {
    win32::ForceAnsiRoad(1);
    --argc;
    ++argv;
  }
  if (argc > 1) {
    wchar_t path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    g_setupExe = path;
  }
  return RUN_ALL_TESTS();
}
