#include "document/BesideFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>

namespace pyxa {

BesideFile::BesideFile(const QString& target) : target_(target) {
  const QFileInfo info(target);
  folder_ = info.absolutePath();
  path_ = QFile::encodeName(QDir(folder_).filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".XXXXXX")));
  fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
  error_ = fd_ < 0 ? errno : 0;
  // A file replaced keeps who may read it; a new one is the user's alone (mkostemp's 0600).
  struct stat old {};
  if (fd_ >= 0 && ::stat(QFile::encodeName(target).constData(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
}

BesideFile::~BesideFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!renamed_ && error_ == 0) ::unlink(path_.constData());
}

QString BesideFile::Path() const { return QFile::decodeName(path_); }

int BesideFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

int BesideFile::Commit() {
  if (fd_ >= 0) {
    const int fd = Release();
    if (::fsync(fd) != 0) {
      const int error = errno;
      ::close(fd);
      return error;
    }
    if (::close(fd) != 0) return errno;
  }
  if (::rename(path_.constData(), QFile::encodeName(target_).constData()) != 0) return errno;
  renamed_ = true;
  const int dir = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return 0;
}

}  // namespace pyxa
