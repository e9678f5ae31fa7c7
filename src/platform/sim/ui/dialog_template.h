// Dialog templates of compiled resources (RT_DIALOG): the extended layout (DLGTEMPLATEEX) and the
// plain one (DLGTEMPLATE) read into one record, and the conversion of dialog units to pixels.
// The simulated window manager builds its dialogs from these records, so the program's own .rc
// is the one description of every dialog in both builds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Dialog base units of "MS Shell Dlg" 8 at 96 dots per inch: an average character is 6 pixels
// wide and 13 pixels high, so one horizontal dialog unit is 6/4 pixel and one vertical unit
// 13/8 pixel. The simulated machine uses these for every dialog font.
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;
constexpr int kDialogUnitsPerBaseX = 4;
constexpr int kDialogUnitsPerBaseY = 8;

// Horizontal and vertical dialog units to pixels, rounded to the nearest pixel (halves up) as
// MapDialogRect does.
int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// One control of a template.
struct DialogControlTemplate {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  int32_t id = 0;                        // plain templates' 16-bit ids are sign-extended (-1 stays -1)
  // Class: the predefined atoms (0x80 Button, 0x81 Edit, 0x82 Static, 0x83 ListBox, 0x84
  // ScrollBar, 0x85 ComboBox) and the same names given as text come out as those names;
  // other names are kept as written.
  std::u16string className;
  uint16_t classAtom = 0;  // the atom when the class was given as one, else 0
  std::u16string text;
  bool textIsOrdinal = false;  // text given as a resource number (an icon or bitmap id)
  uint16_t textOrdinal = 0;
  std::vector<uint8_t> creationData;
};

// A whole template.
struct DialogTemplate {
  bool extended = false;
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  bool menuIsOrdinal = false;
  uint16_t menuOrdinal = 0;
  std::u16string menuName;
  bool classIsOrdinal = false;
  uint16_t classOrdinal = 0;
  std::u16string className;  // empty: the standard dialog class
  std::u16string caption;
  bool hasFont = false;  // DS_SETFONT (or DS_SHELLFONT) given
  uint16_t pointSize = 0;
  uint16_t weight = 0;  // extended templates only (plain ones leave 0: normal)
  bool italic = false;
  uint8_t charset = 0;
  std::u16string face;
  std::vector<DialogControlTemplate> controls;
};

// Reads a template from its resource bytes. Returns false (with a reason in *error when given)
// for a template that is cut short or malformed; *out is then incomplete.
bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplate* out, std::string* error = nullptr);

// Finds RT_DIALOG templateId in a compiled resource file (in the given language, else neutral,
// else any) and reads it. False when it is missing or malformed.
bool LoadDialogTemplate(const uint8_t* resBytes, size_t resSize, uint32_t templateId, uint16_t language,
                        DialogTemplate* out);

}  // namespace sim
