// The helper's end of the conversation with the program: messages in from stdin, out to a private copy
// of stdout (fd 1 itself goes to stderr, so a backend that prints cannot corrupt a message).
#pragma once

#include <optional>
#include <string>

#include "scan/ScanWire.h"

namespace pyxa::scanhelper {

class HelperChannel {
 public:
  HelperChannel();  // takes over stdin and stdout
  // Waits for the next message; nullopt when the program has gone or sent something unreadable.
  std::optional<scanwire::Message> Next();
  // The next message if one has arrived, without waiting; Gone() tells a vanished program apart.
  std::optional<scanwire::Message> Poll();
  bool Gone() const { return gone_; }
  // false when the program no longer reads (it has gone)
  bool Send(const std::string& message);
  int OutputFd() const { return out_; }

 private:
  bool Fill(bool wait);
  int in_ = 0;
  int out_ = -1;
  std::string buffer_;
  bool gone_ = false;
};

}  // namespace pyxa::scanhelper
