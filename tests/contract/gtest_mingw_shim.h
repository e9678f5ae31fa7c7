// Lets GoogleTest build with a mingw-w64 compiler whose C++ library has no std::mutex (the
// win32 thread model): supplies GoogleTest's internal start signal as a Windows event.
// Force-included ahead of GoogleTest, together with GTEST_HAS_NOTIFICATION_=1.
#pragma once
#include <windows.h>

namespace testing {
namespace internal {

// One-shot signal from the controlling thread to the threads it started.
class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  // Releases every waiting thread, now and later.
  void Notify() { SetEvent(event_); }
  // Blocks until Notify has been called.
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
