// The registry stage: the registry script sections of the setup configuration and the program
// sections of the chosen interface, run on the worker thread of a please-wait dialog (template
// 12012) that the installation sequence opens near its end, with the work it names.
#pragma once
#include <cstdint>

#include "platform/types.h"
#include "platform/ui.h"

// Private message of the dialog (no parameters): the first paint asks for the worker.
constexpr uint32_t kUpdateRegistryStartMessage = kWmApp + 3;

// What the registry stage asks of the installation sequence while it runs.
struct RegistryStageQuestions {
  // 1 when a present mouse device already carries one of the listed Bluetooth hardware ids.
  // Asked when the Bluetooth programs are due, after the sections that may list those ids.
  int (*bluetoothMousePresent)();
};

// Runs the registry stage's registry work: "CPL Registry" when [Default] Usexmousecpl is FALSE,
// "Add Registry", "Add CH_Registry" for Chinese with Especial, then by InterfaceType: USB the "Run"
// programs (not in PreloadMode) and the VxDs (not in NoInfMode); PS/2 "Add Registry.ps2" and,
// outside PreloadMode, the "Run.PS2" programs and removal of the co-installer key; Bluetooth
// outside PreloadMode the "Run.BT" programs when `questions` reports no listed Bluetooth mouse
// present (no questions: none present); with PreloadMode the "Run.Preload" programs; last, with
// ChooseMouse, the chosen model's mouse type (WriteMouseType). Always returns 1. Changes no
// settings field itself.
int UpdateRegistry(WindowHandle dialog, const RegistryStageQuestions* questions);

// What the installation sequence gives the registry-stage dialog: the work its worker runs with
// the dialog (null: UpdateRegistry asking nothing).
struct RegistryStage {
  int (*work)(WindowHandle dialog);
};

// Dialog procedure of the registry-stage dialog, opened with
// SysDialogBoxParam(instance, 12012, owner, UpdateRegistryDlgProc, stage), stage pointing to a
// RegistryStage (0: UpdateRegistry asking nothing). The work starts on the first paint (in hidden mode on a
// posted paint); the dialog always ends with 1.
intptr_t UpdateRegistryDlgProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Worker thread of the dialog, given the dialog: runs the stage's work, ends the dialog with 1 and
// touches the background window's position record. Returns 0.
uint32_t UpdateRegistryThread(void* dialog);
