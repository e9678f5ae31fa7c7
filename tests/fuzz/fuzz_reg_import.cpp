// Fuzzer of .reg import: the input is merged into a fresh registry; when it is accepted, its
// export imported into another fresh registry must export to the very same text.
#include "fuzz_machine.h"

FUZZ_TARGET(data, size) {
  fuzz::ResetMachine();
  std::string error;
  if (!sim::ImportRegText(fuzz::Bytes(data, size), &error)) {
    fuzz::Check(!error.empty(), "refused without a reason");
    return;
  }
  const std::string exported = sim::ExportRegText();
  fuzz::ResetMachine();
  fuzz::Check(sim::ImportRegText(exported, &error), "export does not import: " + error);
  fuzz::Check(sim::ExportRegText() == exported, "export, import and export again give another text");
}
