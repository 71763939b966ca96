#include "platform/SystemError.h"

#include <string.h>

namespace pyxa {

std::int32_t FormatSystemError(std::int32_t code, QString& text) {
  // The English text whatever the user's locale (strerror would translate it), and no text
  // at all for a code the system does not know.
  const char* message = strerrordesc_np(code);
  if (message == nullptr || *message == '\0') {
    text = QStringLiteral("Cannot FormatMessage from Win32. Returned - 0");
    return -1;
  }
  QString clean = QString::fromUtf8(message);
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
