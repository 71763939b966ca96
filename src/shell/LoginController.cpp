#include "shell/LoginController.h"

#include <cerrno>

#include "components/ServiceFactory.h"
#include "shell/ErrorTexts.h"
#include "shell/PreferenceRules.h"

namespace pyxa {

bool LoginController::AcceptsAddress() {
  const QString url = settings_.WebServiceURL.trimmed();
  if (!IsNetworkUrl(url) || !AsksInsecureQuestion(url) || settings_.WebServiceInsecureURL == url) return true;
  if (prompter_.Ask({kInsecureQuestion, QString(), PromptIcon::Question, PromptButtons::YesNo}) != PromptAnswer::Yes) {
    return false;
  }
  settings_.WebServiceInsecureURL = url;
  return true;
}

bool LoginController::Connect(const QString& login, const QString& password,
                              const std::function<void()>& undoFailed) {
  try {
    session_.Replace(factory_.Create());
    ConnectWebService(*session_.Integration(), login, password, settings_.WebServiceURL);
    session_.SetCredentials(login, password, session_.Integration()->URL());
    settings_.LastLogin = login;
    return true;
  } catch (const ServiceError& error) {
    Fail(error, undoFailed);
  } catch (const std::exception& error) {
    Fail(ServiceError(ErrorNumberOf(error), ErrorDescriptionOf(error)), undoFailed);
  }
  return false;
}

bool LoginController::SetTimeOffset(const QString& login) {
  try {
    if (session_.Integration()) session_.Integration()->SetTimeOffset(login);
    return true;
  } catch (const ServiceError& error) {
    Fail(error);
  } catch (const std::exception& error) {
    Fail(ServiceError(ErrorNumberOf(error), ErrorDescriptionOf(error)));
  }
  return false;
}

void LoginController::Fail(const ServiceError& error, const std::function<void()>& undoFailed) {
  const int lastSystemError = errno;  // before releasing the session can change it
  session_.Release();
  if (undoFailed) undoFailed();
  if (error.Description() == kWrongLoginOrPassword) {
    prompter_.Notice(QStringLiteral("You have entered invalid login information.\n"
                                    "                     Please try again."));
  } else {
    prompter_.Critical(GenericErrorMessage(error.Number(), error.Description(), lastSystemError));
  }
}

}  // namespace pyxa
