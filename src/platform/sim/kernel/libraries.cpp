// Libraries of the simulated machine: the system libraries and exports the installer looks up
// at run time, present or missing as on the profile's Windows version (and as a test made them),
// and library files of the simulated disk, which load but export nothing the machine can run.
// A library file loaded as data keeps its bytes, whose resources are read from the file's own
// resource directory.
#include <array>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/sim/kernel/find_pe_resource.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

// Which Windows versions offer a library or an export.
enum class Availability {
  kAll,          // every profile
  kNtFamily,     // NT 4 and later
  kWindows2000,  // NT family from 5.0 on
  kNotNt4,       // the 9x family and NT 5.0 on (toolhelp)
};

struct ExportEntry {
  const char* library;  // lower-case file name
  const char* name;
  Availability availability;
};

struct LibraryEntry {
  const char* name;
  Availability availability;
};

const LibraryEntry kLibraries[] = {
    {"kernel32.dll", Availability::kAll},    {"advapi32.dll", Availability::kAll},
    {"setupapi.dll", Availability::kAll},    {"newdev.dll", Availability::kWindows2000},
    {"psapi.dll", Availability::kNtFamily},  {"vdmdbg.dll", Availability::kNtFamily},
    {"difxapi.dll", Availability::kWindows2000},
};

const ExportEntry kExports[] = {
    {"kernel32.dll", "ExitProcess", Availability::kAll},
    {"kernel32.dll", "CreateToolhelp32Snapshot", Availability::kNotNt4},
    {"kernel32.dll", "Process32First", Availability::kNotNt4},
    {"kernel32.dll", "Process32Next", Availability::kNotNt4},
    {"kernel32.dll", "Process32FirstW", Availability::kNotNt4},
    {"kernel32.dll", "Process32NextW", Availability::kNotNt4},
    {"advapi32.dll", "AddAccessAllowedAceEx", Availability::kWindows2000},
    {"advapi32.dll", "SetSecurityDescriptorControl", Availability::kWindows2000},
    {"setupapi.dll", "SetupCopyOEMInfW", Availability::kAll},
    {"setupapi.dll", "SetupIterateCabinetW", Availability::kAll},
    {"newdev.dll", "UpdateDriverForPlugAndPlayDevicesW", Availability::kWindows2000},
    {"psapi.dll", "EnumProcesses", Availability::kNtFamily},
    {"psapi.dll", "EnumProcessModules", Availability::kNtFamily},
    {"psapi.dll", "GetModuleFileNameExW", Availability::kNtFamily},
    {"psapi.dll", "GetModuleFileNameExA", Availability::kNtFamily},
    {"vdmdbg.dll", "VDMEnumTaskWOWEx", Availability::kNtFamily},
    {"difxapi.dll", "DriverPackageInstallW", Availability::kWindows2000},
    {"difxapi.dll", "DriverPackagePreinstallW", Availability::kWindows2000},
};
constexpr size_t kExportCount = sizeof(kExports) / sizeof(kExports[0]);
constexpr size_t kLibraryCount = sizeof(kLibraries) / sizeof(kLibraries[0]);

// One byte per export: its address is what GetProcAddress hands out. Never called.
const char kExportStubs[kExportCount] = {};

// GetProcAddress with an ordinal passes a number below 0x10000 instead of a name.
constexpr uintptr_t kMaxOrdinal = 0xFFFF;

void Fail(ErrorCode code) { sim::internal::SetLastError(code); }

bool Offered(Availability availability) {
  const sim::MachineProfile& p = State().profile;
  const bool nt = p.platformId == kPlatformNT;
  switch (availability) {
    case Availability::kAll:
      return true;
    case Availability::kNtFamily:
      return nt;
    case Availability::kWindows2000:
      return nt && p.major >= 5;
    case Availability::kNotNt4:
      return !nt || p.major >= 5;
  }
  return false;
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) c = CharUpper(c);
  return text;
}

// The key under which a library name is known: upper-case, with ".DLL" added when the name has no
// extension (LoadLibrary's rule; a trailing '.' means "no extension" and is dropped).
std::u16string LibraryKey(const std::u16string& name) {
  std::u16string key = Upper(name);
  const size_t dot = key.find_last_of(u'.');
  if (!key.empty() && key.back() == u'.')
    key.pop_back();
  else if (dot == std::u16string::npos)
    key += u".DLL";
  return key;
}

std::u16string KeyOfAscii(const std::string& name) { return LibraryKey(sim::FromUtf8(name)); }

// The keys of the known system libraries, in table order; built once.
const std::u16string* SystemLibraryKeys() {
  static const std::vector<std::u16string>* keys = [] {
    auto* built = new std::vector<std::u16string>;
    for (const LibraryEntry& entry : kLibraries) built->push_back(KeyOfAscii(entry.name));
    return built;
  }();
  return keys->data();
}

// Index of a known system library by key, or -1.
int SystemLibraryIndex(const std::u16string& key) {
  const std::u16string* keys = SystemLibraryKeys();
  for (size_t i = 0; i < kLibraryCount; ++i)
    if (keys[i] == key) return static_cast<int>(i);
  return -1;
}

bool SameAscii(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 32) : *a;
    char cb = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 32) : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

// Finds a library file on the simulated disk the way LoadLibrary searches: the path itself when
// it names a folder, else the program's folder, the system folder, the Windows folder and the
// current folder. Returns the host path or "".
std::string FindDiskLibrary(const std::u16string& name) {
  std::u16string file = name;
  if (file.find_last_of(u'.') == std::u16string::npos) file += u".dll";
  std::vector<std::u16string> candidates;
  if (file.find_first_of(u"\\/") != std::u16string::npos) {
    candidates.push_back(file);
  } else {
    const sim::internal::MachineState& s = State();
    const size_t cut = s.modulePath.find_last_of(u"\\/");
    if (cut != std::u16string::npos) candidates.push_back(s.modulePath.substr(0, cut + 1) + file);
    candidates.push_back(s.profile.systemDir + u"\\" + file);
    candidates.push_back(s.profile.windowsDir + u"\\" + file);
    candidates.push_back(sim::internal::CurrentFolderPath() + file);
  }
  for (const std::u16string& candidate : candidates) {
    std::string host = sim::internal::ResolveHostPath(candidate);
    if (sim::internal::HostExists(host) && !sim::internal::HostIsDirectory(host)) return host;
  }
  return "";
}

// The system library a name stands for: a bare name, or a path into the system folder.
int SystemLibraryOfName(const std::u16string& name) {
  const size_t cut = name.find_last_of(u"\\/");
  if (cut != std::u16string::npos) {
    std::u16string folder = Upper(name.substr(0, cut));
    if (folder != Upper(State().profile.systemDir)) return -1;
  }
  return SystemLibraryIndex(LibraryKey(cut == std::u16string::npos ? name : name.substr(cut + 1)));
}

bool SystemLibraryPresent(int index) {
  const std::set<std::u16string>& missing = State().missingLibraries;
  return Offered(kLibraries[index].availability) &&
         (missing.empty() || missing.count(SystemLibraryKeys()[index]) == 0);
}

// Index of a known system library named in ASCII (the way the machine's own callers name
// them), or -1. A name spelled as in the table is matched without building its key.
int SystemLibraryIndexOfAscii(const char* name) {
  for (size_t i = 0; i < kLibraryCount; ++i)
    if (SameAscii(kLibraries[i].name, name)) return static_cast<int>(i);
  return SystemLibraryIndex(KeyOfAscii(name));
}

// True when `entry` is the export `exportName` of `library` (the library's name case-blind);
// the export's name, the more telling of the two, is compared first.
bool SameExport(const ExportEntry& entry, const char* library, const char* exportName) {
  return entry.name[0] == exportName[0] && std::strcmp(entry.name, exportName) == 0 &&
         SameAscii(entry.library, library);
}

// Where a library name and an export name were found in the tables before (-1: nowhere). The
// tables never change, so the names alone decide; a few are kept, as the same exports are asked
// again and again. Used under the machine's lock.
struct FoundExport {
  std::string library;
  std::string exportName;
  int libraryIndex = -1;
  long exportIndex = -1;
};
constexpr size_t kFoundExports = 4;
std::array<FoundExport, kFoundExports> g_foundExports;
size_t g_nextFoundExport = 0;

const FoundExport& FindExport(const char* library, const char* exportName) {
  for (const FoundExport& found : g_foundExports)
    if (found.library == library && found.exportName == exportName) return found;
  FoundExport& found = g_foundExports[g_nextFoundExport];
  g_nextFoundExport = (g_nextFoundExport + 1) % kFoundExports;
  found.library = library;
  found.exportName = exportName;
  found.libraryIndex = SystemLibraryIndexOfAscii(library);
  found.exportIndex = -1;
  for (size_t i = 0; i < kExportCount; ++i) {
    if (SameExport(kExports[i], library, exportName)) {
      found.exportIndex = static_cast<long>(i);
      break;
    }
  }
  return found;
}

}  // namespace

namespace sim {
namespace internal {

const void* ExportAddress(const char* library, const char* exportName) {
  if (!library || !exportName) return nullptr;
  for (size_t i = 0; i < kExportCount; ++i)
    if (SameExport(kExports[i], library, exportName))
      return &kExportStubs[i];
  return nullptr;
}

bool ExportOffered(const char* library, const char* exportName) {
  Guard guard(Lock());
  if (!library || !exportName) return false;
  const FoundExport& found = FindExport(library, exportName);
  if (found.libraryIndex < 0 || !SystemLibraryPresent(found.libraryIndex) || found.exportIndex < 0) return false;
  const ExportEntry& entry = kExports[found.exportIndex];
  const auto& missing = State().missingExports;
  return Offered(entry.availability) && (missing.empty() || missing.count({KeyOfAscii(library), exportName}) == 0);
}

}  // namespace internal

void SetLibraryMissing(const std::string& library) {
  Guard guard(Lock());
  State().missingLibraries.insert(KeyOfAscii(library));
}

void SetExportMissing(const std::string& library, const std::string& exportName) {
  Guard guard(Lock());
  State().missingExports.insert({KeyOfAscii(library), exportName});
}

}  // namespace sim

ModuleHandle SysLoadLibrary(const char16_t* name) {
  Guard guard(Lock());
  if (SIM_FAULT(SysLoadLibrary)) return nullptr;
  if (!name || !name[0]) {
    Fail(kErrInvalidParameter);
    return nullptr;
  }
  const std::u16string given(name);
  std::u16string key;
  const int systemIndex = SystemLibraryOfName(given);
  if (systemIndex >= 0) {
    if (SystemLibraryPresent(systemIndex)) key = SystemLibraryKeys()[systemIndex];
  } else {
    std::string host = FindDiskLibrary(given);
    if (!host.empty()) key = sim::FromUtf8(host);
  }
  sim::JournalAdd("load-library: " + sim::ToUtf8(given) + (key.empty() ? " -> missing" : " -> ok"));
  if (key.empty()) {
    Fail(kErrModNotFound);
    return nullptr;
  }
  auto& libraries = State().libraries;
  for (auto& item : libraries) {
    if (item.second.key == key) {
      ++item.second.references;
      return reinterpret_cast<ModuleHandle>(item.first);
    }
  }
  const uintptr_t token = sim::internal::NewHandleToken();
  sim::internal::LoadedLibrary& loaded = libraries[token];
  loaded.key = key;
  loaded.systemIndex = systemIndex;
  loaded.references = 1;
  return reinterpret_cast<ModuleHandle>(token);
}

void* SysGetProcAddress(ModuleHandle module, const char* name) {
  Guard guard(Lock());
  if (SIM_FAULT(SysGetProcAddress)) return nullptr;
  auto& libraries = State().libraries;
  auto it = libraries.find(reinterpret_cast<uintptr_t>(module));
  if (it == libraries.end()) {
    Fail(module ? kErrModNotFound : kErrProcNotFound);
    return nullptr;
  }
  if (name && reinterpret_cast<uintptr_t>(name) > kMaxOrdinal && it->second.systemIndex < 0) {
    // A library of the package: only the exports the machine models for it.
    const std::u16string& key = it->second.key;
    const size_t cut = key.find_last_of(u'/');
    const void* address = sim::internal::PackageLibraryExport(key.substr(cut == std::u16string::npos ? 0 : cut + 1), name);
    if (address) return const_cast<void*>(address);
  }
  if (!name || reinterpret_cast<uintptr_t>(name) <= kMaxOrdinal || it->second.systemIndex < 0) {
    Fail(kErrProcNotFound);
    return nullptr;
  }
  const char* library = kLibraries[it->second.systemIndex].name;
  if (!sim::internal::ExportOffered(library, name)) {
    Fail(kErrProcNotFound);
    return nullptr;
  }
  return const_cast<void*>(sim::internal::ExportAddress(library, name));
}

int SysFreeLibrary(ModuleHandle module) {
  Guard guard(Lock());
  if (SIM_FAULT(SysFreeLibrary)) return 0;
  auto& libraries = State().libraries;
  auto it = libraries.find(reinterpret_cast<uintptr_t>(module));
  if (it == libraries.end()) {
    Fail(kErrModNotFound);
    return 0;
  }
  if (--it->second.references <= 0) libraries.erase(it);
  return 1;
}

ModuleHandle SysLoadLibraryAsData(const char16_t* path) {
  Guard guard(Lock());
  if (SIM_FAULT(SysLoadLibraryAsData)) return nullptr;
  if (!path || !path[0]) {
    Fail(kErrInvalidParameter);
    return nullptr;
  }
  const std::u16string given(path);
  const std::string host = FindDiskLibrary(given);
  std::string image;
  if (!host.empty()) sim::internal::ReadHostFile(host, &image);
  size_t offset = 0, length = 0;
  const bool isImage = !host.empty() && sim::FindPeResource(reinterpret_cast<const uint8_t*>(image.data()), image.size(),
                                                            0, nullptr, 0, &offset, &length) != sim::PeResourceLookup::kNotImage;
  sim::JournalAdd("load-library-data: " + sim::ToUtf8(given) +
                  (host.empty() ? " -> missing" : isImage ? " -> ok" : " -> not an image"));
  if (host.empty() || !isImage) {
    Fail(host.empty() ? kErrModNotFound : kErrBadExeFormat);
    return nullptr;
  }
  const uintptr_t token = sim::internal::NewHandleToken();
  sim::internal::LoadedLibrary& loaded = State().libraries[token];
  loaded.key = sim::FromUtf8(host);
  loaded.references = 1;
  loaded.asData = true;
  loaded.image = std::move(image);
  return reinterpret_cast<ModuleHandle>(token);
}

int SysFindResourceData(ModuleHandle module, const char* name, uint32_t type, const uint8_t** data, uint32_t* size) {
  Guard guard(Lock());
  if (SIM_FAULT(SysFindResourceData)) return 0;
  auto& libraries = State().libraries;
  auto it = libraries.find(reinterpret_cast<uintptr_t>(module));
  if (it == libraries.end() || !name || !data || !size) {
    Fail(it == libraries.end() ? kErrModNotFound : kErrInvalidParameter);
    return 0;
  }
  if (!it->second.asData) {
    // Libraries loaded to run are system libraries or package libraries without resources here.
    Fail(kErrResourceTypeNotFound);
    return 0;
  }
  const std::string& image = it->second.image;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(image.data());
  size_t offset = 0, length = 0;
  const sim::PeResourceLookup lookup = sim::FindPeResource(bytes, image.size(), type, name, 0, &offset, &length);
  if (lookup != sim::PeResourceLookup::kFound || length > 0xFFFFFFFFu) {
    Fail(sim::ResourceLookupError(lookup));
    return 0;
  }
  *data = bytes + offset;
  *size = static_cast<uint32_t>(length);
  return 1;
}
