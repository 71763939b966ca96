#include "shell/PreferenceRules.h"

namespace pyxa {

std::optional<qint16> ParseServiceTimeout(const QString& text, QString* why) {
  bool number = false;
  const int value = text.trimmed().toInt(&number);
  if (!number || value < 0 || value > 32767) {
    if (why) {
      *why = QStringLiteral("The web service time-out must be a number of seconds from 0 to 32767 (0 uses the "
                            "service's own time-out); \"%1\" is not.")
                 .arg(text);
    }
    return std::nullopt;
  }
  return static_cast<qint16>(value);
}

bool AsksInsecureQuestion(const QString& url) {
  const QString address = url.trimmed();
  if (address.left(5).toUpper() == QStringLiteral("HTTPS")) return false;
  return !address.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive);
}

}  // namespace pyxa
