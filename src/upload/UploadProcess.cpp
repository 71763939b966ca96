#include "upload/UploadProcess.h"

#include "platform/ProcessTable.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace pyxa {

QString LocalUploadProcess::Path() const { return QDir(folder_).filePath(kUploadProgramName); }

bool LocalUploadProcess::Exists() const {
  QFile file(Path());
  return file.open(QIODevice::ReadOnly);
}

bool LocalUploadProcess::IsRunning() const { return IsProcessRunning(QString(), kUploadProgramName); }

bool LocalUploadProcess::Start() { return QProcess::startDetached(Path(), {}); }

}  // namespace pyxa
