#include "shell/Session.h"

namespace pyxa {

void ConnectWebService(ClinicalService& integration, const QString& login, const QString& password,
                       const QString& url) {
  if (url.isEmpty()) {
    integration.Connect(login, password);
  } else {
    integration.Connect(login, password, url);
  }
}

bool IsSessionTimeout(const QString& description) { return description.contains(kSessionTimedOut); }

bool IsConnectionError(const QString& description) {
  return description.contains(kUnableToConnect) || description.contains(QStringLiteral("connection was closed")) ||
         description.contains(QStringLiteral("request failed"));
}

void Session::Reconnect() { ConnectWebService(Require(), login_, password_, url_); }

ClinicalService& Session::Require() const {
  // Without a login there is no session: report it the way an expired one is reported.
  if (!integration_) throw ServiceError(0, QStringLiteral("You're not logged in: the session timed out."));
  return *integration_;
}

bool Session::ShouldRetry(const QString& description, RetryOn retryOn) {
  if (IsSessionTimeout(description)) return true;
  return retryOn == RetryOn::SessionTimeoutOrConnection && IsConnectionError(description);
}

}  // namespace pyxa
