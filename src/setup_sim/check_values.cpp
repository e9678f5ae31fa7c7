// Package check, values: the start-up keys (boolean texts, the sections they are read from,
// lengths), percent names without a value, versions that compare differently as text than as
// numbers, the files the start-up keys name, and the language file.
#include <cctype>
#include <cstdint>
#include <set>

#include "common/text.h"
#include "conflicts/conflict_keys.h"
#include "files/files_keys.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/sim/machine/machine.h"
#include "registration/registration_keys.h"
#include "setup_sim/check_ini.h"
#include "shared/path_macros.h"
#include "settings/config_keys.h"
#include "startup/config_loader.h"
#include "startup/language.h"
#include "settings/settings.h"

namespace sim {

namespace {

const CheckSeverity kError = CheckSeverity::kError;
const CheckSeverity kWarning = CheckSeverity::kWarning;

// Words that authors write for on and off, beyond the forms setup reads.
const char* const kWordsOn[] = {"yes", "y", "on", "1", "enable", "enabled", "true"};
const char* const kWordsOff[] = {"no", "n", "off", "0", "disable", "disabled", "false"};

// 1 when text means on, 0 when it means off, -1 when it says neither.
int Meaning(const std::string& text) {
  for (const char* word : kWordsOn)
    if (SameNoCase(text, word)) return 1;
  for (const char* word : kWordsOff)
    if (SameNoCase(text, word)) return 0;
  return -1;
}

// Whether the form reads text exactly as written: "TRUE" and "FALSE" always, "1" for form T1.
bool FormAccepts(ConfigForm form, const std::string& text) {
  if (SameNoCase(text, "TRUE") || SameNoCase(text, "FALSE")) return true;
  return form == kFormT1 && text == "1";
}

const char* FormName(ConfigForm form) {
  switch (form) {
    case kFormF:
      return "on unless \"FALSE\"";
    case kFormT1:
      return "on only for \"TRUE\" or \"1\"";
    default:
      return "on only for \"TRUE\"";
  }
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Checks where a start-up key is written against where the loader reads it.
void CheckPlace(CheckContext& ctx, const ConfigKeyRule& rule) {
  const std::string key = Utf8(rule.key);
  const std::string install = Utf8(kSectionInstall), def = Utf8(kSectionDefault);
  const WrittenKey* inInstall = ctx.config.Entry(install, key);
  const WrittenKey* inDefault = ctx.config.Entry(def, key);
  const std::string fallback = rule.fallback ? Quoted(Utf8(rule.fallback)) : "its built-in value";
  switch (rule.place) {
    case kPlaceInstall:
      if (inDefault && !inInstall)
        ctx.Add(ctx.config, def, key, kError, "setup reads " + key + " from [Install] only: this value is never read, " + fallback + " is used");
      break;
    case kPlaceDefault:
      if (inInstall && !inDefault)
        ctx.Add(ctx.config, install, key, kError, "setup reads " + key + " from [Default] only: this value is never read, " + fallback + " is used");
      break;
    case kPlaceDefaultThenInstall:
      if (inDefault && inInstall && !inDefault->value.empty() && !SameNoCase(inDefault->value, inInstall->value))
        ctx.Add(ctx.config, install, key, kWarning, "[Default] " + key + "=" + inDefault->value + " is read first: this value is never read");
      break;
    case kPlaceInstallThenDefault:
      if (inDefault && !inInstall)
        ctx.Add(ctx.config, def, key, kError, "setup reads [Default] " + key + " only when [Install] holds the key with an empty value: this value is never read, " + fallback + " is used");
      else if (inDefault && inInstall && !inInstall->value.empty() && !SameNoCase(inDefault->value, inInstall->value))
        ctx.Add(ctx.config, def, key, kWarning, "[Install] " + key + "=" + inInstall->value + " is read first: this value is never read");
      break;
    case kPlaceProductListPS2: {
      const WrittenKey* stray = inInstall ? inInstall : inDefault;
      if (stray && !ctx.config.Entry(Utf8(kSectionProductListPS2), key))
        ctx.Add(ctx.config, inInstall ? install : def, key, kError, "setup reads " + key + " from [" + Utf8(kSectionProductListPS2) + "] only: this value is never read");
      break;
    }
  }
}

// The section whose value the loader takes for a key written in the file (empty when none).
std::string SectionRead(const CheckContext& ctx, const ConfigKeyRule& rule) {
  const std::string key = Utf8(rule.key), install = Utf8(kSectionInstall), def = Utf8(kSectionDefault);
  const WrittenKey* inInstall = ctx.config.Entry(install, key);
  const WrittenKey* inDefault = ctx.config.Entry(def, key);
  switch (rule.place) {
    case kPlaceInstall:
      return inInstall ? install : "";
    case kPlaceDefault:
      return inDefault ? def : "";
    case kPlaceDefaultThenInstall:
      return inDefault && !inDefault->value.empty() ? def : inInstall ? install : "";
    case kPlaceInstallThenDefault:
      return inInstall && inInstall->value.empty() && inDefault ? def : inInstall ? install : "";
    case kPlaceProductListPS2:
      return ctx.config.Entry(Utf8(kSectionProductListPS2), key) ? Utf8(kSectionProductListPS2) : "";
  }
  return "";
}

// Installed value of the product's registry key; false when there is none.
bool InstalledValue(const char16_t* name, std::u16string* out) {
  RegKey key = nullptr;
  if (SysRegOpenKey(kRegLocalMachine, kRegPathProduct, kKeyRead, &key) != 0) return false;
  char16_t value[kTextSize + 1] = {};
  uint32_t type = 0, size = kTextSize * sizeof(char16_t);
  const bool ok = SysRegQueryValue(key, name, &type, reinterpret_cast<uint8_t*>(value), &size) == 0;
  SysRegCloseKey(key);
  if (ok) *out = value;
  return ok;
}

// Compares dotted versions by their numbers: -1, 0 or 1.
int CompareAsNumbers(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    unsigned long long x = 0, y = 0;
    while (i < a.size() && a[i] != '.') x = x * 10 + (a[i] >= '0' && a[i] <= '9' ? a[i] - '0' : 0), ++i;
    while (j < b.size() && b[j] != '.') y = y * 10 + (b[j] >= '0' && b[j] <= '9' ? b[j] - '0' : 0), ++j;
    if (x != y) return x < y ? -1 : 1;
    ++i, ++j;
  }
  return 0;
}

int Sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

// A part of a version written with more than one digit and no leading zero: some earlier
// version (4.9 for 4.10) compares above it as text.
bool HasWidePart(const std::string& version) {
  size_t start = 0;
  while (start <= version.size()) {
    size_t end = version.find('.', start);
    if (end == std::string::npos) end = version.size();
    if (end - start >= 2 && version[start] >= '1' && version[start] <= '9') return true;
    start = end + 1;
  }
  return false;
}

// Compares a version of the package with the installed one.
void CompareVersion(CheckContext& ctx, const char16_t* key, const char16_t* package, const char16_t* installedName) {
  std::u16string installed;
  const std::string name = Utf8(key), ours = Utf8(package);
  if (!InstalledValue(installedName, &installed)) {
    if (key == kKeyVersion && HasWidePart(ours))
      ctx.Add(ctx.config, Utf8(kSectionInstall), name, kWarning,
              "setup compares versions as text: an installed older version whose part has fewer digits (such as 9 "
              "against 10) counts as newer than " + ours + ", and setup refuses to install over it");
    return;
  }
  const std::string theirs = ToUtf8(installed);
  const int asText = Sign(TextCompareNoCase(package, installed.c_str()));
  const int asNumbers = CompareAsNumbers(ours, theirs);
  if (asText == asNumbers) return;
  const char* words[] = {"older than", "the same as", "newer than"};
  ctx.Add(ctx.config, Utf8(kSectionInstall), name, kError,
          "setup compares versions as text: " + ours + " counts as " + words[asText + 1] + " the installed " + theirs +
              " (as numbers it is " + words[asNumbers + 1] + " it)");
}

// Whether a file of the package (SourceDir + "\" + name) exists.
bool InPackage(const char16_t* name) {
  char16_t path[2 * kTextSize];
  TextCopy(path, 2 * kTextSize, g_Settings.SourceDir);
  TextAppend(path, 2 * kTextSize, u"\\");
  TextAppend(path, 2 * kTextSize, name);
  return name[0] && SysPathExists(path);
}

// Percent names of a value outside quotes, up to the end or the comma count given (-1: all).
std::vector<std::string> PercentNames(const std::string& value, int fields) {
  std::vector<std::string> names;
  bool quoted = false;
  int commas = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == ',' && fields >= 0 && ++commas >= fields) break;
    if (c != '%') continue;
    const size_t close = value.find('%', i + 1);
    if (close == std::string::npos) break;
    names.push_back(value.substr(i + 1, close - i - 1));
    i = close;
  }
  return names;
}

// Reports the percent names of every value of a section that expand to nothing.
void CheckSectionMacros(CheckContext& ctx, const WrittenIni& file, const char16_t* section, int fields) {
  const WrittenSection* s = file.Section(Utf8(section));
  if (!s) return;
  for (const WrittenKey& e : s->entries) {
    for (const std::string& name : PercentNames(e.value, fields)) {
      char16_t value[kFieldSize];
      if (name.empty() || ExpandMacroName(FromUtf8(name).c_str(), value, kFieldSize) > 0) continue;
      ctx.Add(file, s->name, e.key, kError,
              "%" + name + "% has no value (not a built-in name, not in [" + Utf8(kSectionStrings) +
                  "]): setup puts nothing in its place");
    }
  }
}

}  // namespace

void CheckStartupKeys(CheckContext& ctx) {
  for (const ConfigKeyRule& rule : kStartupKeyRules) {
    CheckPlace(ctx, rule);
    const std::string section = SectionRead(ctx, rule);
    if (section.empty()) continue;
    const std::string key = Utf8(rule.key);
    const std::string value = ctx.config.Entry(section, key)->value;
    if (value.size() >= kTextSize)
      ctx.Add(ctx.config, section, key, kWarning,
              "the value has " + std::to_string(value.size()) + " characters: setup keeps the first " +
                  std::to_string(kTextSize - 1));
    if (rule.form == kFormText || value.empty() || FormAccepts(rule.form, value)) continue;
    const int on = ConfigFlagOn(rule.form, FromUtf8(value).c_str());
    const int meant = Meaning(value);
    const std::string read = on ? "on" : "off";
    if (meant >= 0 && meant != on)
      ctx.Add(ctx.config, section, key, kError,
              Quoted(value) + " is read as " + read + " (" + key + " is " + FormName(rule.form) + ")");
    else
      ctx.Add(ctx.config, section, key, kWarning,
              Quoted(value) + " is not a form setup reads for " + key + " (" + FormName(rule.form) + "): it is read as " + read);
  }
}

void CheckMacros(CheckContext& ctx) {
  // The copy list's destination (field 4) is taken raw; its forms are not percent names.
  CheckSectionMacros(ctx, ctx.config, kSectionCopyList, 3);
  CheckSectionMacros(ctx, ctx.config, kSectionCopyListFallback, 3);
  for (const char16_t* section : {kSectionCplRegistry, kSectionAddRegistry, kSectionAddChRegistry, kSectionAddRegistryPS2})
    CheckSectionMacros(ctx, ctx.config, section, -1);
  // The loader expands Version and SubVersion only when one of them ends with a percent name,
  // and keeps the text as read when the expansion is empty.
  const SettingsRecord& s = g_Settings;
  for (const char16_t* key : {kKeyVersion, kKeySubVersion}) {
    const std::string value = Utf8(key == kKeyVersion ? s.Version : s.SubVersion);
    if (PercentNames(value, -1).empty()) continue;
    ctx.Add(ctx.config, Utf8(kSectionInstall), Utf8(key), kError,
            "the percent name is not expanded: setup takes the text " + Quoted(value) + " as the version");
  }
}

void CheckVersions(CheckContext& ctx) {
  const SettingsRecord& s = g_Settings;
  CompareVersion(ctx, kKeyVersion, s.Version, kRegValueInstalledVersion);
  std::u16string installed;
  if (s.CompareSubVer && InstalledValue(kRegValueInstalledVersion, &installed) && TextEqualNoCase(s.Version, installed.c_str()))
    CompareVersion(ctx, kKeySubVersion, s.SubVersion, kRegValueInstalledSubVersion);
}

void CheckPackageFiles(CheckContext& ctx) {
  const SettingsRecord& s = g_Settings;
  const std::string install = Utf8(kSectionInstall);
  const struct {
    const char16_t* key;
    const char16_t* value;
    const char* effect;
  } infs[] = {
      {kKeyInfFile, s.InfFile, "the interface page hides the PS/2 choice, and a PS/2 installation has no driver INF"},
      {kKeyUSBInf, s.USBInf, "the interface page hides the USB choice, and a USB installation has no driver INF"},
      {kKeyBTInf, s.BTInf, "the interface page hides the Bluetooth choice, and a Bluetooth installation has no driver INF"},
  };
  for (const auto& inf : infs) {
    const ConfigKeyRule* rule = FindConfigKeyRule(inf.key);
    if (!inf.value[0] || InPackage(inf.value) || !rule || SectionRead(ctx, *rule).empty()) continue;
    ctx.Add(ctx.config, SectionRead(ctx, *rule), Utf8(inf.key), kError,
            Utf8(inf.value) + " is not in the package: " + inf.effect);
  }
  if (s.USBInstallSection[0] && !ctx.config.Section(Utf8(s.USBInstallSection)))
    ctx.Add(ctx.config, install, Utf8(kKeyUSBInstallSection), kError,
            "section [" + Utf8(s.USBInstallSection) + "] is not in the file: no USB device is listed, so none gets the driver");
  if (s.CabFile) {
    const ConfigKeyRule* rule = FindConfigKeyRule(kKeyCabFileName);
    std::string section = rule ? SectionRead(ctx, *rule) : "";
    if (section.empty()) section = SectionRead(ctx, *FindConfigKeyRule(kKeyCabFile));
    if (!s.CabFileName[0])
      ctx.Add(ctx.config, section, Utf8(kKeyCabFile), kError, "CabFile is on but CabFileName is empty: setup says it failed and installs nothing");
    else if (!InPackage(s.CabFileName))
      ctx.Add(ctx.config, section, Utf8(kKeyCabFileName), kError,
              Utf8(s.CabFileName) + " is not in the package: with CabFile on, setup says it failed and installs nothing");
  }
}

void CheckLanguageFile(CheckContext& ctx) {
  const WrittenIni& ini = ctx.language;
  if (!ini.present) return;
  const std::string languageSection = Utf8(kSectionLanguage);
  std::set<std::string> all;
  std::vector<const WrittenSection*> languages;
  for (const WrittenSection& s : ini.sections) {
    if (SameNoCase(s.name, languageSection) || ini.Section(s.name) != &s) continue;
    languages.push_back(&s);
    for (const WrittenKey& e : s.entries) all.insert(Upper(e.key));
  }
  for (const WrittenSection* s : languages) {
    std::string missing;
    int count = 0;
    for (const std::string& key : all) {
      if (ini.Entry(s->name, key)) continue;
      if (++count <= 5) missing += (missing.empty() ? "" : ", ") + key;
    }
    if (count)
      ctx.Add(ini, s->name, "", kWarning,
              std::to_string(count) + " text(s) that another language has are missing (" + missing +
                  (count > 5 ? ", ..." : "") + "): users of this language see the built-in English texts there");
  }
  const WrittenKey* id = ini.Entry(languageSection, Utf8(kKeyLanguageId));
  if (!id) return;
  char16_t file[2 * kTextSize];
  TextCopy(file, 2 * kTextSize, g_Settings.SourceDir);
  TextAppend(file, 2 * kTextSize, u"\\");
  TextAppend(file, 2 * kTextSize, kFileLanguage);
  const uint32_t value = SysReadProfileInt(kSectionLanguage, kKeyLanguageId, 0, file);
  if (value == 0) return;
  const char16_t* name = ListedLanguageName(value);
  if (!name)
    ctx.Add(ini, languageSection, id->key, kWarning,
            "language id " + id->value + " is not one setup knows: it uses the [ENGLISH] section");
  else if (!ini.Section(Utf8(name)))
    ctx.Add(ini, languageSection, id->key, kWarning,
            "language id " + id->value + " selects [" + Utf8(name) + "], which the file does not have: the built-in English texts are shown");
}

}  // namespace sim
