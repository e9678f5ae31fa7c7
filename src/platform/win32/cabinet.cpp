// Cabinet iterator on real Windows: SetupIterateCabinetW with a relay callback that turns the
// setup interface's records into the seam's and carries the callback's answers back. The function
// is found at run time (SetupIterateCabinetA on the ANSI road, its records converted); where it
// is missing the iteration fails with ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND.
#include <windows.h>

#include <setupapi.h>

#include "platform/devices.h"
#include "platform/win32/win32_internal.h"

using win32::Wide;

static_assert(sizeof(SysFileInCabinetInfo::FullTargetName) / sizeof(char16_t) == MAX_PATH,
              "FullTargetName holds a Windows path");

namespace {

// The caller's callback and context, handed to the relay as its context.
struct Relay {
  SysCabinetCallback callback;
  void* context;
};

// Copies a terminated wide path into a fixed array of MAX_PATH characters, cut and terminated.
template <typename From, typename To>
void CopyPath(To* out, const From* text) {
  size_t n = 0;
  while (n + 1 < MAX_PATH && text[n]) {
    out[n] = static_cast<To>(text[n]);
    ++n;
  }
  out[n] = 0;
}

UINT CALLBACK RelayNotification(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  const Relay* relay = static_cast<const Relay*>(context);
  switch (notification) {
    case SPFILENOTIFY_FILEINCABINET: {
      FILE_IN_CABINET_INFO_W* real = reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
      SysFileInCabinetInfo info = {};
      info.NameInCabinet = reinterpret_cast<const char16_t*>(real->NameInCabinet);
      info.FileSize = real->FileSize;
      info.Win32Error = real->Win32Error;
      info.DosDate = real->DosDate;
      info.DosTime = real->DosTime;
      info.DosAttribs = real->DosAttribs;
      CopyPath(info.FullTargetName, real->FullTargetName);
      const UINT answer = relay->callback(relay->context, notification, reinterpret_cast<uintptr_t>(&info), param2);
      CopyPath(real->FullTargetName, info.FullTargetName);
      real->Win32Error = info.Win32Error;
      return answer;
    }
    case SPFILENOTIFY_FILEEXTRACTED: {
      const FILEPATHS_W* real = reinterpret_cast<const FILEPATHS_W*>(param1);
      SysFilePaths paths = {reinterpret_cast<const char16_t*>(real->Target),
                            reinterpret_cast<const char16_t*>(real->Source), real->Win32Error};
      return relay->callback(relay->context, notification, reinterpret_cast<uintptr_t>(&paths), 0);
    }
    default:
      // The cabinet-information and next-cabinet records have no seam form.
      return relay->callback(relay->context, notification, 0, 0);
  }
}

// The same relay for the A records of the ANSI road: names and paths converted both ways.
UINT CALLBACK RelayNotificationAnsi(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  const Relay* relay = static_cast<const Relay*>(context);
  switch (notification) {
    case SPFILENOTIFY_FILEINCABINET: {
      FILE_IN_CABINET_INFO_A* real = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
      char16_t name[MAX_PATH];
      win32::ToWide(name, MAX_PATH, real->NameInCabinet);
      SysFileInCabinetInfo info = {};
      info.NameInCabinet = name;
      info.FileSize = real->FileSize;
      info.Win32Error = real->Win32Error;
      info.DosDate = real->DosDate;
      info.DosTime = real->DosTime;
      info.DosAttribs = real->DosAttribs;
      win32::ToWide(info.FullTargetName, MAX_PATH, real->FullTargetName);
      const UINT answer = relay->callback(relay->context, notification, reinterpret_cast<uintptr_t>(&info), param2);
      win32::AnsiText target(info.FullTargetName);
      CopyPath(real->FullTargetName, static_cast<const char*>(target));
      real->Win32Error = info.Win32Error;
      return answer;
    }
    case SPFILENOTIFY_FILEEXTRACTED: {
      const FILEPATHS_A* real = reinterpret_cast<const FILEPATHS_A*>(param1);
      char16_t target[MAX_PATH], source[MAX_PATH];
      win32::ToWide(target, MAX_PATH, real->Target);
      win32::ToWide(source, MAX_PATH, real->Source);
      SysFilePaths paths = {target, source, real->Win32Error};
      return relay->callback(relay->context, notification, reinterpret_cast<uintptr_t>(&paths), 0);
    }
    default:
      return relay->callback(relay->context, notification, 0, 0);
  }
}

}  // namespace

int SysIterateCabinet(const char16_t* cabinetPath, SysCabinetCallback callback, void* context) {
  Relay relay = {callback, context};
  if (win32::OnAnsiRoad()) {
    auto iterate = win32::SystemCall<decltype(&::SetupIterateCabinetA)>("setupapi.dll", "SetupIterateCabinetA");
    return iterate && iterate(win32::AnsiText(cabinetPath), 0, callback ? RelayNotificationAnsi : nullptr, &relay)
               ? 1
               : 0;
  }
  auto iterate = win32::SystemCall<decltype(&::SetupIterateCabinetW)>("setupapi.dll", "SetupIterateCabinetW");
  return iterate && iterate(Wide(cabinetPath), 0, callback ? RelayNotification : nullptr, &relay) ? 1 : 0;
}
