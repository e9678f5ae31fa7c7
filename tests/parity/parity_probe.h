// Parity probe: one fixed script of profile reads and registry operations run through the
// platform seam, printing one line per result, so that the simulated machine's answers can be
// compared line by line with those of Windows (Wine).
#pragma once

// Runs the profile script on the INI file at iniPath (a Windows path); every output line starts
// with label. Then nothing else.
void RunProfileProbe(const char* label, const char16_t* iniPath);

// Runs the registry script below HKEY_CURRENT_USER\<basePath> (removed first when left over,
// and again at the end).
void RunRegistryProbe(const char16_t* basePath);

// The whole probe: the profile script on every INI path (labels "lf" and "crlf" are the usual
// ones), then the registry script. Returns the process exit code (0).
int RunParityProbe(const char* const* labels, const char16_t* const* iniPaths, int iniCount,
                   const char16_t* registryBase);

// The registry key the mains play under when none is given.
inline constexpr char16_t kParityRegistryBase[] = u"Software\\GlidewaveParityProbe";
