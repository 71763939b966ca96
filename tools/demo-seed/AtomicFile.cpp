#include "AtomicFile.h"

#include <unistd.h>

#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>

namespace pyxa {

bool WriteFileAtomically(const QString& path, const std::function<bool(QFile& file, QString& error)>& fill,
                         QString& error) {
  const QFileInfo target(path);
  QTemporaryFile file(target.absolutePath() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
  if (!file.open()) {
    error = QStringLiteral("Cannot create a file in \"%1\": %2").arg(target.absolutePath(), file.errorString());
    return false;
  }
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  if (!fill(file, error)) return false;  // the temporary file removes itself
  if (!file.flush()) {
    error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
    return false;
  }
  if (::fsync(file.handle()) != 0) {
    error = QStringLiteral("Cannot write \"%1\": %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  // Qt renames without replacing (renameat2 with RENAME_NOREPLACE where the file system allows).
  if (!file.rename(target.absoluteFilePath())) {
    error = QStringLiteral("Cannot put \"%1\" in place: %2").arg(path, file.errorString());
    return false;
  }
  file.setAutoRemove(false);  // the name it had is gone; the file now belongs in the folder
  return true;
}

}  // namespace pyxa
