#include "shell/ServiceFailures.h"

#include <cerrno>

#include "shell/ErrorTexts.h"
#include "shell/Session.h"

namespace pyxa {

ServiceFailureKind ClassifyServiceFailure(const QString& description) {
  if (IsSessionTimeout(description)) return ServiceFailureKind::SessionExpired;
  if (IsConnectionError(description)) return ServiceFailureKind::ConnectionLost;
  return ServiceFailureKind::Other;
}

void ReportServiceFailure(const ServiceError& error, Prompter& prompter, LoginPrompt& login) {
  const int lastSystemError = errno;
  switch (ClassifyServiceFailure(error.Description())) {
    case ServiceFailureKind::SessionExpired:
      prompter.Critical(ViewerErrorText(2072));
      login.ShowLogin();  // the operation is abandoned whatever the user does here
      break;
    case ServiceFailureKind::ConnectionLost:
      prompter.Critical(ViewerErrorText(2073));
      break;
    case ServiceFailureKind::Other:
      prompter.Critical(GenericErrorMessage(error.Number(), error.Description(), lastSystemError));
      break;
  }
}

}  // namespace pyxa
