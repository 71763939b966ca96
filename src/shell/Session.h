// The web-service session of one run: the Integration object created at login and the
// credentials kept to reconnect silently, with the retry rule every service caller applies.
#pragma once

#include "components/ClinicalService.h"

#include <memory>
#include <utility>

namespace pyxa {

// Opens the session: the two-argument form when no URL is configured.
void ConnectWebService(ClinicalService& integration, const QString& login, const QString& password,
                       const QString& url);

// The description of an expired session ("session timed out", case-sensitive substring).
bool IsSessionTimeout(const QString& description);
// The description of an unreachable service.
bool IsConnectionError(const QString& description);

enum class RetryOn { SessionTimeout, SessionTimeoutOrConnection };

class Session {
 public:
  ClinicalService* Integration() const { return integration_.get(); }
  bool IsOpen() const { return integration_ != nullptr; }

  // Installs the object of a new login attempt, releasing the previous one.
  void Replace(std::unique_ptr<ClinicalService> integration) { integration_ = std::move(integration); }
  void Release() { integration_.reset(); }
  void SetCredentials(const QString& login, const QString& password, const QString& url) {
    login_ = login;
    password_ = password;
    url_ = url;
  }
  const QString& Login() const { return login_; }
  const QString& Password() const { return password_; }
  const QString& Url() const { return url_; }

  // Connects the session's object again with the stored credentials. Throws ServiceError.
  void Reconnect();

  // Makes a service call; when it fails with an expired session (or, for RetryOn::
  // SessionTimeoutOrConnection, a lost connection too) reconnects once and makes it again.
  // What still fails is thrown to the caller as ServiceError.
  template <typename CallFn>
  auto Call(CallFn&& call, RetryOn retryOn = RetryOn::SessionTimeout) {
    ClinicalService& service = Require();
    try {
      return call(service);
    } catch (const ServiceError& error) {
      if (!ShouldRetry(error.Description(), retryOn)) throw;
    }
    Reconnect();
    return call(Require());
  }

 private:
  ClinicalService& Require() const;
  static bool ShouldRetry(const QString& description, RetryOn retryOn);

  std::unique_ptr<ClinicalService> integration_;
  QString login_;
  QString password_;
  QString url_;
};

}  // namespace pyxa
