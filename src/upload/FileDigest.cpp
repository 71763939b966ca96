#include "upload/FileDigest.h"

#include <sys/stat.h>

#include <QCryptographicHash>
#include <QFile>

namespace pyxa {

QByteArray FileDigest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Blake2b_256);
  if (!hash.addData(&file) || file.error() != QFileDevice::NoError) return {};
  return hash.result();
}

FileStamp StampOf(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) return {};
  return {static_cast<quint64>(status.st_ino), static_cast<qint64>(status.st_size),
          static_cast<qint64>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

}  // namespace pyxa
