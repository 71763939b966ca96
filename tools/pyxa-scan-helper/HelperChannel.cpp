#include "HelperChannel.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace pyxa::scanhelper {

HelperChannel::HelperChannel() {
  std::signal(SIGPIPE, SIG_IGN);  // a vanished program shows as a failed write, not a silent death
  out_ = dup(STDOUT_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

bool HelperChannel::Fill(bool wait) {
  pollfd p{in_, POLLIN, 0};
  for (;;) {
    const int r = poll(&p, 1, wait ? -1 : 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      gone_ = true;
      return false;
    }
    if (r == 0) return false;
    break;
  }
  char chunk[16384];
  ssize_t n;
  do {
    n = read(in_, chunk, sizeof chunk);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    gone_ = true;
    return false;
  }
  buffer_.append(chunk, static_cast<std::size_t>(n));
  return true;
}

std::optional<scanwire::Message> HelperChannel::Poll() {
  for (;;) {
    scanwire::Message m;
    switch (scanwire::TakeMessage(buffer_, m)) {
      case scanwire::Take::Message:
        return m;
      case scanwire::Take::Broken:
        gone_ = true;  // nothing after an unreadable length can be trusted
        return std::nullopt;
      case scanwire::Take::NeedMore:
        break;
    }
    if (gone_ || !Fill(false)) return std::nullopt;
  }
}

std::optional<scanwire::Message> HelperChannel::Next() {
  for (;;) {
    scanwire::Message m;
    switch (scanwire::TakeMessage(buffer_, m)) {
      case scanwire::Take::Message:
        return m;
      case scanwire::Take::Broken:
        gone_ = true;
        return std::nullopt;
      case scanwire::Take::NeedMore:
        break;
    }
    if (gone_) return std::nullopt;
    Fill(true);
  }
}

bool HelperChannel::Send(const std::string& message) {
  std::size_t done = 0;
  while (done < message.size()) {
    const ssize_t n = write(out_, message.data() + done, message.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      gone_ = true;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace pyxa::scanhelper
