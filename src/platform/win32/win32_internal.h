// Shared helpers of the Windows platform layer: the one-to-one conversions between the seam's
// UTF-16 text and opaque handles and the real Windows types.
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
