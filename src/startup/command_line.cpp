// Command-line switches and their effect on the settings record.
#include "startup/command_line.h"

#include "common/text.h"
#include "settings/settings.h"

SwitchSlot g_SwitchTable[kSwitchSlots];

namespace {

// Switch texts, without their slash.
const char16_t kSwitchHidden[] = u"H";
const char16_t kSwitchNoInf[] = u"NoInf";
const char16_t kSwitchSilent[] = u"S";
const char16_t kSwitchSetupNt[] = u"F";
const char16_t kSwitchNoRestart[] = u"NR";
const char16_t kSwitchTypePS2[] = u"TYPE:PS2";
const char16_t kSwitchTypeBT[] = u"TYPE:BT";
const char16_t kSwitchTypeUSB[] = u"TYPE:USB";
const char16_t kSwitchPreload[] = u"P";
const char16_t kSwitchTypeAll[] = u"TYPE:ALL";
const char16_t kSwitchProductName[] = u"U";
const char16_t kSwitchModelId[] = u"ID:";  // followed by the model number; capitals only
const char16_t kSwitchNoIcon[] = u"NI";

constexpr int32_t kModelIdFirst = 1;
constexpr int32_t kModelIdLast = 10;

// InfPath = SourceDir + "\" + name.
void SetInfPath(const char16_t* name) {
  TextCopy(g_Settings.InfPath, g_Settings.SourceDir);
  TextAppend(g_Settings.InfPath, u"\\");
  TextAppend(g_Settings.InfPath, name);
}

bool IsTypeSwitch(const char16_t* text) {
  return TextEqualNoCase(text, kSwitchTypePS2) || TextEqualNoCase(text, kSwitchTypeBT) ||
         TextEqualNoCase(text, kSwitchTypeUSB) || TextEqualNoCase(text, kSwitchTypeAll);
}

// The question pages that a run without questions must not show.
void ClearQuestions(bool alsoChooseMouse) {
  SettingsRecord& s = g_Settings;
  s.AskType = 0;
  s.AskPath = 0;
  s.AskMousePosition = 0;
  if (alsoChooseMouse) s.ChooseMouse = 0;
}

// Applies one switch by the first row it matches; an unknown switch changes nothing.
void ApplySwitch(const char16_t* text) {
  SettingsRecord& s = g_Settings;
  if (TextEqualNoCase(text, kSwitchHidden)) {
    s.HiddenMode = 1;
    s.SilentMode = 1;
    ClearQuestions(true);
  } else if (TextEqualNoCase(text, kSwitchNoInf)) {
    s.NoInfMode = 1;
    s.HiddenMode = 1;
    s.SilentMode = 1;
    ClearQuestions(false);
  } else if (TextEqualNoCase(text, kSwitchSilent)) {
    s.SilentMode = 1;
    ClearQuestions(true);
  } else if (TextEqualNoCase(text, kSwitchSetupNt)) {
    s.SilentMode = 1;
    s.UseSetupNtHelper = 1;
    s.NoRestart = 1;
    ClearQuestions(false);
  } else if (TextEqualNoCase(text, kSwitchNoRestart)) {
    s.NoRestart = 1;
  } else if (TextEqualNoCase(text, kSwitchTypePS2)) {
    s.InterfaceType = kInterfacePS2;
    s.CallConfigMg = 0;
    s.AskType = 0;
    s.InstallAllType = 0;
  } else if (TextEqualNoCase(text, kSwitchTypeBT)) {
    s.InterfaceType = kInterfaceBluetooth;
    if (s.BTInf[0]) SetInfPath(s.BTInf);
    s.AskType = 0;
    s.InstallAllType = 0;
  } else if (TextEqualNoCase(text, kSwitchTypeUSB)) {
    s.InterfaceType = kInterfaceUSB;
    if (s.USBInf[0]) SetInfPath(s.USBInf);
    s.Restart = 0;
    s.AskType = 0;
    s.InstallAllType = 0;
  } else if (TextEqualNoCase(text, kSwitchPreload)) {
    s.PreloadMode = 1;
    s.Restart = 0;
    s.AskType = 0;
    s.InstallAllType = 0;
  } else if (TextEqualNoCase(text, kSwitchTypeAll)) {
    s.InterfaceType = kInterfaceAll;
    s.InstallAllType = 1;
    s.Restart = 0;
    s.AskType = 0;
  } else if (TextEqualNoCase(text, kSwitchProductName)) {
    s.PS2DriverNameIsProductName = 1;
  } else if (text[0] == kSwitchModelId[0] && text[1] == kSwitchModelId[1] && text[2] == kSwitchModelId[2]) {
    int32_t n = TextToInt(text + 3);
    if (n >= kModelIdFirst && n <= kModelIdLast) {
      s.ModelId = n;
      s.ModelIdGiven = n;
      s.AskType = 0;
      s.ChooseMouse = 1;
    } else {
      s.ModelIdGiven = 0;
    }
  } else if (TextEqualNoCase(text, kSwitchNoIcon)) {
    s.ShowTaskBarIcon = 0;
  }
}

}  // namespace

int SplitCommandLine(const char16_t* commandLine, SwitchSlot* table) {
  for (int i = 0; i < kSwitchSlots; ++i) table[i][0] = 0;
  int slot = -1;  // no switch open before the first '/'
  uint32_t length = 0;
  for (const char16_t* p = commandLine; p && *p; ++p) {
    if (*p == u'/') {
      ++slot;
      length = 0;
      continue;
    }
    if (*p == u' ') continue;
    if (slot < 0 || slot >= kSwitchSlots || length + 1 >= kSwitchSize) continue;
    table[slot][length++] = *p;
    table[slot][length] = 0;
  }
  return slot + 1 < kSwitchSlots ? slot + 1 : kSwitchSlots;
}

int PrescanSwitches(SwitchSlot const* table) {
  SettingsRecord& s = g_Settings;
  for (int i = 0; i < kSwitchSlots && table[i][0]; ++i) {
    if (TextEqualNoCase(table[i], kSwitchSilent)) s.SilentSwitchSeen = 1;
    if (IsTypeSwitch(table[i])) s.TypeSwitchSeen = 1;
  }
  return (s.TypeSwitchSeen == 0 && s.SilentSwitchSeen == 1 && s.AskType != 0) ? 0 : 1;
}

void ApplySwitches(SwitchSlot const* table) {
  for (int i = 0; i < kSwitchSlots && table[i][0]; ++i) ApplySwitch(table[i]);
}

int HasUnattendedSwitch(SwitchSlot const* table) {
  for (int i = 0; i < kSwitchSlots && table[i][0]; ++i) {
    const char16_t* text = table[i];
    if (TextEqualNoCase(text, kSwitchSilent) || TextEqualNoCase(text, kSwitchHidden) ||
        TextEqualNoCase(text, kSwitchSetupNt) || TextEqualNoCase(text, kSwitchNoInf))
      return 1;
  }
  return 0;
}
