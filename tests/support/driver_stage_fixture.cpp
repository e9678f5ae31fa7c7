// Package, install record, scripted driver setup programs and devices for the driver tests.
#include "support/driver_stage_fixture.h"

#include "common/text.h"
#include "platform/registry.h"
#include "settings/settings.h"

namespace {

constexpr const char16_t* kRecordPath = u"Software\\Norvik\\Install\\Glidewave";

// The record a driver setup program was told about: its argument when it names a key.
std::u16string RecordOfCommandLine(const std::u16string& commandLine) {
  const size_t blank = commandLine.find(u' ');
  const std::u16string argument = blank == std::u16string::npos ? u"" : commandLine.substr(blank + 1);
  return argument.compare(0, 8, u"Software") == 0 ? argument : kRecordPath;
}

}  // namespace

void DriverStageFixture::Prepare() {
  UseConfig("");
  TextCopy(g_Settings.ProductKey, u"Glidewave");
  TextCopy(g_Settings.USBInstallSection, u"USBInstall");
  g_Settings.Restart = 0;
}

void DriverStageFixture::SeedRecord(const std::u16string& infName, const std::string& pnpId) {
  WritePackageFile(infName, "[Version]\r\n");
  std::string inf = sim::ToUtf8(PackagePath(infName));
  std::string escaped;
  for (char c : inf) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  ImportReg("[HKEY_LOCAL_MACHINE\\Software\\Norvik\\Install\\Glidewave]\n\"InfFile\"=\"" + escaped +
            "\"\n\"PnPID\"=\"" + pnpId + "\"\n\"DeviceName\"=\"Glidewave Mouse\"\n");
}

void DriverStageFixture::AddSetupProgram(const std::string& fileName, uint32_t result, bool writesResult) {
  WritePackageFile(sim::FromUtf8(fileName), "MZ");
  sim::ProgramBehaviour behaviour;
  if (writesResult) {
    behaviour.effect = [result](const sim::ProgramStart& start) {
      RegKey key = nullptr;
      if (SysRegOpenKey(kRegLocalMachine, RecordOfCommandLine(start.commandLine).c_str(), kKeyAllAccess, &key) != 0)
        return;
      SysRegSetValue(key, u"Result", kRegTypeDword, reinterpret_cast<const uint8_t*>(&result), sizeof(result));
      SysRegCloseKey(key);
    };
  }
  sim::SetProgramBehaviour(fileName, behaviour);
}

void DriverStageFixture::AddDevice(const std::string& className, bool present,
                                   const std::vector<std::u16string>& hardwareIds, const std::u16string& instanceId,
                                   uint32_t configFlags) {
  sim::Device device;
  device.className = className;
  device.present = present;
  device.hardwareIds = hardwareIds;
  device.instanceId = instanceId;
  device.configFlags = configFlags;
  sim::AddDevice(device);
}

int64_t DriverStageFixture::DeviceFlags(const std::u16string& instanceId) {
  for (const sim::Device& device : sim::Devices())
    if (device.instanceId == instanceId) return device.configFlags;
  return -1;
}

std::u16string DriverStageFixture::DeviceDriver(const std::u16string& instanceId) {
  for (const sim::Device& device : sim::Devices())
    if (device.instanceId == instanceId) return device.driverInf;
  return u"";
}

std::vector<std::string> DriverStageFixture::Started() {
  std::vector<std::string> lines;
  for (const sim::ProgramStart& start : sim::StartedPrograms()) lines.push_back(sim::ToUtf8(start.commandLine));
  return lines;
}
