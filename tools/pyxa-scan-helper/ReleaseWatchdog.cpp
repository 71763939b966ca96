#include "ReleaseWatchdog.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace pyxa::scanhelper {
namespace {

// What the signal handler sends. Set before the timer is armed; the handler only reads them.
volatile int g_fd = -1;
const char* volatile g_data = nullptr;
volatile std::size_t g_size = 0;

// Runs on whichever thread the signal reaches, possibly one stuck holding a library lock: so only
// write() and _exit(), which take none.
void OnExpired(int) {
  const char* data = g_data;
  std::size_t left = g_size;
  while (left > 0) {
    const ssize_t n = write(g_fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  _exit(3);
}

}  // namespace

ReleaseWatchdog::ReleaseWatchdog(int fd, const std::string& ending, unsigned seconds) {
  if (seconds == 0) return;
  g_fd = fd;
  g_data = ending.data();
  g_size = ending.size();
  // A real-time signal of our own, so that a backend's use of SIGALRM is left alone.
  const int signo = SIGRTMIN + 3;
  struct sigaction action {};
  action.sa_handler = OnExpired;
  sigemptyset(&action.sa_mask);
  if (sigaction(signo, &action, nullptr) != 0) return;
  sigevent event{};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = signo;
  timer_t timer{};
  if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) return;
  itimerspec when{};
  when.it_value.tv_sec = static_cast<time_t>(seconds);
  if (timer_settime(timer, 0, &when, nullptr) != 0) {
    timer_delete(timer);
    return;
  }
  timer_ = timer;
  armed_ = true;
}

ReleaseWatchdog::~ReleaseWatchdog() {
  if (armed_) timer_delete(static_cast<timer_t>(timer_));
}

unsigned ReleaseWatchdog::LimitFromEnvironment() {
  if (const char* text = std::getenv("PYXA_SCAN_RELEASE_SECONDS")) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end != text && *end == '\0' && value <= 3600) return static_cast<unsigned>(value);
  }
  return 20;
}

}  // namespace pyxa::scanhelper
