// Fuzzer of the field reader and percent expansion. The input's first line is a configuration
// value; the whole input is also the configuration file whose [Strings] the percent names read.
// The value is cut into fields as the readers of comma lists do, with the full field size and
// with a small capacity taken from the input, and every output is checked for its terminator.
#include "fuzz_machine.h"
#include "common/text.h"
#include "shared/path_macros.h"

FUZZ_TARGET(data, size) {
  const std::u16string config = u"D:\\SETUP2K.INI";
  fuzz::WriteFile(config, data, size);
  TextCopy(g_Settings.ConfigFile, config.c_str());
  g_Settings.AskPath = size > 0 && data[0] & 1;
  TextCopy(g_Settings.DestinationDir, u"C:\\Program Files\\Norvik\\Glidewave");

  ComposeProgramFileDest();
  fuzz::Check(fuzz::Terminated(g_szProgramFileDest), "program destination without a terminator");

  const std::u16string text = fuzz::Text(data, size);
  const std::u16string value = text.substr(0, text.find_first_of(u"\r\n"));
  const uint32_t smallCap = size > 1 ? 1 + data[1] % 40 : 1;
  for (size_t at = 0;;) {
    fuzz::Guarded<char16_t> field(kFieldSize), small(smallCap);
    const uint32_t stop = ParseField(value.c_str() + at, field.data());
    field.Check("field");
    fuzz::Check(at + stop <= value.size(), "field reader stopped past the text");
    fuzz::Check(ParseFieldN(value.c_str() + at, small.data(), small.capacity()) == stop, "stop differs by capacity");
    small.Check("small field");
    if (at + stop >= value.size()) break;
    at += stop + 1;
  }

  fuzz::Guarded<char16_t> expanded(kFieldSize), name(kMacroNameSize), macro(smallCap);
  ExpandConfigValue(value.c_str(), expanded.data());
  expanded.Check("expanded value");
  TextCopy(name.data(), name.capacity(), value.c_str());
  const uint32_t length = ExpandMacroName(name.data(), macro.data(), macro.capacity());
  fuzz::Check(length < smallCap && (length == 0 || macro.Check("macro value") == length), "macro length");
}
