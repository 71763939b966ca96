// Shows the login window modally and answers whether the user authenticated.
#pragma once

#include "shell/LoginController.h"
#include "shell/LoginPrompt.h"

class QWidget;

namespace pyxa {

class LoginWindow final : public LoginPrompt {
 public:
  LoginWindow(LoginController& controller, const AppSettings& settings) : controller_(controller), settings_(settings) {}

  // The window the login window is centred on (the main window once it exists).
  void SetParentWindow(QWidget* parent) { parent_ = parent; }
  bool ShowLogin() override;

 private:
  LoginController& controller_;
  const AppSettings& settings_;
  QWidget* parent_ = nullptr;
};

}  // namespace pyxa
