#include "upload/FileDigest.h"

#include <QCryptographicHash>
#include <QFile>

namespace pyxa {

QByteArray FileDigest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!hash.addData(&file) || file.error() != QFileDevice::NoError) return {};
  return hash.result();
}

}  // namespace pyxa
