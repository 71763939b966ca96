// What the Login button does, without the window: a fresh session object per attempt,
// connecting, keeping the credentials, and the messages of a failed attempt.
#pragma once

#include "components/ClinicalService.h"
#include "platform/Prompter.h"
#include "shell/AppSettings.h"
#include "shell/Session.h"

#include <functional>

namespace pyxa {

class LoginController {
 public:
  LoginController(ClinicalServiceFactory& factory, Session& session, AppSettings& settings, Prompter& prompter)
      : factory_(factory), session_(session), settings_(settings), prompter_(prompter) {}

  // Before connecting: an http: address is used only once the user has accepted it as insecure
  // (asked here, and remembered for that address). False when the user declined.
  bool AcceptsAddress();

  // Creates a new Integration object, connects it and keeps the credentials. On failure the
  // object is released, undoFailed runs (the window restores the pointer and empties the
  // password box) and then the user is told why.
  bool Connect(const QString& login, const QString& password, const std::function<void()>& undoFailed = {});

  // After the window has closed: tells the service the login's time offset. False when that
  // failed (the object is released and the failure shown), which undoes the login.
  bool SetTimeOffset(const QString& login);

 private:
  void Fail(const ServiceError& error, const std::function<void()>& undoFailed = {});

  ClinicalServiceFactory& factory_;
  Session& session_;
  AppSettings& settings_;
  Prompter& prompter_;
};

}  // namespace pyxa
