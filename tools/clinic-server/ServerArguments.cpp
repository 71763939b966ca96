#include "ServerArguments.h"

namespace pyxa {
namespace {

// "HOST:PORT", "[v6]:PORT" or ":PORT" (every address).
bool ParseListen(const QString& text, QString& host, int& port) {
  const int colon = static_cast<int>(text.lastIndexOf(QLatin1Char(':')));
  if (colon < 0) return false;
  QString name = text.left(colon);
  if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) name = name.mid(1, name.size() - 2);
  bool ok = false;
  const int number = text.mid(colon + 1).toInt(&ok);
  if (!ok || number < 1 || number > 65535) return false;
  host = name.isEmpty() ? QStringLiteral("0.0.0.0") : name;
  port = number;
  return true;
}

}  // namespace

ServerArguments ParseServerArguments(const QStringList& arguments) {
  ServerArguments result;
  const auto fail = [&result](const QString& why) {
    result.error = why;
    return result;
  };
  for (int i = 1; i < arguments.size(); ++i) {
    QString option = arguments[i];
    QString value;
    bool hasValue = false;
    const int equals = static_cast<int>(option.indexOf(QLatin1Char('=')));
    if (option.startsWith(QStringLiteral("--")) && equals > 0) {
      value = option.mid(equals + 1);
      option = option.left(equals);
      hasValue = true;
    }
    if (option == QStringLiteral("--create-demo")) {
      if (hasValue) return fail(QStringLiteral("--create-demo takes no value"));
      result.createDemo = true;
      continue;
    }
    static const QStringList valued = {QStringLiteral("--clinic"), QStringLiteral("--cert"), QStringLiteral("--key"),
                                       QStringLiteral("--listen"), QStringLiteral("--threads")};
    if (!valued.contains(option)) return fail(QStringLiteral("unknown argument \"%1\"").arg(arguments[i]));
    if (!hasValue) {
      if (i + 1 >= arguments.size()) return fail(QStringLiteral("%1 needs a value").arg(option));
      value = arguments[++i];
    }
    if (value.isEmpty()) return fail(QStringLiteral("%1 needs a value").arg(option));
    if (option == QStringLiteral("--clinic")) {
      result.clinicPath = value;
    } else if (option == QStringLiteral("--cert")) {
      result.certificatePath = value;
    } else if (option == QStringLiteral("--key")) {
      result.keyPath = value;
    } else if (option == QStringLiteral("--listen")) {
      if (!ParseListen(value, result.host, result.port)) {
        return fail(QStringLiteral("--listen \"%1\" is not HOST:PORT with a port from 1 to 65535").arg(value));
      }
    } else {
      bool ok = false;
      result.threads = value.toInt(&ok);
      if (!ok || result.threads < 1 || result.threads > 1024) {
        return fail(QStringLiteral("--threads \"%1\" is not a number from 1 to 1024").arg(value));
      }
    }
  }
  if (result.clinicPath.isEmpty()) return fail(QStringLiteral("--clinic is missing"));
  if (result.certificatePath.isEmpty()) return fail(QStringLiteral("--cert is missing"));
  if (result.keyPath.isEmpty()) return fail(QStringLiteral("--key is missing"));
  return result;
}

}  // namespace pyxa
