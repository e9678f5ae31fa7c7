// Reading the install record: the driver values written before the stage and the verdict of
// the driver setup program.
#include "drivers/driver_record.h"

#include "common/text.h"
#include "drivers/driver_keys.h"
#include "settings/settings.h"

void DriverRecordPath(char16_t* out, uint32_t cap) {
  TextCopy(out, cap, kRegPathInstallRecords);
  TextAppend(out, cap, u"\\");
  TextAppend(out, cap, g_Settings.ProductKey);
}

int OpenDriverRecord(RegKey* key) {
  char16_t path[2 * kTextSize];
  DriverRecordPath(path, 2 * kTextSize);
  *key = nullptr;
  return SysRegOpenKey(kRegLocalMachine, path, kKeyRead, key) == 0 ? 1 : 0;
}

void ReadDriverRecordText(RegKey key, const char16_t* name, char16_t* out) {
  // 512 bytes of string data, and room for a terminator the value may lack.
  char16_t data[kTextSize + 1] = {};
  uint32_t type = 0;
  uint32_t size = 2 * (kTextSize - 1) + 2;
  out[0] = 0;
  if (SysRegQueryValue(key, name, &type, reinterpret_cast<uint8_t*>(data), &size) != 0) return;
  if (type != kRegTypeSz && type != kRegTypeExpandSz) return;
  TextCopyN(out, kTextSize, data, size / 2);
}

uint32_t ReadDriverResult() {
  RegKey key = nullptr;
  if (!OpenDriverRecord(&key)) return 0;
  uint32_t result = 0;
  uint32_t type = 0;
  uint32_t size = sizeof(result);
  if (SysRegQueryValue(key, kDriverRecordResult, &type, reinterpret_cast<uint8_t*>(&result), &size) != 0 ||
      type != kRegTypeDword || size != sizeof(result))
    result = 0;
  SysRegCloseKey(key);
  return result;
}
