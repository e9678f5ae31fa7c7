// The installation sequence behind the Start Installation page: its stages in order, the
// interface loops and the destination folders. It reports how it ended; the page turns that
// into wizard requests.
#pragma once

#include "platform/types.h"

// How an installation sequence ended.
enum InstallOutcome {
  kInstallKeepsNewer,   // a newer installed version was kept: nothing was installed
  kInstallCopyFailed,   // the copy stage was cancelled or failed
  kInstallStageFailed,  // a driver or registry stage returned 0
  kInstallNoDevice,     // the chosen model has no USB hardware id: no driver or registry stage ran
  kInstallDone,         // every stage went on
};

// Runs the installation with page as the owner of its dialogs (the copy dialog hides page's
// parent, the wizard frame): newer-version check (with AskType), the chosen model's entry
// (NewUI), the Windows Me source path, the old driver index, listed windows, the older
// version's files, destination folders, copy list and copy stage (with PrepareCopySource),
// PackageDir, driver package staging, then the one-interface or all-interfaces stages, each
// registry stage copying the kept-back help files first. Returns the outcome. Changes
// InterfaceType, CallConfigMg, Restart, InfPath, USBDriverName, USBPnPID and PackageDir as the
// stages need.
InstallOutcome RunInstallationStages(WindowHandle page);

// Creates DestinationDir level by level (a trailing backslash removed first) and records each
// folder it created; an existing DestinationDir is only recorded.
void CreateDestinationFolders();

// The copy stage's preparation, which the copy dialog runs just before its walk: the cabinets
// of [Cab.list], the platform's driver files over the copy source, on Windows 7 and 8 the device
// metadata with its registry section "Add Registry.Metadata", then the copy source measured.
// Changes entries' FileSize and _dwTotalFileSize; no settings field.
void PrepareCopySource();
