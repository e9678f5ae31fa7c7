// Fuzzer of the command line: the ANSI text converted as start-up converts it, split into the
// switch table, pre-scanned and applied to the settings record.
#include "fuzz_machine.h"
#include "common/text.h"
#include "platform/kernel.h"
#include "startup/command_line.h"

FUZZ_TARGET(data, size) {
  // Long folder and INF names, so that the switches that compose InfPath meet full fields.
  for (char16_t* field : {g_Settings.SourceDir, g_Settings.BTInf, g_Settings.USBInf, g_Settings.InfFile}) {
    for (int i = 0; i < kTextSize - 1; ++i) field[i] = u'a' + i % 26;
    field[kTextSize - 1] = 0;
  }

  const std::string ansi = fuzz::Bytes(data, size);  // a zero byte ends the text, as in WinMain
  fuzz::Guarded<char16_t> line(kCommandLineSize);
  SysAnsiToWide(ansi.c_str(), line.data(), line.capacity());
  line.Check("converted command line");

  fuzz::Guarded<char16_t> table(kSwitchSlots * kSwitchSize);
  SwitchSlot* slots = reinterpret_cast<SwitchSlot*>(table.data());
  const int opened = SplitCommandLine(line.data(), slots);
  fuzz::Check(opened >= 0 && opened <= kSwitchSlots, "switch count out of range");
  table.Check("switch table", false);
  for (int i = 0; i < kSwitchSlots; ++i) {
    bool terminated = false;
    for (uint32_t j = 0; j < kSwitchSize && !terminated; ++j) terminated = slots[i][j] == 0;
    fuzz::Check(terminated, "switch slot without a terminator");
  }

  const int32_t modelBefore = g_Settings.ModelId;
  PrescanSwitches(slots);
  HasUnattendedSwitch(slots);
  ApplySwitches(slots);
  fuzz::Check(fuzz::Terminated(g_Settings.InfPath), "InfPath without a terminator");
  fuzz::Check(g_Settings.ModelId == modelBefore || (g_Settings.ModelId >= 1 && g_Settings.ModelId <= 10),
              "ModelId out of range");
}
