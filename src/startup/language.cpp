// Language selection from install.ini or the thread's locale.
#include "startup/language.h"

#include "common/text.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "settings/config_keys.h"
#include "settings/settings.h"

namespace {

struct LanguageEntry {
  uint32_t id;
  const char16_t* name;
};

// Section names of install.ini per Windows language id. Spanish has a range of its own (below).
const LanguageEntry kLanguageTable[] = {
    {0x0404, u"TAIWAN"},     {0x0C04, u"TAIWAN"},        {0x0405, u"CZECH"},      {0x0406, u"DANISH"},
    {0x0407, u"GERMAN"},     {0x0408, u"GREEK"},         {0x0409, u"ENGLISH"},    {0x040A, u"SPANISH"},
    {0x040B, u"FINNISH"},    {0x040C, u"FRENCH"},        {0x080C, u"FRENCH"},     {0x0C0C, u"FRENCH"},
    {0x100C, u"FRENCH"},     {0x140C, u"FRENCH"},        {0x040E, u"HUNGARY"},    {0x0410, u"ITALIAN"},
    {0x0810, u"ITALIAN"},    {0x0411, u"JAPANESE"},      {0x0412, u"KOREAN"},     {0x0413, u"DUTCH"},
    {0x0813, u"DUTCH"},      {0x0414, u"NORWEGIAN"},     {0x0814, u"NORWEGIAN"},  {0x0415, u"POLISH"},
    {0x0416, u"BR-PORTUGUESE"}, {0x0816, u"PORTUGUESE"}, {0x0419, u"RUSSIA"},     {0x041B, u"SLOVAK"},
    {0x041D, u"SWEDISH"},    {0x081D, u"SWEDISH"},       {0x041F, u"TURKISH"},    {0x0424, u"SLOVENIAN"},
    {0x0425, u"ESTONIAN"},   {0x0426, u"LATVIAN"},       {0x0427, u"LITHUANIAN"}, {0x0804, u"CHINESE"},
};

constexpr uint32_t kLangEnglishUS = 0x0409;
constexpr uint32_t kLangChinesePRC = 0x0804;
const char16_t kSuffixEnglish[] = u" Setup";
const char16_t kSuffixChinese[] = u"\u5B89\u88C5";

}  // namespace

const char16_t* ListedLanguageName(uint32_t id) {
  for (const LanguageEntry& entry : kLanguageTable)
    if (entry.id == id) return entry.name;
  // The Spanish sub-languages 0x080A to 0x500A, one every 0x400.
  if (id >= 0x080A && id <= 0x500A && (id & 0x3FF) == 0x0A) return u"SPANISH";
  return nullptr;
}

void SelectLanguage() {
  // install.ini lies in the folder of the program file.
  char16_t file[260] = {};
  SysGetModulePath(file, 260);
  long cut = TextFindLastChar(file, u'\\');
  file[cut + 1] = 0;
  TextAppend(file, kFileLanguage);

  uint32_t id = SysReadProfileInt(kSectionLanguage, kKeyLanguageId, 0, file);
  if (id == 0) id = SysGetThreadLocale();

  const char16_t* name = ListedLanguageName(id);
  TextCopy(g_Settings.LanguageName, name ? name : u"ENGLISH");
  if (id == kLangEnglishUS) {
    TextCopy(g_Settings.TitleSuffix, kSuffixEnglish);
  } else if (id == kLangChinesePRC && g_Settings.Especial != 0) {
    TextCopy(g_Settings.TitleSuffix, kSuffixChinese);
  }
}
