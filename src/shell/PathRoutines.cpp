#include "shell/PathRoutines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringList>
#include <cerrno>

namespace pyxa {

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

// A random name whose extended form is taken is simply drawn again; the bound only guards
// against a folder that somehow answers "exists" to every name.
constexpr int kMaxNameAttempts = 1000;

bool IsFolder(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Exists(const QString& path) {
  struct stat info {};
  return ::lstat(QFile::encodeName(path).constData(), &info) == 0;  // a dangling link counts too
}

}  // namespace

std::int32_t CreateFolderPath(const QString& path) {
  QString full = path;
  if (full.size() > 1 && full.endsWith(QLatin1Char('/'))) full.chop(1);
  if (full.isEmpty()) return -1;

  // Walk up to the deepest folder that exists, remembering the missing levels below it.
  QStringList missing;
  QString current = full;
  while (!IsFolder(current)) {
    missing.prepend(current);
    const qsizetype slash = current.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) break;  // relative path: its first level is made in the current folder
    if (slash == 0) {
      if (current == QStringLiteral("/")) return -1;  // no root folder at all
      current = QStringLiteral("/");
    } else {
      current = current.left(slash);
    }
  }

  for (const QString& level : missing) {
    if (::mkdir(QFile::encodeName(level).constData(), kPrivateFolderMode) == 0) continue;
    // Someone else may have made the same level meanwhile; only a real folder will do.
    if (errno == EEXIST && IsFolder(level)) continue;
    return -1;
  }
  return 0;
}

std::int32_t MakeUniqueTempName(const QString& folder, const QString& extension, QString& fileName,
                                const QString& prefix) {
  QString dir = folder;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');

  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    QByteArray pattern = QFile::encodeName(dir + prefix + QStringLiteral("XXXXXX"));
    // mkstemp both picks and creates the name, so two callers never draw the same one; the
    // file itself is not wanted, only its name.
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
      const int error = errno;
      fileName.clear();
      return error;
    }
    ::close(fd);
    ::unlink(pattern.constData());

    QString name = QFile::decodeName(pattern);
    if (!extension.isEmpty()) name += QLatin1Char('.') + extension;
    if (!Exists(name)) {
      fileName = name;
      return 0;
    }
  }
  fileName.clear();
  return EEXIST;
}

std::int32_t FindInColumn(const QString& text, const ValuesTable& table) {
  if (!table) return -1;
  for (qsizetype row = 0; row < table->size(); ++row) {
    const QVector<QVariant>& fields = table->at(row);
    // A null field matches nothing, not even an empty text.
    if (fields.isEmpty() || fields.first().isNull()) continue;
    if (fields.first().toString().compare(text, Qt::CaseInsensitive) == 0) {
      return static_cast<std::int32_t>(row);
    }
  }
  return -1;
}

}  // namespace pyxa
