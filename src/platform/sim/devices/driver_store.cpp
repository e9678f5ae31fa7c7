// The driver store of the simulated machine: DIFxAPI package installs answer with a scripted
// result code, and the OEM INF copy files an INF into the Windows INF folder as oemN.inf, as
// SetupCopyOEMInfW does.
#include <mutex>
#include <string>

#include "common/text.h"
#include "platform/devices.h"
#include "platform/kernel.h"
#include "platform/sim/machine/machine.h"
#include "platform/sim/machine/machine_state.h"
#include "platform/sim/machine/sim_internal.h"

using sim::internal::Lock;
using sim::internal::State;

namespace {

using sim::internal::Guard;

const char kDifxLibrary[] = "difxapi.dll";

std::string Hex(uint32_t value) {
  char16_t text[16];
  TextFormat(text, 16, u"0x%x", value);
  return sim::ToUtf8(text);
}

std::string Utf8(const char16_t* text) { return sim::ToUtf8(text ? text : u""); }

// 126 when the library is not on this machine, 127 when it lacks the export, else 0.
uint32_t DifxMissing(const char* exportName) {
  if (!sim::internal::ExportOffered(kDifxLibrary, exportName))
    return sim::internal::ExportOffered(kDifxLibrary, "DriverPackageInstallW") ||
                   sim::internal::ExportOffered(kDifxLibrary, "DriverPackagePreinstallW")
               ? kErrProcNotFound
               : kErrModNotFound;
  return 0;
}

}  // namespace

namespace sim {

void SetDriverPackageInstallResult(uint32_t code) {
  Guard guard(Lock());
  State().driverPackageInstallResult = code;
}

}  // namespace sim

uint32_t SysDriverPackageInstall(const char16_t* infPath, uint32_t flags, int* needReboot) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDriverPackageInstall)) return static_cast<uint32_t>(sim::internal::LastError());
  if (needReboot) *needReboot = 0;
  uint32_t result = DifxMissing("DriverPackageInstallW");
  if (result == 0) result = State().driverPackageInstallResult;
  sim::JournalAdd("driver-store: DriverPackageInstall " + Utf8(infPath) + " flags=" + Hex(flags) + " -> " +
                  Hex(result));
  return result;
}

uint32_t SysDriverPackagePreinstall(const char16_t* infPath, uint32_t flags) {
  Guard guard(Lock());
  if (SIM_FAULT(SysDriverPackagePreinstall)) return static_cast<uint32_t>(sim::internal::LastError());
  const uint32_t result = DifxMissing("DriverPackagePreinstallW");
  sim::JournalAdd("driver-store: DriverPackagePreinstall " + Utf8(infPath) + " flags=" + Hex(flags) + " -> " +
                  Hex(result));
  return result;
}

int SysSetupCopyOEMInf(const char16_t* sourceInf, uint32_t, uint32_t, char16_t* destName, uint32_t destNameSize) {
  Guard guard(Lock());
  if (destName && destNameSize > 0) destName[0] = 0;
  auto fail = [&](ErrorCode error) {
    sim::internal::SetLastError(error);
    sim::JournalAdd("driver-store: SetupCopyOEMInf " + Utf8(sourceInf) + " -> failed (" + std::to_string(error) + ")");
    return 0;
  };
  if (SIM_FAULT(SysSetupCopyOEMInf)) return fail(sim::internal::LastError());
  std::string bytes;
  if (!sourceInf || !sim::ReadDiskFile(sourceInf, &bytes)) return fail(kErrFileNotFound);

  // The same INF already in the store keeps its name; otherwise the first free oemN.inf.
  const std::u16string folder = State().profile.windowsDir + u"\\INF\\";
  std::u16string target;
  for (uint32_t n = 0; target.empty(); ++n) {
    const std::u16string candidate = folder + u"oem" + sim::FromUtf8(std::to_string(n)) + u".inf";
    std::string existing;
    if (!sim::ReadDiskFile(candidate, &existing) || existing == bytes) target = candidate;
  }
  if (!destName || target.size() + 1 > destNameSize) return fail(kErrInsufficientBuffer);
  if (!sim::DiskPathExists(target) && !sim::WriteDiskFile(target, bytes)) return fail(kErrAccessDenied);
  TextCopy(destName, destNameSize, target.c_str());
  sim::internal::SetLastError(kErrSuccess);
  sim::JournalAdd("driver-store: SetupCopyOEMInf " + Utf8(sourceInf) + " -> " + sim::ToUtf8(target));
  return 1;
}
