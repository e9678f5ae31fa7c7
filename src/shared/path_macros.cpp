// Field reader and percent macros of configuration lines, and the program destination.
#include "shared/path_macros.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "settings/config_keys.h"
#include "settings/settings.h"

char16_t g_szProgramFileDest[kFieldSize];

uint32_t ParseField(const char16_t* text, char16_t* out) { return ParseFieldN(text, out, kFieldSize); }

uint32_t ParseFieldN(const char16_t* text, char16_t* out, uint32_t cap) {
  if (!out || cap == 0) return 0;
  uint32_t n = 0;  // characters in out
  out[0] = 0;
  if (!text) return 0;
  // Keeps one character while there is room; the rest of the field is still read.
  auto put = [&](char16_t c) {
    if (n + 1 < cap) out[n++] = c;
  };

  uint32_t i = 0;
  while (text[i] == u' ' || text[i] == u'\t') ++i;
  for (;;) {
    char16_t c = text[i];
    if (c == 0 || c == u',') break;
    if (c == u'"') {
      // Quoted: everything up to the closing quote is literal; an unclosed quote runs to the end.
      for (++i; text[i] && text[i] != u'"'; ++i) put(text[i]);
      if (!text[i]) break;
      ++i;
      continue;
    }
    if (c == u'%') {
      char16_t name[kMacroNameSize];
      uint32_t length = 0;
      for (++i; text[i] && text[i] != u'%'; ++i)
        if (length + 1 < kMacroNameSize) name[length++] = text[i];
      if (!text[i]) break;  // unclosed: the unfinished name is dropped
      ++i;
      name[length] = 0;
      out[n] = 0;
      n += ExpandMacroName(name, out + n, cap - n);
      continue;
    }
    put(c);
    ++i;
  }
  out[n] = 0;
  return i;
}

uint32_t ExpandMacroName(const char16_t* name, char16_t* out, uint32_t cap) {
  if (!name || !name[0] || !out || cap == 0) return 0;
  const SettingsRecord& s = g_Settings;
  char16_t value[kFieldSize];
  value[0] = 0;
  if (TextEqual(name, kMacroSystemDir)) {
    if (!SysGetSystemDirectory(value, kFieldSize)) value[0] = 0;
  } else if (TextEqual(name, kMacroWindowsDir)) {
    if (!SysGetWindowsDirectory(value, kFieldSize)) value[0] = 0;
  } else if (TextEqual(name, kMacroDefaultAppPath)) {
    TextCopy(value, s.DefaultAppPath);
  } else if (TextEqual(name, kMacroSystemRoot)) {
    if (!SysGetSystemDirectory(value, kFieldSize)) value[0] = 0;
  } else if (TextEqualNoCase(name, kMacroProgramFiles) || TextEqualNoCase(name, kMacroLocation)) {
    TextCopy(value, s.AskPath ? s.DestinationDir : g_szProgramFileDest);
  } else {
    SysReadProfileString(kSectionStrings, name, u"", value, kFieldSize, s.ConfigFile);
  }
  if (!value[0]) return 0;
  return static_cast<uint32_t>(TextCopy(out, cap, value));
}

int ComposeProgramFileDest() {
  const char16_t* file = g_Settings.ConfigFile;
  char16_t part[kFieldSize];
  SysReadProfileString(kSectionStrings, kStringsKeyProgramFiles, u"", part, kFieldSize, file);
  if (!part[0]) {
    char16_t provider[kFieldSize], title[kFieldSize];
    SysReadProfileString(kSectionInstall, kKeyProvider, u"", provider, kFieldSize, file);
    SysReadProfileString(kSectionInstall, kKeyTitle, u"", title, kFieldSize, file);
    TextCopy(part, provider);
    TextAppend(part, u"\\");
    TextAppend(part, title);
  }

  char16_t folder[260];
  g_szProgramFileDest[0] = 0;
  if (!SysGetFolderPath(kFolderProgramFiles, folder) || !folder[0]) return 0;
  TextCopy(g_szProgramFileDest, folder);
  TextAppend(g_szProgramFileDest, u"\\");
  TextAppend(g_szProgramFileDest, part);
  return 1;
}

uint32_t ExpandConfigValue(const char16_t* value, char16_t* out) {
  ParseField(value, out);
  return static_cast<uint32_t>(TextLength(out));
}
