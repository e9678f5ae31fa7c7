// Shared by the parser fuzzers: the entry point (FUZZ_TARGET), one simulated machine per process
// on a host folder of its own, the nothing-left-open check, output buffers guarded by a canary,
// and input bytes as text. A failed check aborts, so libFuzzer keeps the input that caused it.
#pragma once
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sim/kernel/ini_file.h"
#include "platform/sim/machine/machine.h"
#include "platform/ui.h"
#include "settings/settings.h"

namespace fuzz {

// Stops the run; libFuzzer reports it as a crash and saves the input.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}
inline void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

// The host folder of this process's simulated drives, removed when the process ends.
inline const std::string& HostRoot() {
  static const std::string* root = [] {
    std::string* made = new std::string((std::filesystem::temp_directory_path() / "glidewave-fuzz-XXXXXX").string());
    if (!mkdtemp(made->data())) Fail("cannot make a host folder for the simulated disk");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(HostRoot(), ec);
    });
    return made;
  }();
  return *root;
}

// A fresh Windows 7 machine (registry, journal, windows, faults and profile cache anew; files
// written before stay on the disk) with the package folder mounted as D: and the settings record
// at its initial values. Cheap enough to call for every input.
inline void ResetMachine() {
  sim::MachineProfile profile;
  if (!sim::BuiltinProfile("win7", &profile)) Fail("no built-in Windows 7 profile");
  sim::ResetMachine(profile, HostRoot() + "/disk");
  const std::string package = HostRoot() + "/package";
  std::error_code ec;
  std::filesystem::create_directories(package, ec);
  sim::MountPackage(package);
  ResetSettings();
}

// Writes a file of the simulated disk (creating its folders) and dates it back, a little further
// at every write: the profile functions then parse it once instead of at every read, as they do
// with files changed just now, and still see that it changed since the last input.
inline void WriteFile(const std::u16string& windowsPath, const uint8_t* data, size_t size) {
  if (!sim::WriteDiskFile(windowsPath, std::string(reinterpret_cast<const char*>(data), size)))
    Fail("cannot write " + sim::ToUtf8(windowsPath));
  static uint32_t writes = 0;
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2) -
                   std::chrono::milliseconds(++writes % 1000000);
  std::error_code ec;
  std::filesystem::last_write_time(sim::HostPath(windowsPath), old, ec);
}
inline void WriteFile(const std::u16string& windowsPath, const char* text) {
  WriteFile(windowsPath, reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text));
}

// Ends an input: fails when it left registry keys, kernel handles, drawing objects or device
// contexts open, then empties the journal and the screen's drawing record, so that an input
// leaves no allocation behind (which would make libFuzzer look for a leak after every input).
inline void EndInput() {
  const sim::OpenObjectCounts open = sim::OpenObjects();
  Check(open.registryKeys == 0, std::to_string(open.registryKeys) + " registry keys left open");
  Check(open.kernelHandles == 0, std::to_string(open.kernelHandles) + " kernel handles left open");
  Check(open.gdiObjects == 0, std::to_string(open.gdiObjects) + " drawing objects left undeleted");
  Check(open.deviceContexts == 0, std::to_string(open.deviceContexts) + " device contexts left unreleased");
  sim::ClearJournal();
  sim::ClearPaintLog(nullptr);
}

// An output buffer of `capacity` characters followed by a guard, all filled with a canary, so
// that a write past the capacity or a missing terminator shows even where it stays inside the
// allocation.
template <typename Char>
class Guarded {
 public:
  explicit Guarded(size_t capacity) : capacity_(capacity), bytes_(capacity + kGuard, Canary()) {}
  Char* data() { return bytes_.data(); }
  uint32_t capacity() const { return static_cast<uint32_t>(capacity_); }
  // Fails unless the guard is untouched and a terminator lies within the capacity (when required:
  // a buffer nothing was written to may keep its canary). Returns the text's length.
  size_t Check(const char* what, bool terminatorRequired = true) const {
    for (size_t i = capacity_; i < bytes_.size(); ++i)
      if (bytes_[i] != Canary()) Fail(std::string(what) + ": written past its capacity");
    size_t length = 0;
    while (length < capacity_ && bytes_[length] != 0) ++length;
    if (terminatorRequired && length == capacity_) Fail(std::string(what) + ": no terminator within its capacity");
    return length;
  }

 private:
  static constexpr size_t kGuard = 16;
  static Char Canary() { return static_cast<Char>(0x5A5A); }
  size_t capacity_;
  std::vector<Char> bytes_;
};

// Whether a fixed text field holds its terminator.
template <size_t N>
bool Terminated(const char16_t (&text)[N]) {
  return std::char_traits<char16_t>::find(text, N, 0) != nullptr;
}

// Input bytes as the machine reads a text file: a byte-order mark selects UTF-16 or UTF-8,
// anything else is code page 1252.
inline std::string Bytes(const uint8_t* data, size_t size) { return std::string(reinterpret_cast<const char*>(data), size); }
inline std::u16string Text(const uint8_t* data, size_t size) { return sim::DecodeTextBytes(Bytes(data, size)); }

// Draws a bitmap through a memory context onto the screen (so the machine reads its bits), then
// deletes it.
inline void DrawAndDelete(GdiObject bitmap) {
  if (!bitmap) return;
  int32_t width = 0, height = 0;
  SysGetBitmapSize(bitmap, &width, &height);
  DeviceContext screen = SysGetDC(nullptr);
  DeviceContext memory = SysCreateCompatibleDC(screen);
  GdiObject previous = SysSelectObject(memory, bitmap);
  SysBitBlt(screen, 0, 0, width, height, memory, 0, 0);
  SysStretchBlt(screen, 0, 0, 7, 5, memory, 0, 0, width, height);
  SysSelectObject(memory, previous);
  SysDeleteDC(memory);
  SysReleaseDC(nullptr, screen);
  SysDeleteObject(bitmap);
}

}  // namespace fuzz

// Defines libFuzzer's entry point around the body that follows: the machine is started once per
// process, the settings record reset before every input, and every input (even one the body
// leaves by `return`) must end with nothing left open (EndInput).
#define FUZZ_TARGET(data, size)                                                \
  static void FuzzInput(const uint8_t* data, size_t size);                     \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {    \
    static const bool started = (fuzz::ResetMachine(), true);                  \
    (void)started;                                                             \
    ResetSettings();                                                           \
    FuzzInput(data, size);                                                     \
    fuzz::EndInput();                                                          \
    return 0;                                                                  \
  }                                                                            \
  static void FuzzInput(const uint8_t* data, size_t size)
