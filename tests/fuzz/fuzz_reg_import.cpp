// Fuzzer of .reg import: the input is merged into a fresh registry; when it is accepted, its
// export imported into another fresh registry must export to the very same text.
#include "fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ResetMachine();
  std::string error;
  if (!sim::ImportRegText(fuzz::Bytes(data, size), &error)) {
    fuzz::Check(!error.empty(), "refused without a reason");
    return 0;
  }
  const std::string exported = sim::ExportRegText();
  fuzz::ResetMachine();
  fuzz::Check(sim::ImportRegText(exported, &error), "export does not import: " + error);
  fuzz::Check(sim::ExportRegText() == exported, "export, import and export again give another text");
  fuzz::EndInput();
  return 0;
}
