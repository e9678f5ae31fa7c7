// Machine profiles: the built-in Windows families from 95 to 8 with the numbers and folder names
// each reports, and the reader of profile files that adjust one of them.
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <type_traits>

#include "platform/sim/machine/machine.h"

namespace sim {

namespace {

constexpr uint8_t kDriveNone = 1;
constexpr uint8_t kDriveRemovable = 2;
constexpr uint8_t kDriveFixed = 3;
constexpr uint8_t kDriveRemote = 4;
constexpr uint8_t kDriveCdrom = 5;
constexpr uint8_t kDriveRamdisk = 6;

constexpr uint32_t kPlatform9x = 1;
constexpr uint32_t kPlatformNt = 2;
constexpr uint8_t kWorkstation = 1;
constexpr uint8_t kServer = 3;
constexpr uint32_t kEnglishUs = 0x0409;

// Folder naming schemes of the families.
enum class Family { NineX, Nt4, Nt5, Nt6 };

MachineProfile MakeProfile(const char* name, Family family, uint32_t major, uint32_t minor, uint32_t build,
                           const char16_t* csd, uint16_t spMajor, uint8_t productType) {
  MachineProfile p;
  p.name = name;
  p.major = major;
  p.minor = minor;
  p.build = build;
  p.platformId = family == Family::NineX ? kPlatform9x : kPlatformNt;
  p.productType = productType;
  // Only Windows 2000 and later answer the extended version request.
  p.hasExtendedVersion = family == Family::Nt5 || family == Family::Nt6;
  p.csdVersion = csd;
  p.servicePackMajor = spMajor;
  p.servicePackMinor = 0;
  p.programFilesDir = u"C:\\Program Files";
  switch (family) {
    case Family::NineX:
      p.windowsDir = u"C:\\WINDOWS";
      p.systemDir = u"C:\\WINDOWS\\SYSTEM";
      p.commonAppDataDir = u"";
      p.commonProgramsDir = u"C:\\WINDOWS\\Start Menu\\Programs";
      break;
    case Family::Nt4:
      p.windowsDir = u"C:\\WINNT";
      p.systemDir = u"C:\\WINNT\\system32";
      p.commonAppDataDir = u"";
      p.commonProgramsDir = u"C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs";
      break;
    case Family::Nt5:
      p.windowsDir = u"C:\\WINDOWS";
      p.systemDir = u"C:\\WINDOWS\\system32";
      p.commonAppDataDir = u"C:\\Documents and Settings\\All Users\\Application Data";
      p.commonProgramsDir = u"C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
      break;
    case Family::Nt6:
      p.windowsDir = u"C:\\Windows";
      p.systemDir = u"C:\\Windows\\System32";
      p.commonAppDataDir = u"C:\\ProgramData";
      p.commonProgramsDir = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
      break;
  }
  p.userLocale = kEnglishUs;
  p.threadLocale = kEnglishUs;
  for (uint8_t& type : p.driveTypes) type = kDriveNone;
  p.driveTypes['A' - 'A'] = kDriveRemovable;
  p.driveTypes['C' - 'A'] = kDriveFixed;
  p.driveTypes['D' - 'A'] = kDriveFixed;
  p.packageDrive = 'D';
  return p;
}

std::vector<MachineProfile> AllBuiltins() {
  std::vector<MachineProfile> all;
  all.push_back(MakeProfile("win95", Family::NineX, 4, 0, 950, u"", 0, kWorkstation));
  all.push_back(MakeProfile("win98", Family::NineX, 4, 10, 2222, u" A ", 0, kWorkstation));
  all.push_back(MakeProfile("winme", Family::NineX, 4, 90, 3000, u"", 0, kWorkstation));
  all.push_back(MakeProfile("nt4", Family::Nt4, 4, 0, 1381, u"Service Pack 6", 6, kWorkstation));
  // Windows 2000 keeps its system in WINNT like NT 4; only the profile folders moved.
  MachineProfile w2k = MakeProfile("win2000", Family::Nt5, 5, 0, 2195, u"Service Pack 4", 4, kWorkstation);
  w2k.windowsDir = u"C:\\WINNT";
  w2k.systemDir = u"C:\\WINNT\\system32";
  all.push_back(w2k);
  all.push_back(MakeProfile("winxp", Family::Nt5, 5, 1, 2600, u"Service Pack 3", 3, kWorkstation));
  all.push_back(MakeProfile("winxp64", Family::Nt5, 5, 2, 3790, u"Service Pack 2", 2, kWorkstation));
  all.push_back(MakeProfile("server2003", Family::Nt5, 5, 2, 3790, u"Service Pack 2", 2, kServer));
  all.push_back(MakeProfile("vista", Family::Nt6, 6, 0, 6002, u"Service Pack 2", 2, kWorkstation));
  all.push_back(MakeProfile("win7", Family::Nt6, 6, 1, 7601, u"Service Pack 1", 1, kWorkstation));
  all.push_back(MakeProfile("win8", Family::Nt6, 6, 2, 9200, u"", 0, kWorkstation));
  return all;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Decimal or 0x-prefixed hexadecimal number that fits max. Returns false on anything else.
bool ParseNumber(const std::string& text, uint32_t max, uint32_t* out) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  int base = 10;
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits = digits.substr(2);
  }
  if (digits.empty()) return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long value = std::strtoull(digits.c_str(), &end, base);
  if (errno != 0 || !end || *end != 0 || value > max) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

bool ParseDriveType(const std::string& text, uint8_t* out) {
  static const struct {
    const char* name;
    uint8_t type;
  } kTypes[] = {{"none", kDriveNone},     {"removable", kDriveRemovable}, {"fixed", kDriveFixed},
                {"remote", kDriveRemote}, {"cdrom", kDriveCdrom},         {"ramdisk", kDriveRamdisk}};
  for (const auto& entry : kTypes) {
    if (Lower(text) == entry.name) {
      *out = entry.type;
      return true;
    }
  }
  return false;
}

bool ParseDriveLetter(const std::string& text, char* out) {
  if (text.size() != 1) return false;
  char c = text[0];
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c < 'A' || c > 'Z') return false;
  *out = c;
  return true;
}

// Splits text at every sep.
std::vector<std::string> SplitAt(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at = text.find(sep); at != std::string::npos; at = text.find(sep, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  parts.push_back(text.substr(start));
  return parts;
}

// A "device" value: class|present or unplugged|hardware ids, comma-separated|instance id and
// optionally |configuration flags. Returns false with a message for a malformed value.
bool ParseDeviceValue(const std::string& value, MachineProfile* p, std::string* message) {
  const std::vector<std::string> fields = SplitAt(value, '|');
  if (fields.size() != 4 && fields.size() != 5) {
    *message = "device must be class|present|ids|instance[|flags], not \"" + value + "\"";
    return false;
  }
  Device device;
  device.className = Trim(fields[0]);
  const std::string state = Lower(Trim(fields[1]));
  if (state != "present" && state != "unplugged") {
    *message = "device state must be present or unplugged, not \"" + fields[1] + "\"";
    return false;
  }
  device.present = state == "present";
  for (const std::string& id : SplitAt(fields[2], ','))
    if (!Trim(id).empty()) device.hardwareIds.push_back(FromUtf8(Trim(id)));
  device.instanceId = FromUtf8(Trim(fields[3]));
  if (device.className.empty() || device.instanceId.empty()) {
    *message = "device needs a class and an instance id";
    return false;
  }
  if (fields.size() == 5 && !ParseNumber(Trim(fields[4]), 0xFFFFFFFFu, &device.configFlags)) {
    *message = "bad device flags \"" + fields[4] + "\"";
    return false;
  }
  p->devices.push_back(device);
  return true;
}

// Applies one key to the profile. Returns false with a message for a bad key or value.
bool ApplyProfileKey(const std::string& key, const std::string& value, MachineProfile* p, std::string* message) {
  const std::string k = Lower(key);
  uint32_t number = 0;
  auto numberInto = [&](uint32_t max, auto* field) {
    if (!ParseNumber(value, max, &number)) {
      *message = "bad number \"" + value + "\" for " + key;
      return false;
    }
    *field = static_cast<std::remove_pointer_t<decltype(field)>>(number);
    return true;
  };
  if (k == "major") return numberInto(0xFF, &p->major);
  if (k == "minor") return numberInto(0xFF, &p->minor);
  if (k == "build") return numberInto(0xFFFF, &p->build);
  if (k == "producttype") return numberInto(0xFF, &p->productType);
  if (k == "userlocale") return numberInto(0xFFFFFFFFu, &p->userLocale);
  if (k == "threadlocale") return numberInto(0xFFFFFFFFu, &p->threadLocale);
  if (k == "platform") {
    std::string v = Lower(value);
    if (v == "nt") {
      p->platformId = kPlatformNt;
    } else if (v == "9x") {
      p->platformId = kPlatform9x;
    } else {
      *message = "platform must be nt or 9x, not \"" + value + "\"";
      return false;
    }
    return true;
  }
  if (k == "extendedversion") {
    if (value != "0" && value != "1") {
      *message = "extendedVersion must be 0 or 1";
      return false;
    }
    p->hasExtendedVersion = value == "1";
    return true;
  }
  if (k == "servicepack") {
    std::string majorText = value, minorText = "0";
    size_t dot = value.find('.');
    if (dot != std::string::npos) {
      majorText = value.substr(0, dot);
      minorText = value.substr(dot + 1);
    }
    uint32_t spMajor = 0, spMinor = 0;
    if (!ParseNumber(majorText, 0xFFFF, &spMajor) || !ParseNumber(minorText, 0xFFFF, &spMinor)) {
      *message = "servicePack must be major.minor, not \"" + value + "\"";
      return false;
    }
    p->servicePackMajor = static_cast<uint16_t>(spMajor);
    p->servicePackMinor = static_cast<uint16_t>(spMinor);
    return true;
  }
  struct TextKey {
    const char* name;
    std::u16string MachineProfile::*field;
  };
  static const TextKey kTextKeys[] = {
      {"csd", &MachineProfile::csdVersion},
      {"windowsdir", &MachineProfile::windowsDir},
      {"systemdir", &MachineProfile::systemDir},
      {"programfilesdir", &MachineProfile::programFilesDir},
      {"commonappdatadir", &MachineProfile::commonAppDataDir},
      {"commonprogramsdir", &MachineProfile::commonProgramsDir},
  };
  for (const TextKey& entry : kTextKeys) {
    if (k == entry.name) {
      p->*entry.field = FromUtf8(value);
      return true;
    }
  }
  if (k.compare(0, 6, "drive.") == 0) {
    char letter = 0;
    uint8_t type = 0;
    if (!ParseDriveLetter(key.substr(6), &letter)) {
      *message = "bad drive letter in " + key;
      return false;
    }
    if (!ParseDriveType(value, &type)) {
      *message = "drive type must be none, removable, fixed, remote, cdrom or ramdisk, not \"" + value + "\"";
      return false;
    }
    p->driveTypes[letter - 'A'] = type;
    return true;
  }
  if (k == "packagedrive") {
    if (!ParseDriveLetter(value, &p->packageDrive)) {
      *message = "packageDrive must be a drive letter, not \"" + value + "\"";
      return false;
    }
    return true;
  }
  if (k == "device") return ParseDeviceValue(value, p, message);
  *message = "unknown key \"" + key + "\"";
  return false;
}

// Splits a profile line into key and value. Returns false for a line without '='; sets
// *skip for blank and comment lines.
bool SplitLine(const std::string& raw, std::string* key, std::string* value, bool* skip) {
  std::string line = Trim(raw);
  *skip = line.empty() || line[0] == '#' || line[0] == ';';
  if (*skip) return true;
  size_t eq = line.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return !key->empty();
}

}  // namespace

bool BuiltinProfile(const std::string& name, MachineProfile* out) {
  for (const MachineProfile& p : AllBuiltins()) {
    if (p.name == name) {
      if (out) *out = p;
      return true;
    }
  }
  return false;
}

std::vector<std::string> BuiltinProfileNames() {
  std::vector<std::string> names;
  for (const MachineProfile& p : AllBuiltins()) names.push_back(p.name);
  return names;
}

bool LoadProfileFile(const std::string& path, MachineProfile* out, std::string* error) {
  std::string message;
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return false;
  };
  std::ifstream file(path, std::ios::binary);
  if (!file) return fail(path + ": cannot open the profile file");
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  if (!lines.empty() && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0) lines[0] = lines[0].substr(3);

  // The base profile comes first, wherever its line stands; the other keys apply in order.
  MachineProfile profile;
  BuiltinProfile("winxp", &profile);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string key, value;
    bool skip = false;
    if (!SplitLine(lines[i], &key, &value, &skip))
      return fail(path + ":" + std::to_string(i + 1) + ": expected key=value");
    if (skip || Lower(key) != "base") continue;
    if (!BuiltinProfile(value, &profile))
      return fail(path + ":" + std::to_string(i + 1) + ": unknown base profile \"" + value + "\"");
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string key, value;
    bool skip = false;
    SplitLine(lines[i], &key, &value, &skip);
    if (skip || Lower(key) == "base") continue;
    if (!ApplyProfileKey(key, value, &profile, &message))
      return fail(path + ":" + std::to_string(i + 1) + ": " + message);
  }
  size_t slash = path.find_last_of('/');
  profile.name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (out) *out = profile;
  return true;
}

}  // namespace sim
