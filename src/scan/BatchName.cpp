#include "scan/BatchName.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <cerrno>

#include "platform/Clock.h"

namespace pyxa {

namespace {

// The time part repeats after a day of seconds, so no more attempts than that can find a new name.
constexpr int kMaxAttempts = 24 * 60 * 60;

QString Reason(int error) { return qt_error_string(error); }

}  // namespace

QString BatchFileName(const QString& folder, const QDateTime& start, int attempt) {
  const QString prefix = QStringLiteral("Batch_") + start.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("_");
  const QString time = start.addSecs(attempt).toString(QStringLiteral("hhmmss"));
  return QDir(folder).filePath(prefix + time + QStringLiteral(".tif"));
}

BatchName ReserveBatchName(const QString& folder, const Clock& clock) {
  BatchName result;
  errno = 0;
  if (!QDir().mkpath(folder)) {
    result.code = errno ? errno : EACCES;
    result.message = QStringLiteral("The folder for scanned batches (%1) cannot be created: %2.")
                         .arg(QDir::toNativeSeparators(folder), Reason(result.code));
    return result;
  }
  const QDateTime start = clock.Now();
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const QString path = BatchFileName(folder, start, attempt);
    // Exclusive creation is both the check and the reservation: nobody can take the name between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      result.path = path;
      return result;
    }
    if (errno != EEXIST) {
      result.code = errno;
      result.message = QStringLiteral("A new batch file cannot be created in the folder %1: %2.")
                           .arg(QDir::toNativeSeparators(folder), Reason(result.code));
      return result;
    }
  }
  result.code = EEXIST;
  result.message = QStringLiteral("Every batch name of this day is taken in the folder %1.")
                       .arg(QDir::toNativeSeparators(folder));
  return result;
}

}  // namespace pyxa
