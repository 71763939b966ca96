#include "shell/KeepAlive.h"

#include "shell/ErrorTexts.h"

namespace pyxa {

KeepAlive::Result KeepAlive::Tick() {
  if (!session_.IsOpen()) return Result::Failed;
  try {
    session_.Integration()->GetServerTime();
    return Result::Alive;
  } catch (const std::exception&) {
    // Any failure: reconnect once with the stored credentials and ask again below.
  }
  QString description;
  try {
    session_.Reconnect();
    session_.Integration()->GetServerTime();
    return Result::Reconnected;
  } catch (const ServiceError& error) {
    description = error.Description();
  } catch (const std::exception& error) {
    description = QString::fromStdString(error.what());
  }
  if (!IsSessionTimeout(description)) return Result::Failed;
  // Stopped before the message so that no tick runs while the user answers.
  timer_.Stop();
  prompter_.Critical(ViewerErrorText(2072));
  if (!login_.ShowLogin()) return Result::LoginRefused;
  timer_.Start();
  return Result::LoggedInAgain;
}

}  // namespace pyxa
