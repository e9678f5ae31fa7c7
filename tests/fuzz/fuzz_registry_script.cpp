// Fuzzer of the registry script: the input is the configuration file, whose [Add Registry]
// lines are applied to a fresh registry (percent names read its [Strings]). Whatever the lines
// wrote must export as .reg text that imports again.
#include "fuzz_machine.h"
#include "common/text.h"
#include "services/registry_script.h"

FUZZ_TARGET(data, size) {
  fuzz::ResetMachine();
  const std::u16string config = u"D:\\SETUP2K.INI";
  fuzz::WriteFile(config, data, size);
  TextCopy(g_Settings.ConfigFile, config.c_str());
  fuzz::Check(AddRegistrySection(config.c_str(), u"Add Registry") == 1, "section not walked");
  std::string error;
  fuzz::Check(sim::ImportRegText(sim::ExportRegText(), &error), "exported registry does not import: " + error);
}
