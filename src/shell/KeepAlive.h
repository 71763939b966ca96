// The one-minute keep-alive of the main window: asks the service for its time, reconnects
// silently once when that fails, and leads the user to the login window only when the
// session is really gone.
#pragma once

#include "platform/Prompter.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

namespace pyxa {

class KeepAliveTimer {
 public:
  virtual ~KeepAliveTimer() = default;
  virtual void Stop() = 0;
  virtual void Start() = 0;
};

class KeepAlive {
 public:
  static constexpr int kIntervalMs = 60000;

  KeepAlive(Session& session, Prompter& prompter, LoginPrompt& login, KeepAliveTimer& timer)
      : session_(session), prompter_(prompter), login_(login), timer_(timer) {}

  enum class Result { Alive, Reconnected, Failed, LoggedInAgain, LoginRefused };
  Result Tick();

 private:
  Session& session_;
  Prompter& prompter_;
  LoginPrompt& login_;
  KeepAliveTimer& timer_;
};

}  // namespace pyxa
