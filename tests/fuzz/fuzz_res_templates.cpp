// Fuzzer of compiled resource files and the window manager's dialog template reader: the input
// is read as a .res file (every record must lie inside it; its dialogs are read as templates and
// its string tables entry by entry) and, as a whole, as one dialog template.
#include "fuzz_machine.h"
#include "platform/sim/kernel/res_file.h"
#include "platform/sim/ui/dialog_template.h"

FUZZ_TARGET(data, size) {
  sim::DialogTemplate dialog;
  std::string error;
  if (!sim::ParseDialogTemplate(data, size, &dialog, &error)) fuzz::Check(!error.empty(), "refused without a reason");
  for (const sim::DialogControlTemplate& control : dialog.controls) {
    sim::DialogUnitsToPixelsX(control.x + control.cx);
    sim::DialogUnitsToPixelsY(control.y + control.cy);
  }

  std::vector<sim::ResEntry> entries;
  sim::ParseResFile(data, size, &entries);
  for (const sim::ResEntry& entry : entries) {
    fuzz::Check(entry.offset <= size && entry.size <= size - entry.offset, "resource record outside the file");
    if (!entry.type.isNumber || !entry.name.isNumber) continue;
    if (entry.type.number == sim::kResTypeDialog) {
      sim::DialogTemplate loaded;
      sim::LoadDialogTemplate(data, size, entry.name.number, entry.language, &loaded);
      sim::ParseDialogTemplate(data + entry.offset, entry.size, &loaded);
    } else if (entry.type.number == sim::kResTypeString) {
      std::u16string text;
      for (uint32_t i = 0; i < 16; ++i)
        sim::LoadResString(data, size, (entry.name.number - 1u) * 16 + i, entry.language, &text);
    }
  }
  std::u16string text;
  sim::LoadResString(data, size, 0xFFFFFFFFu, sim::kResAnyLanguage, &text);
  const uint8_t* found = nullptr;
  uint32_t foundSize = 0;
  if (sim::FindRes(data, size, sim::ResText(u"2dMouse"), sim::ResNumber(1), 0, &found, &foundSize))
    fuzz::Check(found >= data && foundSize <= size - (found - data), "found resource outside the file");
}
