// Cabinet iterator on real Windows: SetupIterateCabinetW with a relay callback that turns the
// setup interface's records into the seam's and carries the callback's answers back.
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

}  // namespace

int SysIterateCabinet(const char16_t* cabinetPath, SysCabinetCallback callback, void* context) {
  Relay relay = {callback, context};
  return SetupIterateCabinetW(Wide(cabinetPath), 0, callback ? RelayNotification : nullptr, &relay) ? 1 : 0;
}
