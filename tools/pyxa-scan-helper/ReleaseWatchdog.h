// Bounds how long giving a device back may take. Some backends stop their reader thread by asynchronous
// cancellation, which can deadlock inside the C library; when that happens the watchdog still sends the
// batch's ending and ends the helper, so the program hears how the batch ended and starts a fresh helper.
#pragma once

#include <string>

namespace pyxa::scanhelper {

class ReleaseWatchdog {
 public:
  // Arms the watchdog: if it is still armed after `seconds`, `ending` is written to `fd` and the helper
  // exits. `ending` must outlive the watchdog. With seconds == 0 it never fires.
  ReleaseWatchdog(int fd, const std::string& ending, unsigned seconds);
  ~ReleaseWatchdog();  // disarms; the caller then sends the ending itself
  ReleaseWatchdog(const ReleaseWatchdog&) = delete;
  ReleaseWatchdog& operator=(const ReleaseWatchdog&) = delete;

  // The limit the helper runs with: PYXA_SCAN_RELEASE_SECONDS when set, otherwise 20 seconds.
  static unsigned LimitFromEnvironment();

 private:
  void* timer_ = nullptr;
  bool armed_ = false;
};

}  // namespace pyxa::scanhelper
