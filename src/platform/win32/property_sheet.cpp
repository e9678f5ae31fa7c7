// The wizard property sheet on real Windows: PropertySheetW in wizard mode over the program's
// page templates, each page's procedure reached through the dialog trampoline. On the ANSI road
// PropertySheetA with the titles converted, which makes the sheet and its pages ANSI windows.
#include "platform/win32/win32_internal.h"

#include <commctrl.h>

#include <string>

#include "platform/ui.h"

namespace {

constexpr uint32_t kMaxPages = 16;

// Binds the page's procedure (carried in its descriptor's lParam) on WM_INITDIALOG; messages
// before it (WM_SETFONT) are left to the default handling.
INT_PTR CALLBACK PageTrampoline(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The A and W descriptors keep lParam at the same place.
    const PROPSHEETPAGEW* descriptor = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    win32::BindDialogProc(page, reinterpret_cast<SysDialogProc>(descriptor->lParam));
  } else if (win32::WindowValue(page, DWLP_USER) == 0) {
    return FALSE;
  }
  return win32::DialogTrampoline(page, message, wParam, lParam);
}

void InitCommonControlsOnce() {
  static bool done = false;
  if (done) return;
  InitCommonControls();
  done = true;
}

static_assert(sizeof(PROPSHEETHEADERA) == sizeof(PROPSHEETHEADERW), "the A and W headers have one layout");

typedef INT_PTR(WINAPI* PropertySheetWFn)(LPCPROPSHEETHEADERW);

// PropertySheetW of the common-controls library the program is bound to (the one its manifest
// chose): found from the address of its InitCommonControls import, so the 9x family, whose
// library may lack the wide export, still loads the program.
PropertySheetWFn WidePropertySheet() {
  MEMORY_BASIC_INFORMATION region = {};
  if (!VirtualQuery(reinterpret_cast<void*>(&InitCommonControls), &region, sizeof region)) return nullptr;
  HMODULE comctl = static_cast<HMODULE>(region.AllocationBase);
  return reinterpret_cast<PropertySheetWFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "PropertySheetW")));
}

// The page descriptors and header of either width, the titles given in that width.
template <typename Page, typename Header, typename Text>
INT_PTR RunSheet(HINSTANCE module, HWND owner, const SysWizardPage* pages, uint32_t count, const Text* titles,
                 INT_PTR (*run)(const Header*)) {
  Page descriptors[kMaxPages] = {};
  for (uint32_t i = 0; i < count; ++i) {
    Page& p = descriptors[i];
    p.dwSize = sizeof(Page);
    p.dwFlags = PSP_USETITLE;
    p.hInstance = module;
    p.pszTemplate = reinterpret_cast<decltype(p.pszTemplate)>(static_cast<ULONG_PTR>(pages[i].templateId));
    p.pfnDlgProc = PageTrampoline;
    p.pszTitle = titles[i];
    p.lParam = reinterpret_cast<LPARAM>(pages[i].proc);
  }
  Header header = {};
  header.dwSize = PROPSHEETHEADERW_V1_SIZE;
  header.dwFlags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE;
  header.hwndParent = owner;
  header.hInstance = module;
  header.nPages = count;
  header.nStartPage = 0;
  header.ppsp = descriptors;
  return run(&header);
}

INT_PTR RunAnsiSheet(const PROPSHEETHEADERA* header) { return PropertySheetA(header); }
INT_PTR RunWideSheet(const PROPSHEETHEADERW* header) {
  PropertySheetWFn sheet = WidePropertySheet();
  if (!sheet) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return -1;
  }
  return sheet(header);
}

}  // namespace

// PropertySheetW with PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE, the pages with
// PSP_USETITLE, start page 0. The first-version structure sizes keep the classic wizard look on
// every comctl32.
intptr_t SysRunWizardSheet(ModuleHandle instance, WindowHandle owner, const SysWizardPage* pages, uint32_t count) {
  if (!pages || count == 0 || count > kMaxPages) return -1;
  InitCommonControlsOnce();
  HINSTANCE module = reinterpret_cast<HINSTANCE>(instance);
  HWND parent = reinterpret_cast<HWND>(owner);
  if (win32::OnAnsiRoad()) {
    std::string titles[kMaxPages];
    const char* texts[kMaxPages] = {};
    for (uint32_t i = 0; i < count; ++i) {
      win32::AnsiText title(pages[i].title);
      titles[i] = title ? static_cast<const char*>(title) : "";
      texts[i] = titles[i].c_str();
    }
    return RunSheet<PROPSHEETPAGEA, PROPSHEETHEADERA>(module, parent, pages, count, texts, RunAnsiSheet);
  }
  const wchar_t* texts[kMaxPages] = {};
  for (uint32_t i = 0; i < count; ++i) texts[i] = win32::Wide(pages[i].title);
  return RunSheet<PROPSHEETPAGEW, PROPSHEETHEADERW>(module, parent, pages, count, texts, RunWideSheet);
}
