#include "platform/SystemError.h"

#include <system_error>

namespace pyxa {

std::int32_t FormatSystemError(std::int32_t code, QString& text) {
  const std::string message = std::system_category().message(code);
  // glibc answers "Unknown error N" for codes it has no text for.
  if (message.empty() || message.rfind("Unknown error", 0) == 0) {
    text = QStringLiteral("Cannot FormatMessage from Win32. Returned - 0");
    return -1;
  }
  QString clean = QString::fromLocal8Bit(message.c_str());
  clean.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
  text = clean + QStringLiteral(" (") + QString::number(static_cast<std::uint32_t>(code), 16).toUpper() +
         QStringLiteral(")");
  return 0;
}

QString SystemErrorText(std::int32_t code) {
  QString text;
  FormatSystemError(code, text);
  return text;
}

}  // namespace pyxa
