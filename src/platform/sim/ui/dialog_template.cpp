// Dialog template reader: walks the fixed header, the menu, class and caption fields, the optional
// font block and the controls (each on a 4-byte boundary from the template's start), in either
// the extended or the plain layout.
#include "platform/sim/ui/dialog_template.h"

#include "common/text.h"
#include "platform/sim/kernel/res_file.h"

namespace sim {

namespace {

constexpr uint16_t kExtendedVersion = 1;
constexpr uint16_t kExtendedSignature = 0xFFFF;
constexpr uint16_t kOrdinalMarker = 0xFFFF;
constexpr uint32_t kDsSetFont = 0x40;
constexpr size_t kItemAlignment = 4;
constexpr size_t kExtendedHeaderSize = 26;  // version .. cy
constexpr size_t kPlainHeaderSize = 18;     // style .. cy
constexpr size_t kExtendedItemSize = 24;    // helpId .. id
constexpr size_t kPlainItemSize = 18;       // style .. id

// The predefined control classes by atom.
struct ClassAtom {
  uint16_t atom;
  const char16_t* name;
};
constexpr ClassAtom kClassAtoms[] = {{0x80, u"Button"},  {0x81, u"Edit"},      {0x82, u"Static"},
                                     {0x83, u"ListBox"}, {0x84, u"ScrollBar"}, {0x85, u"ComboBox"}};

// Bounds-checked little-endian reader over the template's bytes.
class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool ok() const { return ok_; }
  size_t pos() const { return pos_; }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return bytes_[pos_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    uint16_t v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t low = U16();
    uint32_t high = U16();
    return low | (high << 16);
  }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  // A terminated UTF-16 text.
  std::u16string Text() {
    std::u16string text;
    while (ok_) {
      char16_t c = static_cast<char16_t>(U16());
      if (!ok_ || c == 0) break;
      text += c;
    }
    return text;
  }
  // A "number or text" field: 0 alone (nothing), 0xFFFF and a number, or a terminated text.
  void NumberOrText(bool* isNumber, uint16_t* number, std::u16string* text) {
    *isNumber = false;
    *number = 0;
    text->clear();
    if (!Need(2)) return;
    uint16_t first = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    if (first == kOrdinalMarker) {
      pos_ += 2;
      *isNumber = true;
      *number = U16();
      return;
    }
    *text = Text();
  }
  void Bytes(size_t count, std::vector<uint8_t>* out) {
    if (!Need(count)) return;
    out->assign(bytes_ + pos_, bytes_ + pos_ + count);
    pos_ += count;
  }
  void Align() {
    size_t aligned = (pos_ + kItemAlignment - 1) / kItemAlignment * kItemAlignment;
    // The last item's padding may be missing at the very end of the resource.
    pos_ = aligned <= size_ ? aligned : size_;
  }

 private:
  bool Need(size_t count) {
    if (!ok_ || count > size_ - pos_) {
      ok_ = false;
      return false;
    }
    return true;
  }
  const uint8_t* bytes_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// The canonical name of a predefined class, or the name as written.
std::u16string CanonicalClass(const std::u16string& name) {
  for (const ClassAtom& entry : kClassAtoms) {
    if (TextEqualNoCase(name.c_str(), entry.name)) return entry.name;
  }
  return name;
}

std::u16string ClassOfAtom(uint16_t atom) {
  for (const ClassAtom& entry : kClassAtoms) {
    if (entry.atom == atom) return entry.name;
  }
  // Another atom: named "#<number>" as Windows names integer atoms.
  std::u16string name = u"#";
  for (char c : std::to_string(atom)) name += static_cast<char16_t>(c);
  return name;
}

// MulDiv(value, numerator, denominator) with rounding of halves away from zero.
int MulDivRound(int value, int numerator, int denominator) {
  long long product = static_cast<long long>(value) * numerator;
  long long half = denominator / 2;
  long long result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(result);
}

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

}  // namespace

int DialogUnitsToPixelsX(int units) { return MulDivRound(units, kDialogBaseUnitX, kDialogUnitsPerBaseX); }
int DialogUnitsToPixelsY(int units) { return MulDivRound(units, kDialogBaseUnitY, kDialogUnitsPerBaseY); }

bool ParseDialogTemplate(const uint8_t* bytes, size_t size, DialogTemplate* out, std::string* error) {
  *out = DialogTemplate();
  if (!bytes) return Fail(error, "no template");
  Reader r(bytes, size);
  uint16_t itemCount = 0;
  if (size >= 4 && bytes[0] == kExtendedVersion && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF) {
    if (size < kExtendedHeaderSize) return Fail(error, "header cut short");
    out->extended = true;
    r.U16();  // version
    if (r.U16() != kExtendedSignature) return Fail(error, "bad signature");
    out->helpId = r.U32();
    out->exStyle = r.U32();
    out->style = r.U32();
  } else {
    if (size < kPlainHeaderSize) return Fail(error, "header cut short");
    out->style = r.U32();
    out->exStyle = r.U32();
  }
  itemCount = r.U16();
  out->x = r.S16();
  out->y = r.S16();
  out->cx = r.S16();
  out->cy = r.S16();
  r.NumberOrText(&out->menuIsOrdinal, &out->menuOrdinal, &out->menuName);
  r.NumberOrText(&out->classIsOrdinal, &out->classOrdinal, &out->className);
  out->caption = r.Text();
  if (out->style & kDsSetFont) {
    out->hasFont = true;
    out->pointSize = r.U16();
    if (out->extended) {
      out->weight = r.U16();
      out->italic = r.U8() != 0;
      out->charset = r.U8();
    }
    out->face = r.Text();
  }
  if (!r.ok()) return Fail(error, "header fields cut short");

  for (uint16_t i = 0; i < itemCount; ++i) {
    r.Align();
    if (size - r.pos() < (out->extended ? kExtendedItemSize : kPlainItemSize)) return Fail(error, "control cut short");
    DialogControlTemplate control;
    if (out->extended) {
      control.helpId = r.U32();
      control.exStyle = r.U32();
      control.style = r.U32();
    } else {
      control.style = r.U32();
      control.exStyle = r.U32();
    }
    control.x = r.S16();
    control.y = r.S16();
    control.cx = r.S16();
    control.cy = r.S16();
    control.id = out->extended ? static_cast<int32_t>(r.U32()) : static_cast<int32_t>(r.S16());
    bool classIsAtom = false;
    uint16_t atom = 0;
    std::u16string className;
    r.NumberOrText(&classIsAtom, &atom, &className);
    if (classIsAtom) {
      control.classAtom = atom;
      control.className = ClassOfAtom(atom);
    } else {
      control.className = CanonicalClass(className);
    }
    r.NumberOrText(&control.textIsOrdinal, &control.textOrdinal, &control.text);
    const uint16_t extraBytes = r.U16();
    if (extraBytes) r.Bytes(extraBytes, &control.creationData);
    if (!r.ok()) return Fail(error, "control fields cut short");
    out->controls.push_back(std::move(control));
  }
  return true;
}

bool LoadDialogTemplate(const uint8_t* resBytes, size_t resSize, uint32_t templateId, uint16_t language,
                        DialogTemplate* out) {
  if (templateId > 0xFFFF) return false;
  const uint8_t* data = nullptr;
  uint32_t dataSize = 0;
  if (!FindRes(resBytes, resSize, ResNumber(kResTypeDialog), ResNumber(static_cast<uint16_t>(templateId)), language,
               &data, &dataSize))
    return false;
  return ParseDialogTemplate(data, dataSize, out);
}

}  // namespace sim
