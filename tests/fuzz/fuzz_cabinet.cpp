// Fuzzer of cabinets: the input is a cabinet in the package folder, walked by the simulated
// cabinet iterator (libmspack) twice, as setup walks its cabinets: the package cabinet into the
// temporary extraction folder, and as a [Cab.list] cabinet, whose names may carry folders,
// into a destination folder. Extracted files are removed after each input.
#include <filesystem>

#include "fuzz_machine.h"
#include "common/text.h"
#include "files/cabinet_extract.h"
#include "files/copy_list.h"
#include "files/copy_state.h"

FUZZ_TARGET(data, size) {
  fuzz::WriteFile(u"D:\\Install.cab", data, size);
  fuzz::WriteFile(u"D:\\SETUP2K.INI", "[Cab.list]\r\n1=Install.cab,Sub,,C:\\CabOut\r\n");
  fuzz::WriteFile(u"C:\\CabOut\\Sub\\keep", "");
  fuzz::WriteFile(u"C:\\Temp\\gw\\keep", "");
  TextCopy(g_Settings.SourceDir, u"D:");
  TextCopy(g_Settings.ConfigFile, u"D:\\SETUP2K.INI");
  TextCopy(TempExtractDir, u"C:\\Temp\\gw");
  CopyEntryCount = 1;
  TextCopy(CopyTable[1].FileName, u"a.txt");

  ExtractCabinet(u"D:\\Install.cab");
  ExtractCabPack();
  fuzz::Check(fuzz::Terminated(CabPackTarget), "cabinet destination without a terminator");
  std::error_code ec;
  std::filesystem::remove_all(sim::HostPath(u"C:\\CabOut"), ec);
  std::filesystem::remove_all(sim::HostPath(u"C:\\Temp"), ec);
}
