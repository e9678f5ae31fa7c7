// User-interface services on real Windows: message boxes and string resources.
#include "platform/ui.h"

#include "platform/win32/win32_internal.h"

using win32::Wide;

// MessageBoxW.
int SysMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption, uint32_t style) {
  return MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text), Wide(caption), style);
}

// LoadStringW into a caller buffer. A zero capacity is answered here: LoadStringW would treat
// it as a request for a read-only pointer into the resource and write that pointer into out.
uint32_t SysLoadString(ModuleHandle instance, uint32_t id, char16_t* out, uint32_t cap) {
  if (cap == 0) return 0;
  int n = LoadStringW(reinterpret_cast<HINSTANCE>(instance), id, Wide(out), static_cast<int>(cap));
  if (n <= 0) {
    out[0] = 0;
    return 0;
  }
  return static_cast<uint32_t>(n);
}
