// The copy progress dialog: starts the work on its first paint, runs the cabinet extraction on
// ExtractThread, then the copy stage's preparation and the walk over the copy list with
// CopyFileProc, and ends itself at 100 percent.
#include "files/copy_dialog.h"

#include "common/text.h"
#include "shared/trace.h"
#include "files/cabinet_extract.h"
#include "files/cleanup.h"
#include "files/copy_engine.h"
#include "files/copy_list.h"
#include "files/copy_progress.h"
#include "files/copy_state.h"
#include "platform/kernel.h"
#include "resource_ids.h"
#include "settings/settings.h"
#include "ui/exit_setup_dialog.h"
#include "ui/localised_texts.h"
#include "ui/message_dialogs.h"
#include "ui/side_picture.h"
#include "ui/message_words.h"

int32_t CopyStartPending = 1;
int32_t ExtractionDone = 0;

namespace {

constexpr int kBoldWeight = 700;
constexpr uint32_t kWhite = SysRgb(255, 255, 255);
constexpr uint32_t kBlue = SysRgb(0, 0, 255);
constexpr uint32_t kBlack = SysRgb(0, 0, 0);

// The worker thread while the dialog lives, the bar's bold font, and the preparation the
// installation sequence gave the open dialog.
SysHandle g_hExtractThread = nullptr;
GdiObject g_hBarFont = nullptr;
void (*g_PrepareCopy)() = nullptr;

// One character at (x, y) in the colour.
void DrawChar(DeviceContext dc, int x, int y, char16_t c, uint32_t color) {
  SysSetTextColor(dc, color);
  SysTextOut(dc, x, y, &c, 1);
}

intptr_t OnCopyDialogInit(WindowHandle dialog, const CopyStage* stage) {
  const WindowHandle frame = stage ? stage->frame : nullptr;
  g_PrepareCopy = stage ? stage->prepare : nullptr;
  GdiObject labelFont = SysGetWindowFont(SysGetDlgItem(dialog, IDC_COPY_LABEL));
  g_hBarFont = SysCreateFontWithWeight(labelFont, kBoldWeight);
  SysSetWindowFont(SysGetDlgItem(dialog, IDC_COPY_BAR), g_hBarFont, 0);

  if (!g_Settings.CabFile) {
    for (int32_t n = 1; n <= CopyEntryCount && n <= kCopyEntryMax; ++n) _dwTotalFileSize += CopyTable[n].FileSize;
  }

  SysShowWindow(frame, kSwHide);
  SysSetForegroundWindow(g_hMainWindow);

  if (g_Settings.CabFile) {
    ExtractionDone = 0;
    SysShowWindow(SysGetDlgItem(dialog, IDC_COPY_BAR), kSwHide);
    SysEnableWindow(SysGetDlgItem(dialog, kIdCancel), 0);
  }
  if (g_Settings.HiddenMode) {
    SysShowWindow(dialog, kSwHide);
    SysPostMessage(dialog, kWmPaint, 0, 0);
  }
  ApplyLocalisedTexts(dialog, IDD_COPY_PROGRESS, nullptr);
  return 1;
}

// The first paint starts the work; the paint that sees 100 percent ends the dialog.
intptr_t OnCopyDialogPaint(WindowHandle dialog) {
  if (g_Settings.HiddenMode)
    SysShowWindow(dialog, kSwHide);
  else
    PaintPercentBar(dialog);
  if (CopyStartPending) {
    CopyStartPending = 0;
    SysPostMessage(dialog, kCopyStartMessage, 0, 0);
  }
  if (_nCurPercent == 100) SysEndDialog(dialog, 1);
  return 0;
}

// Creates the first free Windows folder + "\_NorvikInstallTempDir" + n; an existing folder
// counts as taken. When the Windows folder cannot be had, the names start at the root of the
// current drive.
void CreateTempExtractDir() {
  char16_t windows[kTempExtractDirSize];
  const uint32_t length = SysGetWindowsDirectory(windows, kTempExtractDirSize);
  if (length == 0 || length >= kTempExtractDirSize) windows[0] = 0;
  for (uint32_t n = 0;; ++n) {
    TextFormat(TempExtractDir, kTempExtractDirSize, u"%s\\%s%u", windows, kTempExtractDirName, n);
    if (SysCreateDirectory(TempExtractDir)) return;
  }
}

// The dialog's path line names the target being installed.
void ShowCopyTarget(void* dialog, const char16_t* target) {
  SysSetDlgItemText(static_cast<WindowHandle>(dialog), kPathLineId, target);
}

// A new percentage: the dialog repaints its bar.
void RepaintCopyDialog(void* dialog) { SysPostMessage(static_cast<WindowHandle>(dialog), kWmPaint, 0, 0); }

// Between two files the dialog keeps answering: every waiting message is dispatched.
void DispatchWaitingMessages(void*) {
  SysMessage message;
  while (SysPeekMessage(&message)) {
    SysTranslateMessage(&message);
    SysDispatchMessage(&message);
  }
}

// The copy stage's preparation, then the files of the copy list copied, shown in the dialog.
void CopyShownIn(WindowHandle dialog) {
  if (g_PrepareCopy) g_PrepareCopy();
  CopyProgressSink sink = CopyDialogSink(dialog);
  CopyFileProc(&sink, 0);
}

intptr_t OnCopyStart(WindowHandle dialog) {
  if (g_Settings.CabFile) {
    CreateTempExtractDir();
    g_hExtractThread = SysCreateThread(ExtractThread, dialog);
  } else if (_dwTotalFileSize == 0) {
    _nCurPercent = 100;
    SysPostMessage(dialog, kWmPaint, 0, 0);
  } else {
    CopyShownIn(dialog);
  }
  return 1;
}

intptr_t OnExtractionFinished(WindowHandle dialog) {
  SysShowWindow(SysGetDlgItem(dialog, IDC_COPY_BAR), kSwShow);
  SysEnableWindow(SysGetDlgItem(dialog, kIdCancel), 1);
  CopyShownIn(dialog);
  // The help files are copied later from the temporary folder, which then goes.
  if (!HelpFilesKeptBack()) RemoveTempExtractDir();
  return 1;
}

// Cancel asks "Exit Setup"; leaving ends the dialog with 0 and stops the copy walk.
intptr_t OnCopyDialogCommand(WindowHandle dialog, uint32_t id) {
  if (id != kIdCancel) return 0;
  if (ExitSetupDialog(dialog) == 0) {
    SysEndDialog(dialog, 0);
    CancelRequested = 1;
  }
  return 1;
}

// The wait cursor over the dialog's own client area while the cabinet is being extracted.
intptr_t OnCopyDialogSetCursor(WindowHandle dialog, WindowHandle under, intptr_t lParam) {
  if (!g_Settings.CabFile || ExtractionDone) return 0;
  uintptr_t codes = static_cast<uintptr_t>(lParam);
  if (under != dialog || LowWord(codes) != kHtClient || HighWord(codes) != kWmMouseMove) return 0;
  SysSetCursorShape(kCursorWait);
  SysSetDialogResult(dialog, 1);
  return 1;
}

intptr_t OnCopyDialogDestroy() {
  g_PrepareCopy = nullptr;
  if (g_hExtractThread != nullptr) {
    SysCloseHandle(g_hExtractThread);
    g_hExtractThread = nullptr;
  }
  if (g_hBarFont != nullptr) {
    SysDeleteObject(g_hBarFont);
    g_hBarFont = nullptr;
  }
  return 0;
}

}  // namespace

CopyProgressSink CopyDialogSink(WindowHandle dialog) {
  CopyProgressSink sink = {dialog, ShowCopyTarget, RepaintCopyDialog, DispatchWaitingMessages};
  return sink;
}

void PaintPercentBar(WindowHandle dialog) {
  WindowHandle bar = SysGetDlgItem(dialog, IDC_COPY_BAR);
  SysUpdateWindow(bar);
  DeviceContext dc = SysGetDC(bar);
  SysRect rect = {};
  SysGetClientRect(bar, &rect);
  const int32_t w = rect.right - rect.left;
  const int32_t h = rect.bottom - rect.top;
  const int32_t percent = _nCurPercent;

  SysFillRectColor(dc, &rect, kWhite);

  const int32_t filled = percent * w / 100;
  GdiObject brush = SysCreateSolidBrush(kBlue);
  GdiObject oldBrush = SysSelectObject(dc, brush);
  GdiObject oldPen = SysSelectObject(dc, SysGetStockObject(kNullPen));
  SysRectangle(dc, 0, 0, filled, h);
  SysSelectObject(dc, oldPen);
  SysSelectObject(dc, oldBrush);
  SysDeleteObject(brush);

  // The digits are drawn in the context's current font: the font given to the control is not
  // selected into it, so the placement follows the context's own character size.
  SysSetBkMode(dc, kTransparent);
  SysTextMetrics metrics = {};
  SysGetTextMetrics(dc, &metrics);
  const int32_t aw = metrics.averageCharWidth;
  const int32_t y = (h - metrics.height) / 2;
  const int32_t middle = w / 2;

  if (percent < 10) {
    DrawChar(dc, middle - aw, y, static_cast<char16_t>(u'0' + percent), middle < filled ? kWhite : kBlack);
  } else if (percent < 100) {
    DrawChar(dc, middle - 2 * aw, y, static_cast<char16_t>(u'0' + percent / 10),
             middle - aw < filled ? kWhite : kBlack);
    DrawChar(dc, middle - aw, y, static_cast<char16_t>(u'0' + percent % 10), middle < filled ? kWhite : kBlack);
  } else {
    SysSetTextColor(dc, kWhite);
    SysTextOut(dc, middle - 3 * aw, y, u"100", 3);
  }
  DrawChar(dc, middle + aw, y, u'%', middle + 2 * aw < filled ? kWhite : kBlack);
  SysReleaseDC(bar, dc);
}

intptr_t CopyDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kWmInitDialog:
      return OnCopyDialogInit(dialog, reinterpret_cast<const CopyStage*>(lParam));
    case kWmPaint:
      return OnCopyDialogPaint(dialog);
    case kCopyStartMessage:
      return OnCopyStart(dialog);
    case kExtractionDoneMessage:
      return OnExtractionFinished(dialog);
    case kWmCommand:
      return OnCopyDialogCommand(dialog, LowWord(wParam));
    case kWmSetCursor:
      return OnCopyDialogSetCursor(dialog, reinterpret_cast<WindowHandle>(wParam), lParam);
    case kWmDestroy:
      return OnCopyDialogDestroy();
    default:
      return 0;
  }
}

uint32_t ExtractThread(void* parameter) {
  WindowHandle dialog = static_cast<WindowHandle>(parameter);
  char16_t cabinet[kTextSize];
  TextCopy(cabinet, g_Settings.SourceDir);
  TextAppend(cabinet, u"\\");
  TextAppend(cabinet, g_Settings.CabFileName[0] ? g_Settings.CabFileName : kDefaultCabFileName);
  Trace(u"cab file = %s", cabinet);

  if (!SysPathExists(cabinet)) {
    // The owner is taken first: once the background window goes, the dialog may go before it.
    WindowHandle owner = SysGetParent(dialog);
    ShowSetupFailed(dialog);
    SysPostMessage(g_hMainWindow, kWmDestroy, 0, 0);
    SysPostMessage(owner, kWmDestroy, 0, 0);
    return 0;
  }
  ExtractCabinet(cabinet);
  ExtractionDone = 1;
  SysPostMessage(dialog, kExtractionDoneMessage, 0, 0);
  return 0;
}
