/* A stand-in for the package's driver setup programs in the Wine end-to-end tests.
 *
 * setup.exe starts it as "<package>\SetupNT.exe Software\Norvik\Install\<ProductKey>" (or
 * Setup9x.exe, or "Setupnt /s"). It answers the way a real driver setup program does: it writes
 * its verdict as the DWORD "Result" into the install record named by its argument. The verdict
 * is told by the test through "drvtest.ini" beside the program ([Verdict] Result=<number>,
 * default 0). So that a test can see what each driver stage handed over (the completion page
 * deletes every install record at Finish), the program also appends the record's values and its
 * own command line to C:\drvtest\seen.txt, one block per start.
 */
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

/* Appends every value of the install record to out: "name=text", "name=dword:N" or the type. */
static void AppendRecord(FILE *out, HKEY key) {
  wchar_t name[256];
  BYTE data[1024];
  DWORD nameLength = 256, dataLength = sizeof(data) - 2, type = 0;
  for (DWORD index = 0; RegEnumValueW(key, index, name, &nameLength, NULL, &type, data, &dataLength) == ERROR_SUCCESS;
       ++index, nameLength = 256, dataLength = sizeof(data) - 2) {
    data[dataLength] = data[dataLength + 1] = 0;
    if (type == REG_DWORD && dataLength == 4)
      fwprintf(out, L"%ls=dword:%lu\n", name, (unsigned long)*(DWORD *)data);
    else if (type == REG_SZ)
      fwprintf(out, L"%ls=%ls\n", name, (const wchar_t *)data);
    else
      fwprintf(out, L"%ls=type %lu, %lu bytes\n", name, (unsigned long)type, (unsigned long)dataLength);
  }
}

int wmain(int argc, wchar_t **argv) {
  wchar_t self[MAX_PATH], ini[MAX_PATH];
  GetModuleFileNameW(NULL, self, MAX_PATH);
  wcscpy(ini, self);
  wchar_t *slash = wcsrchr(ini, L'\\');
  if (slash) wcscpy(slash + 1, L"drvtest.ini");
  int verdict = (int)GetPrivateProfileIntW(L"Verdict", L"Result", 0, ini);

  CreateDirectoryW(L"C:\\drvtest", NULL);
  FILE *out = _wfopen(L"C:\\drvtest\\seen.txt", L"a, ccs=UTF-8");
  if (out) {
    fwprintf(out, L"[start]\nprogram=%ls\n", self);
    for (int i = 1; i < argc; ++i) fwprintf(out, L"arg%d=%ls\n", i, argv[i]);
  }
  if (argc >= 2 && _wcsicmp(argv[1], L"/s") != 0) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, argv[1], 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      if (out) AppendRecord(out, key);
      DWORD result = (DWORD)verdict;
      RegSetValueExW(key, L"Result", 0, REG_DWORD, (const BYTE *)&result, sizeof(result));
      RegCloseKey(key);
    } else if (out) {
      fwprintf(out, L"record=missing\n");
    }
  }
  if (out) {
    fwprintf(out, L"verdict=%d\n", verdict);
    fclose(out);
  }
  return 0;
}
