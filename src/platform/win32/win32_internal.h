// Shared helpers of the Windows platform layer: the one-to-one conversions between the seam's
// UTF-16 text and opaque handles and the real Windows types, the ANSI road of the 9x family and
// the system libraries loaded by name.
#pragma once
#include <windows.h>

#include "platform/types.h"
#include "platform/ui.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows layer needs a 16-bit wchar_t");
static_assert(sizeof(SysHandle) == sizeof(HANDLE), "handles must convert one to one");

namespace win32 {

// Seam text as the wide text the W functions take (same code units, same layout).
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

// Copies count wide characters into out (cap characters), cutting to cap - 1 and always
// terminating when cap > 0. Returns the number of characters kept.
inline uint32_t CopyCut(char16_t* out, uint32_t cap, const wchar_t* text, uint32_t count) {
  if (cap == 0) return 0;
  if (count > cap - 1) count = cap - 1;
  for (uint32_t i = 0; i < count; ++i) out[i] = static_cast<char16_t>(text[i]);
  out[count] = 0;
  return count;
}

// ---- The ANSI road (ansi_road.cpp) ----
// The 9x family implements almost no wide-character function: there every Sys* function calls
// the A function and converts text between the seam's UTF-16 and the active ANSI code page.

// Returns 1 when this Windows is of the 9x family (bit 31 of the version word), decided once.
bool OnAnsiRoad();

// Check hook: 1 forces the ANSI road, 0 forces the wide one, -1 goes back to the version word.
void ForceAnsiRoad(int mode);

// Seam text converted to the ANSI code page (CP_ACP) for one A call; null stays null. Characters
// the code page cannot hold become what WideCharToMultiByte makes of them.
class AnsiText {
 public:
  explicit AnsiText(const char16_t* text) : AnsiText(text, text ? Length(text) : 0) {}
  // Exactly count characters (terminators included as they come), then one terminator.
  AnsiText(const char16_t* text, uint32_t count);
  ~AnsiText();
  AnsiText(const AnsiText&) = delete;
  AnsiText& operator=(const AnsiText&) = delete;
  operator const char*() const { return text_; }
  // Bytes of the converted text without the added terminator.
  uint32_t size() const { return size_; }

 private:
  static uint32_t Length(const char16_t* text);
  char small_[MAX_PATH * 2];
  char* buffer_ = small_;
  const char* text_ = nullptr;
  uint32_t size_ = 0;
};

// Converts bytes of ANSI text (up to its terminator when bytes < 0) into out (cap characters),
// cut to cap - 1 and terminated when cap > 0. Returns the number of characters kept.
uint32_t ToWide(char16_t* out, uint32_t cap, const char* text, int bytes = -1);

// The character count of ANSI text once converted (terminator excluded).
uint32_t WideLength(const char* text, int bytes = -1);

// ANSI data of a string type (bytes, terminators where the data has them) as the wide data the W
// functions hand back: the same characters. *size becomes the wide byte count; ERROR_MORE_DATA
// when data (of *size bytes) is too small, ERROR_SUCCESS otherwise (also when data is null).
LONG WidenData(const char* ansi, uint32_t bytes, uint8_t* data, uint32_t* size);

// GetWindowLongPtr / SetWindowLongPtr of the road's character width.
inline LONG_PTR WindowValue(HWND window, int index) {
  return OnAnsiRoad() ? GetWindowLongPtrA(window, index) : GetWindowLongPtrW(window, index);
}
inline LONG_PTR SetWindowValue(HWND window, int index, LONG_PTR value) {
  return OnAnsiRoad() ? SetWindowLongPtrA(window, index, value) : SetWindowLongPtrW(window, index, value);
}

// SendMessage of the road's character width; on the ANSI road the text of the messages that
// carry text (WM_SETTEXT, WM_GETTEXT, list and combo box strings) is converted both ways.
LRESULT SendText(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// SHGetPathFromIDList of the road's width into out (MAX_PATH characters): 1 when the item has a
// file-system path, 0 with out empty when not.
int PathFromIdList(const void* item, char16_t* out);

// ---- System libraries loaded by name (system_library.cpp) ----

// LoadLibrary of name; one of Windows' own libraries is loaded by its full system-folder path,
// never through the search path, any other name as given. Null with the last error set when it
// cannot be loaded.
HMODULE LoadSystemLibrary(const char16_t* name);

// The address of a function of one of Windows' own libraries, loaded from the system folder the first time it
// is asked for and kept for the rest of the run. Returns null with ERROR_MOD_NOT_FOUND or
// ERROR_PROC_NOT_FOUND set when the library or the function is missing.
void* SystemFunction(const char* library, const char* function);

// SystemFunction cast to the caller's function type.
template <typename Fn>
Fn SystemCall(const char* library, const char* function) {
  return reinterpret_cast<Fn>(SystemFunction(library, function));
}

// Joins the two halves of a FILETIME or a file size into one 64-bit number.
inline uint64_t Join64(DWORD high, DWORD low) {
  return (static_cast<uint64_t>(high) << 32) | static_cast<uint64_t>(low);
}

// The system dialog procedure of every dialog and wizard page of the program: it calls the seam
// procedure bound to the window, kept in its DWLP_USER slot (ui.cpp). SysDialogBoxParam binds it
// on the dialog's first message; property-sheet pages, created later by the sheet, bind theirs
// with BindDialogProc.
INT_PTR CALLBACK DialogTrampoline(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void BindDialogProc(HWND dialog, SysDialogProc proc);

}  // namespace win32
