// Package check, lists: gaps and limits of the numbered sections, the copy list (sources, the
// copy walk's progress figures, the table's size) and the product lists of the model page.
#include <cstdint>
#include <string>

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "drivers/driver_keys.h"
#include "files/cabinet_extract.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/files_keys.h"
#include "install/install_keys.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "registration/registration_keys.h"
#include "setup_sim/check_ini.h"
#include "shared/path_macros.h"
#include "settings/config_keys.h"
#include "startup/help_files.h"
#include "startup/platform_detect.h"
#include "settings/model_table.h"
#include "settings/settings.h"
#include "ui/text_keys.h"
#include "wizard/mouse_pictures.h"
#include "wizard/read_model_list.h"

namespace sim {

namespace {

const CheckSeverity kError = CheckSeverity::kError;
const CheckSeverity kWarning = CheckSeverity::kWarning;
constexpr uint32_t kValueSize = 1024;
constexpr int kCreateFolderMax = 9;  // [CreateFolder] keys the loader reads

// A numbered list: keys prefix + 1, 2, ... read up to the first missing or empty value (each
// key looked up in fallback when empty in section), at most max keys (0: no limit).
struct NumberedList {
  const char16_t* section;
  const char16_t* fallback;
  const char16_t* prefix;
  int max;
  bool especial;  // read from SETUP2K.INI beside the program, whatever the platform
};

// Value of key prefix + n as setup reads it.
std::u16string ReadNumbered(const NumberedList& list, const char16_t* file, int n) {
  char16_t key[64], value[kValueSize];
  TextFormat(key, 64, u"%s%d", list.prefix, n);
  SysReadProfileString(list.section, key, u"", value, kValueSize, file);
  if (!value[0] && list.fallback) SysReadProfileString(list.fallback, key, u"", value, kValueSize, file);
  return value;
}

// Number of a key written as prefix + decimal number (no leading zero); 0 for other keys.
int KeyNumber(const std::string& key, const std::string& prefix) {
  if (key.size() <= prefix.size() || !SameNoCase(key.substr(0, prefix.size()), prefix)) return 0;
  const std::string digits = key.substr(prefix.size());
  if (digits[0] == '0' || digits.size() > 6) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return std::stoi(digits);
}

// Reports the keys of a numbered list that setup never reaches: those after the first missing
// or empty key, and those beyond the list's limit.
void CheckNumbered(CheckContext& ctx, const NumberedList& list) {
  const WrittenIni& ini = list.especial ? ctx.especial : ctx.config;
  const char16_t* file = list.especial ? g_Settings.EspecialFile : g_Settings.ConfigFile;
  const std::string prefix = Utf8(list.prefix);
  int stop = 1;
  while ((list.max == 0 || stop <= list.max) && !ReadNumbered(list, file, stop).empty()) ++stop;

  const int limit = list.max != 0 && stop > list.max ? list.max : stop;  // keys up to it are read
  const WrittenKey* first = nullptr;
  std::string section, later;
  int count = 0;
  for (const char16_t* name : {list.section, list.fallback}) {
    if (!name) continue;
    const WrittenSection* s = ini.Section(Utf8(name));
    if (!s) continue;
    for (const WrittenKey& e : s->entries) {
      const int n = KeyNumber(e.key, prefix);
      if (n <= limit || e.value.empty()) continue;
      if (!first || n < KeyNumber(first->key, prefix)) first = &e, section = s->name;
      ++count;
    }
  }
  if (!first) return;
  const std::string missing = prefix + std::to_string(stop);
  const std::string more = count > 1 ? " (and " + std::to_string(count - 1) + " later keys)" : "";
  const std::string message =
      list.max != 0 && stop > list.max
          ? "setup reads at most " + std::to_string(list.max) + " keys here: " + first->key + more + " is never read"
          : "the list ends at the missing or empty key " + missing + ": " + first->key + more + " is never read";
  ctx.Add(ini, section, first->key, kError, message);
}

// Where entry n of the copy list is written: [CopyList], or [Copy List] when empty there.
std::string CopyListSectionOf(const CheckContext& ctx, int n) {
  const WrittenKey* e = ctx.config.Entry(Utf8(kSectionCopyList), std::to_string(n));
  return e && !e->value.empty() ? Utf8(kSectionCopyList) : Utf8(kSectionCopyListFallback);
}

std::u16string Join(const char16_t* folder, const char16_t* name) {
  return std::u16string(folder) + u"\\" + name;
}

const char16_t* SourceNameOf(const CopyEntry& e) { return e.SourceName[0] ? e.SourceName : e.FileName; }

// Whether the copy engine leaves the entry out on this platform (driver builds of one kind).
bool SkippedHere(const CopyEntry& e) {
  return TextEqual(e.SourceName, IsNT5Minor1() ? kDriverSkippedOnNT5Minor1 : kDriverSkippedElsewhere);
}

// Names of entries from..to, for messages (at most four).
std::string EntryNames(int from, int to) {
  std::string names;
  for (int n = from; n <= to && n < from + 4; ++n) names += (names.empty() ? "" : ", ") + Utf8(CopyTable[n].FileName);
  if (to >= from + 4) names += ", ...";
  return names;
}

// Reports copy-list entries and help files whose source is not in the package. Returns nothing.
void CheckSources(CheckContext& ctx, int listCount, int count) {
  const SettingsRecord& s = g_Settings;
  const std::u16string subFolder = Join(s.SourceDir, s.SubFolder);
  for (int n = 1; n <= count; ++n) {
    const CopyEntry& e = CopyTable[n];
    if (SkippedHere(e)) continue;
    const bool help = n > listCount;
    if (s.CabFile && !e.SourceSubdir[0]) continue;  // comes out of the cabinet
    std::u16string source = e.SourceSubdir[0] ? Join(Join(s.SourceDir, e.SourceSubdir).c_str(), SourceNameOf(e))
                            : help            ? Join(s.SourceDir, e.FileName)
                                              : Join(subFolder.c_str(), SourceNameOf(e));
    if (SysPathExists(source.c_str())) continue;
    const std::string where = ToUtf8(source);
    if (help)
      ctx.Add(ctx.config, Utf8(kSectionHelpFileList), "", kError,
              "help file " + where + " is not in the package: it is never installed");
    else
      ctx.Add(ctx.config, CopyListSectionOf(ctx, n), std::to_string(n), kError,
              "source " + where + " is not in the package: the copy skips it silently, " + Utf8(e.FileName) +
                  " is never installed");
  }
}

// Follows the copy walk's progress figures as the copy engine keeps them (outside cabinet mode)
// and reports where they end the walk before the last entry, or wrap.
void CheckCopyWalk(CheckContext& ctx, int listCount, int count) {
  const SettingsRecord& s = g_Settings;
  const std::u16string subFolder = Join(s.SourceDir, s.SubFolder);
  const std::string def = Utf8(kSectionDefault);
  if (!SumFolderSizes(subFolder.c_str())) {
    ctx.Add(ctx.config, def, Utf8(kKeySubFolder), kError,
            "folder " + ToUtf8(subFolder) + " is not in the package: the progress total is 0, so the copy ends "
            "after the first entry and nothing else is installed");
    return;
  }
  uint64_t sum = 0;
  for (int n = 1; n <= count; ++n)
    if (CopyTable[n].FileSize != kInvalidFileSize) sum += CopyTable[n].FileSize;
  const uint32_t total = _dwTotalFileSize;
  uint32_t hasCopied = 0;
  int wrappedAt = 0;
  for (int n = 1; n < count; ++n) {
    hasCopied += CopyTable[n].FileSize;
    if (!wrappedAt && static_cast<uint64_t>(hasCopied) * 100 > UINT32_MAX) wrappedAt = n;
    const uint32_t product = hasCopied * 100u;  // the engine's 32-bit arithmetic
    const uint32_t percent = total == 0 ? 100 : product / total;
    if (percent < 100) continue;
    // The walk ends after entry n. Help entries it does not reach are copied by the registry
    // stage all the same; copy-list entries are lost. Find why.
    int present = 0;  // later entries that could have been installed
    for (int k = n + 1; k <= listCount; ++k)
      if (CopyTable[k].FileSize != kInvalidFileSize && !SkippedHere(CopyTable[k])) ++present;
    if (present == 0) break;
    const std::string lost = "entries " + std::to_string(n + 1) + " to " + std::to_string(listCount) + " (" +
                             EntryNames(n + 1, listCount) + ") are never installed";
    for (int k = 1; k <= n; ++k) {
      const CopyEntry& e = CopyTable[k];
      if (!e.SourceSubdir[0] || e.FileSize == kInvalidFileSize || k > listCount) continue;
      ctx.Add(ctx.config, CopyListSectionOf(ctx, k), std::to_string(k), kError,
              "read from " + Utf8(e.SourceSubdir) + ", outside SubFolder " + Utf8(s.SubFolder) +
                  ": the progress total leaves its size out, so the copy reaches 100 % at entry " + std::to_string(n) +
                  " and stops: " + lost);
      return;
    }
    for (int k = 1; k <= n; ++k) {
      if (CopyTable[k].FileSize != kInvalidFileSize) continue;
      ctx.Add(ctx.config, k <= listCount ? CopyListSectionOf(ctx, k) : Utf8(kSectionHelpFileList),
              k <= listCount ? std::to_string(k) : "", kError,
              "the missing source counts as 4 GB in the progress figures, so the copy reaches 100 % at entry " +
                  std::to_string(n) + " and stops: " + lost);
      return;
    }
    ctx.Add(ctx.config, n <= listCount ? CopyListSectionOf(ctx, n) : Utf8(kSectionHelpFileList),
            n <= listCount ? std::to_string(n) : "", kError,
            std::string(wrappedAt ? "the progress arithmetic (bytes x 100 in 32 bits) wraps" : "the progress figures reach 100 %") +
                " at entry " + std::to_string(n) + " of " + std::to_string(count) + ", and the copy stops there: " + lost);
    return;
  }
  if (sum > UINT32_MAX)
    ctx.Add(ctx.config, Utf8(kSectionCopyList), "", kError,
            "the files add up to " + std::to_string(sum) + " bytes, more than the 32-bit progress total holds: it wraps");
  else if (wrappedAt)
    ctx.Add(ctx.config, CopyListSectionOf(ctx, wrappedAt), std::to_string(wrappedAt), kWarning,
            "from this entry on, bytes copied x 100 exceed 32 bits (" + std::to_string(sum) +
                " bytes in all): the progress bar's percentage wraps and jumps back");
}

// The file a model's picture is taken from: the Windows folder, else the package, whose copy
// list is taken to bring it there. Empty when neither has it.
std::u16string FindPicture(const char16_t* file) {
  char16_t windows[kTextSize];
  SysGetWindowsDirectory(windows, kTextSize);
  std::u16string path = Join(windows, file);
  if (SysGetFileAttributes(path.c_str()) != kInvalidAttributes) return path;
  for (const std::u16string& candidate : {Join(Join(g_Settings.SourceDir, g_Settings.SubFolder).c_str(), file),
                                          Join(g_Settings.SourceDir, file)})
    if (SysGetFileAttributes(candidate.c_str()) != kInvalidAttributes) return candidate;
  return u"";
}

// Checks one product list as the model page reads it. Returns the number of keys read.
int CheckProductList(CheckContext& ctx, const char16_t* section) {
  const std::string name = Utf8(section);
  int n = 1;
  for (;; ++n) {
    char16_t key[16], value[kTextSize];
    TextFormat(key, 16, u"%d", n);
    SysReadProfileString(section, key, u"", value, kTextSize, g_Settings.ConfigFile);
    if (!value[0]) return n - 1;
    char16_t file[kFieldSize], title[kFieldSize], number[kFieldSize], resource[kFieldSize];
    uint32_t at = ParseField(value, file);
    for (char16_t* field : {title, number, resource}) {
      if (value[at] == u',') ++at;
      at += ParseField(value + at, field);
    }
    file[kModelFieldSize - 1] = resource[kModelFieldSize - 1] = 0;  // what a model record keeps
    const std::u16string path = FindPicture(file);
    const std::string keyName = std::to_string(n);
    if (path.empty()) {
      ctx.Add(ctx.config, name, keyName, kError,
              "picture file " + Utf8(file) + " is not in the Windows folder nor in the package: the list ends here, "
              "this model and the later ones are not offered");
      return n - 1;
    }
    const long dot = TextFindChar(path.c_str(), u'.');
    if (dot >= 0 && TextEqualNoCase(path.c_str() + dot, kBundleExtension)) {
      GdiObject picture = LoadImgPicture(path.c_str(), 0);
      if (picture) SysDeleteObject(picture);
      else
        ctx.Add(ctx.config, name, keyName, kWarning,
                Utf8(file) + " holds no readable \"Mouse.bmp\": the model is offered without a picture");
      continue;
    }
    ModuleHandle library = SysLoadLibraryAsData(path.c_str());
    if (!library) {
      ctx.Add(ctx.config, name, keyName, kError,
              Utf8(file) + " is neither an .img bundle nor a resource library: the model is not offered");
      continue;
    }
    GdiObject picture = LoadResourcePicture(library, resource);
    if (picture) SysDeleteObject(picture);
    else
      ctx.Add(ctx.config, name, keyName, kWarning,
              Utf8(file) + " has no picture resource named " + Utf8(resource) + ": the model is offered without a picture");
    SysFreeLibrary(library);
  }
}

}  // namespace

void CheckNumberedSections(CheckContext& ctx) {
  const SettingsRecord& s = g_Settings;
  const NumberedList lists[] = {
      {kSectionCopyList, kSectionCopyListFallback, u"", kCopyEntryMax, false},
      {kSectionCreateFolder, nullptr, u"", kCreateFolderMax, false},
      {kSectionHelpFileList, nullptr, u"", kHelpFileMax, false},
      {kSectionCabList, nullptr, u"", 0, false},
      {kSectionCplRegistry, nullptr, u"", 0, false},
      {kSectionAddRegistry, nullptr, u"", 0, false},
      {kSectionAddChRegistry, nullptr, u"", 0, false},
      {kSectionAddRegistryPS2, nullptr, u"", 0, false},
      {kSectionRun, nullptr, u"", 0, false},
      {kSectionRunBT, nullptr, u"", 0, false},
      {kSectionRunPS2, nullptr, u"", 0, false},
      {kSectionRunPreload, nullptr, u"", 0, false},
      {kSectionRunAutoUpdate, nullptr, u"", 0, false},
      {kSectionKillWindow, nullptr, u"", 0, false},
      {kSectionProductListPS2Models, nullptr, u"", 0, false},
      {kSectionProductListBluetooth, nullptr, u"", 0, false},
      {kSectionProductListUSB, nullptr, u"", 0, false},
      {kSectionDPInstFalseList, nullptr, kListedDeviceKeyPrefix, 0, false},
      {s.USBInstallSection, nullptr, kUsbDeviceNameKey, kUsbListedDeviceMax, false},
      {s.USBInstallSection, nullptr, kUsbDeviceIdKey, kUsbListedDeviceMax, false},
      {kSectionStartVxD, nullptr, u"", 0, true},
      {kSectionStartMenu, nullptr, kKeyItemPrefix, 0, true},
      {kSectionBTStartMenu, nullptr, kKeyItemPrefix, 0, true},
      {kSectionWin8StartMenu, nullptr, kKeyItemPrefix, 0, true},
      {kSectionWin8BTStartMenu, nullptr, kKeyItemPrefix, 0, true},
      {kSectionChStartMenu, nullptr, kKeyItemPrefix, 0, true},
  };
  for (const NumberedList& list : lists)
    if (list.section[0]) CheckNumbered(ctx, list);
}

void CheckCopyList(CheckContext& ctx) {
  SettingsRecord& s = g_Settings;
  // The destination page's folder, as a run that shows it starts with.
  if (s.AskPath && !s.DestinationDir[0]) {
    char16_t windows[kTextSize];
    SysGetWindowsDirectory(windows, kTextSize);
    TextCopyN(s.DestinationDir, kTextSize, windows, 2);
    TextAppend(s.DestinationDir, s.DefaultDestination);
  }
  const int32_t helpSelected = s.HelpFilesListed ? HelpFileCount : 0;
  const int32_t count = BuildCopyList();
  const int32_t helpEntries = s.HelpFilesListed ? HelpFileCount : 0;
  const int32_t listCount = count - helpEntries;

  // Copy-list lines beyond the table are reported with the numbered sections; help files that
  // no longer fit are reported here.
  if (helpEntries < helpSelected)
    ctx.Add(ctx.config, Utf8(kSectionHelpFileList), "", kError,
            "the copy table holds " + std::to_string(kCopyEntryMax) + " entries: " +
                std::to_string(helpSelected - helpEntries) + " help file(s) after the copy list are never installed");
  for (const char16_t* section : {kSectionCopyList, kSectionCopyListFallback}) {
    const WrittenSection* written = ctx.config.Section(Utf8(section));
    if (!written) continue;
    for (const WrittenKey& e : written->entries)
      if (e.value.size() >= kCopyListValueSize)
        ctx.Add(ctx.config, written->name, e.key, kWarning,
                "the line has " + std::to_string(e.value.size()) + " characters: setup reads the first " +
                    std::to_string(kCopyListValueSize - 1));
  }
  CheckSources(ctx, listCount, count);
  if (!s.CabFile) CheckCopyWalk(ctx, listCount, count);
}

void CheckProductLists(CheckContext& ctx) {
  const SettingsRecord& s = g_Settings;
  if (!s.ChooseMouse) return;  // the model page is not shown
  const bool fixed = s.AskType == 0 && s.InstallAllType == 0;
  const WrittenKey* def = ctx.config.Entry(Utf8(kSectionProductListPS2), Utf8(kKeyDefaultModel));
  for (int32_t type : {kInterfacePS2, kInterfaceBluetooth, kInterfaceUSB}) {
    if (fixed && type != s.InterfaceType) continue;
    const char16_t* section = ProductListSection(type);
    if (!section || !ctx.config.Section(Utf8(section))) continue;
    const int models = CheckProductList(ctx, section);
    if (def && s.DefaultPS2Model > models)
      ctx.Add(ctx.config, Utf8(kSectionProductListPS2), def->key, kWarning,
              "Default=" + def->value + " is beyond the " + std::to_string(models) + " model(s) of [" + Utf8(section) +
                  "]: the model page preselects slot 0 instead");
  }
}

}  // namespace sim
