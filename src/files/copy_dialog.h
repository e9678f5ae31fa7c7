// The copy progress dialog (template 10301) and its worker thread: extracts the package cabinet
// into a temporary folder in cabinet mode, copies the files of the copy list, paints the
// percentage bar and lets the user leave Setup.
#pragma once
#include <cstdint>

#include "files/copy_engine.h"
#include "platform/types.h"
#include "platform/ui.h"

constexpr int kPathLineId = 1450;  // the line that shows the file being installed

// Private messages of the dialog, both without parameters.
constexpr uint32_t kCopyStartMessage = kWmApp + 2;         // first paint: start the work
constexpr uint32_t kExtractionDoneMessage = kWmApp + 4;    // the cabinet has been extracted

// Base name of the temporary extraction folders in the Windows folder; a number follows.
inline constexpr const char16_t* kTempExtractDirName = u"_NorvikInstallTempDir";
// The package cabinet's name when the configuration names none.
inline constexpr const char16_t* kDefaultCabFileName = u"Install.cab";

// 1 until the first paint of the dialog starts the work (once per run).
extern int32_t CopyStartPending;
// Cleared when the dialog opens in cabinet mode; set by ExtractThread when the cabinet is out.
extern int32_t ExtractionDone;

// The copy walk as the dialog shows it, for CopyFileProc: the path line names each target, a changed percentage
// posts WM_PAINT to the dialog, and between two entries the waiting messages are dispatched.
CopyProgressSink CopyDialogSink(WindowHandle dialog);

// What the installation sequence gives the copy dialog: the wizard frame, hidden while the
// dialog runs, and the preparation run on the dialog's thread just before the walk over the
// copy list (in cabinet mode once the package cabinet is out); either may be null.
struct CopyStage {
  WindowHandle frame;
  void (*prepare)();
};

// Dialog procedure of the copy progress dialog; the creation parameter points to a CopyStage
// (0: none). The dialog ends with 1 when the copy reached 100 percent and with 0 when the user
// chose to leave Setup.
intptr_t CopyDialogProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Worker thread of cabinet mode, given the dialog: extracts SourceDir\CabFileName (Install.cab
// when CabFileName is empty) into TempExtractDir and posts the extraction-finished message;
// when the cabinet is missing, shows "Setup Failed!" and posts WM_DESTROY to the background
// window and to the dialog's owner. Returns 0.
uint32_t ExtractThread(void* dialog);

// Paints the percentage bar (control 1500) of the dialog: white, the filled part blue, the
// digits and the percent sign white over the fill and black elsewhere.
void PaintPercentBar(WindowHandle dialog);
