// Waiting for the clinic's answer in a program with windows: the pointer shows the wait and the
// windows keep painting but take no input; after a few seconds a window offers to give up.
#pragma once

#include "components/CallWaiter.h"

class QWidget;

namespace pyxa {

class ClinicWait final : public CallWaiter {
 public:
  // revealMs: how long a call runs before the give-up window shows.
  explicit ClinicWait(int revealMs = kRevealMs) : revealMs_(revealMs) {}

  bool Wait(QEventLoop& loop, const std::function<bool()>& ended) override;
  // True while a call waits: work started by timers meanwhile should wait its turn.
  bool Waiting() const { return depth_ > 0; }

  static constexpr int kRevealMs = 3000;

 private:
  int revealMs_;
  int depth_ = 0;
};

}  // namespace pyxa
