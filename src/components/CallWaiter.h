// How a session object waits for the clinic's answer. A window keeps painting while it waits, shows
// that it does, and lets the user give up after a few seconds; without a window a call just waits.
#pragma once

#include <QEventLoop>
#include <functional>

namespace pyxa {

class CallWaiter {
 public:
  virtual ~CallWaiter() = default;
  // Runs `loop` until it quits (the answer came, or the call's time-out struck) or the user gives
  // up; `ended` tells whether the call has ended meanwhile. False when the user gave up.
  virtual bool Wait(QEventLoop& loop, const std::function<bool()>& ended) = 0;
};

}  // namespace pyxa
