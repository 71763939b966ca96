#include "UploadArguments.h"

namespace pyxa {

UploadArguments ParseUploadArguments(const QStringList& arguments) {
  UploadArguments parsed;
  const QString option = QStringLiteral("--store");
  const QString optionWithValue = option + QLatin1Char('=');
  bool seen = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    QString value;
    if (argument == option) {
      if (i + 1 >= arguments.size()) {
        parsed.error = QStringLiteral("--store needs the path of a document store");
        return parsed;
      }
      value = arguments.at(++i);
    } else if (argument.startsWith(optionWithValue)) {
      value = argument.mid(optionWithValue.size());
    } else {
      parsed.error = QStringLiteral("unknown argument '%1'").arg(argument);
      return parsed;
    }
    if (seen) {
      parsed.error = QStringLiteral("--store is given more than once");
      return parsed;
    }
    if (value.isEmpty()) {
      parsed.error = QStringLiteral("--store needs the path of a document store");
      return parsed;
    }
    seen = true;
    parsed.storePath = value;
  }
  return parsed;
}

}  // namespace pyxa
