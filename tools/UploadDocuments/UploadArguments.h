// The upload program's command line: nothing, or "--store PATH" (also "--store=PATH") to name the
// store instead of the one the settings point to.
#pragma once

#include <QString>
#include <QStringList>

namespace pyxa {

struct UploadArguments {
  QString storePath;  // empty: the store of the settings
  QString error;      // not empty: the command line is wrong and says why
};

// arguments[0] is the program itself, as QCoreApplication::arguments() gives it.
UploadArguments ParseUploadArguments(const QStringList& arguments);

inline const QString kUploadUsage = QStringLiteral("usage: UploadDocuments [--store PATH]");

}  // namespace pyxa
