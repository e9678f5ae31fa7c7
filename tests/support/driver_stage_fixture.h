// Fixture for the driver stage and the device queries: a package folder with a configuration
// file, the product "Glidewave" with its install record, scripted driver setup programs and
// devices of the simulated machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/sim_fixture.h"

class DriverStageFixture : public SimFixture {
 protected:
  // SourceDir = the package folder, ConfigFile = its SETUP2K.INI (empty), ProductKey
  // "Glidewave", USBInstallSection "USBInstall", Restart 0.
  void Prepare() override;

  // The install record HKLM\Software\Norvik\Install\Glidewave with InfFile (a package file that
  // is created) and PnPID; DeviceName "Glidewave Mouse".
  void SeedRecord(const std::u16string& infName, const std::string& pnpId);
  // Puts a driver setup program (or helper) in the package folder. When it runs it writes the
  // DWORD "Result" = result into the record named by its argument (its product's record for
  // any other argument); with writesResult false it writes nothing.
  void AddSetupProgram(const std::string& fileName, uint32_t result, bool writesResult = true);

  // A device of the simulated machine.
  static void AddDevice(const std::string& className, bool present, const std::vector<std::u16string>& hardwareIds,
                        const std::u16string& instanceId, uint32_t configFlags = 0);
  // The configuration flags of the device with that instance id; -1 when it is gone.
  static int64_t DeviceFlags(const std::u16string& instanceId);
  // The INF of the last driver update of that device ("" when none or gone).
  static std::u16string DeviceDriver(const std::u16string& instanceId);
  // Command lines of the programs started, in order (UTF-8).
  static std::vector<std::string> Started();
};
