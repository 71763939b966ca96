// The clinic server's command line: --clinic FILE --cert PEM --key PEM [--listen HOST:PORT]
// [--threads N] [--create-demo]; each value may also follow its option after "=".
#pragma once

#include <QString>
#include <QStringList>

namespace pyxa {

struct ServerArguments {
  QString clinicPath, certificatePath, keyPath;
  QString host = QStringLiteral("0.0.0.0");
  int port = 8443;
  int threads = 64;
  bool createDemo = false;
  QString error;  // not empty: the command line is wrong and says why
};

// arguments[0] is the program itself.
ServerArguments ParseServerArguments(const QStringList& arguments);

inline const QString kServerUsage = QStringLiteral(
    "usage: pyxa-clinic-server --clinic FILE --cert PEM --key PEM [--listen HOST:PORT] [--threads N] [--create-demo]");

}  // namespace pyxa
