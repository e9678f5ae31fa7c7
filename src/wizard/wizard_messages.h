// Messages between the wizard frame and its pages: the property-sheet requests a page posts to
// its frame and the notifications the frame sends to a page, with Windows' numbering.
#pragma once
#include <cstdint>

#include "platform/types.h"

// Requests posted to the wizard frame (the page's parent window).
constexpr uint32_t kPsmSetWizButtons = 0x470;  // lParam: kPswizb* bits
constexpr uint32_t kPsmPressButton = 0x471;    // wParam: kPsbtn* button
constexpr uint32_t kPsmRemovePage = 0x466;     // wParam: page index
constexpr uint32_t kPsmCancelToClose = 0x46B;  // Cancel becomes a disabled "Close"

// Wizard buttons to enable (PSM_SETWIZBUTTONS).
constexpr intptr_t kPswizbBack = 0x1;
constexpr intptr_t kPswizbNext = 0x2;
constexpr intptr_t kPswizbFinish = 0x4;

// Buttons to press (PSM_PRESSBUTTON).
constexpr uintptr_t kPsbtnBack = 0;
constexpr uintptr_t kPsbtnNext = 1;
constexpr uintptr_t kPsbtnFinish = 2;
constexpr uintptr_t kPsbtnCancel = 5;

// Notification codes a page receives through WM_NOTIFY.
constexpr int32_t kPsnSetActive = -200;
constexpr int32_t kPsnKillActive = -201;
constexpr int32_t kPsnReset = -203;
constexpr int32_t kPsnWizBack = -206;
constexpr int32_t kPsnWizNext = -207;
constexpr int32_t kPsnWizFinish = -208;
constexpr int32_t kPsnQueryCancel = -209;

// The header every WM_NOTIFY's lParam points to. Same layout as Windows' NMHDR (HWND, UINT_PTR,
// UINT), so the real property sheet's notifications can be read through it unchanged.
struct SysNotifyHeader {
  WindowHandle hwndFrom;
  uintptr_t idFrom;
  int32_t code;
};

// Dialog-manager messages used to move the keyboard focus to a dialog's default button.
constexpr uint32_t kDmGetDefId = 0x0400;    // answer: default id in the low word, kDcHasDefId above
constexpr uint32_t kWmNextDlgCtl = 0x0028;  // wParam: control, lParam: 1 (wParam is a handle)
constexpr uint32_t kDcHasDefId = 0x534B;
