// Fuzzer of picture libraries: the input is a library in the Windows folder, loaded as data;
// the PCX pictures of the mouse types are read from its raw-data resources, drawn and freed, and
// the library is released.
#include "fuzz_machine.h"
#include "platform/kernel.h"
#include "wizard/mouse_pictures.h"

FUZZ_TARGET(data, size) {
  const std::u16string path = u"C:\\WINDOWS\\GWPICT.DLL";
  fuzz::WriteFile(path, data, size);
  ModuleHandle library = SysLoadLibraryAsData(path.c_str());
  if (library) {
    for (const char16_t* name : {u"2Dmouse", u"3dMOUSE", u"ergomouse", u"#10"}) {
      fuzz::DrawAndDelete(LoadResourcePicture(library, name));
      if (GdiObject palette = LoadResourcePalette(nullptr, library, name)) SysDeleteObject(palette);
    }
    SysFreeLibrary(library);
  }
}
