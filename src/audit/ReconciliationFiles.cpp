#include "audit/ReconciliationFiles.h"

#include "shell/PathRoutines.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pyxa {
namespace {

const QString kReindexTempPrefix = QStringLiteral(".reindex-");

QString SystemText(int number) { return QString::fromLocal8Bit(std::strerror(number)); }

bool IsDiskFull(int number) { return number == ENOSPC || number == EFBIG || number == EDQUOT; }

[[noreturn]] void FailWriting(int number, const QString& name) {
  if (IsDiskFull(number)) {
    throw ReconciliationFileError(number, QStringLiteral("There is no room left on the disk for '%1'.").arg(name));
  }
  throw ReconciliationFileError(number, QStringLiteral("'%1' could not be written: %2.").arg(name, SystemText(number)));
}

// Writes all of data to fd and syncs it; answers 0 or the errno.
int WriteAll(int fd, const QByteArray& data) {
  const char* next = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    next += written;
    left -= written;
  }
  return ::fsync(fd) == 0 ? 0 : errno;
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Moves from to to unless to exists; answers 0 or the errno.
int MoveWithoutReplacing(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // Filesystems without the no-replace rename: a hard link fails the same way on a taken name.
  if (::link(from.constData(), to.constData()) != 0) return errno;
  ::unlink(from.constData());
  return 0;
}

}  // namespace

QString DocumentExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

QString ReindexFileName(const QString& documentName) {
  QString name;
  name.reserve(documentName.size());
  for (const QChar c : documentName) {
    if (c == QLatin1Char(':')) continue;
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control) {
      name += QLatin1Char('_');
    } else {
      name += c;
    }
  }
  qsizetype start = 0;
  while (start < name.size() && (name.at(start) == QLatin1Char('.') || name.at(start).isSpace())) ++start;
  name = name.mid(start).trimmed();
  return name;
}

void WriteFileDurably(const QString& folder, const QString& name, const QByteArray& data) {
  const QString dir = QDir(folder).absolutePath();
  // mkostemp makes the file 0600, as patient documents should be. The temporary name starts with a dot and has no document extension, so the folder's count
  // and listing never see a half-written file.
  QByteArray temp = QFile::encodeName(dir + QLatin1Char('/') + kReindexTempPrefix + QStringLiteral("XXXXXX"));
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) FailWriting(errno, name);
  const int written = WriteAll(fd, data);
  const int closed = ::close(fd) == 0 ? 0 : errno;
  if (written != 0 || closed != 0) {
    ::unlink(temp.constData());
    FailWriting(written != 0 ? written : closed, name);
  }
  const int moved = MoveWithoutReplacing(temp, QFile::encodeName(dir + QLatin1Char('/') + name));
  if (moved != 0) {
    ::unlink(temp.constData());
    if (moved == EEXIST) {
      throw ReconciliationFileError(EEXIST, QStringLiteral("A file named '%1' already exists.").arg(name));
    }
    FailWriting(moved, name);
  }
  SyncFolder(dir);
}

void ClearStaleReindexFiles(const QString& folder) {
  const QDir dir(folder);
  const QStringList stale = dir.entryList({kReindexTempPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
  for (const QString& name : stale) QFile::remove(dir.filePath(name));
}

QString DefaultPreviewFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
         QStringLiteral("/pyxadesk/previews/");
}

void PreparePreviewFolder(const QString& folder) {
  CreateFolderPath(folder);
  const QDir dir(folder);
  const QStringList stale = dir.entryList({kPreviewPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden);
  for (const QString& name : stale) QFile::remove(dir.filePath(name));
}

QString WritePreview(const QString& folder, const QString& extension, const QByteArray& data) {
  const QString dir = QDir(folder).absolutePath();
  const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension.toLower();
  QByteArray path = QFile::encodeName(dir + QLatin1Char('/') + kPreviewPrefix + QStringLiteral("XXXXXX") + suffix);
  const int fd = ::mkostemps(path.data(), static_cast<int>(QFile::encodeName(suffix).size()), O_CLOEXEC);
  if (fd < 0) FailWriting(errno, QStringLiteral("preview"));
  const int written = WriteAll(fd, data);
  const int closed = ::close(fd) == 0 ? 0 : errno;
  if (written != 0 || closed != 0) {
    ::unlink(path.constData());
    FailWriting(written != 0 ? written : closed, QFile::decodeName(path));
  }
  return QFile::decodeName(path);
}

}  // namespace pyxa
