// How the rules reach the login window without knowing it: start-up, the keep-alive and the
// handlers of service failures ask through this interface.
#pragma once

namespace pyxa {

class LoginPrompt {
 public:
  virtual ~LoginPrompt() = default;
  // Shows the login window modally; true when the user authenticated.
  virtual bool ShowLogin() = 0;
};

}  // namespace pyxa
