#include "platform/InstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <filesystem>
#include <vector>

namespace pyxa {
namespace {

// Attempts before giving up when each lock taken turns out to be on a file just removed.
constexpr int kAttempts = 8;

QByteArray HolderDetails() {
  const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  return QByteArray::number(QCoreApplication::applicationPid()) + '\n' + program.toUtf8() + '\n' +
         QSysInfo::machineHostName().toUtf8() + '\n';
}

bool WriteAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      return false;
    }
    done += wrote;
  }
  return true;
}

// Creates the missing levels of folder owner-only: without XDG_RUNTIME_DIR the lock lives in the data
// folder, which holds patient records and must not come into being readable by others. 0 or errno.
int MakePrivateFolders(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> missing;
  std::error_code error;
  for (std::filesystem::path level = folder; !level.empty() && !std::filesystem::exists(level, error);
       level = level.parent_path()) {
    if (error) return error.value();
    missing.push_back(level);
    if (level == level.parent_path()) break;
  }
  if (error) return error.value();
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

}  // namespace

InstanceGuard::InstanceGuard(const QString& runtimeFolder, const QString& name)
    : path_(QDir(runtimeFolder).absoluteFilePath(name + QStringLiteral(".lock"))) {}

InstanceGuard::~InstanceGuard() {
  if (fd_ < 0) return;
  // Removed while still locked: whoever opened it meanwhile sees it is no longer the lock file.
  ::unlink(QFile::encodeName(path_).constData());
  ::close(fd_);
}

InstanceGuard::Result InstanceGuard::Fail(int error) {
  error_ = std::error_code(error, std::generic_category());
  return Result::Failed;
}

InstanceGuard::Result InstanceGuard::TryAcquire() {
  if (fd_ >= 0) return Result::Acquired;
  error_.clear();

  const QByteArray path = QFile::encodeName(path_);
  if (const int error = MakePrivateFolders(std::filesystem::path(path.toStdString()).parent_path()); error != 0) {
    return Fail(error);
  }

  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    // Not O_EXCL: a file left by a process that died is reused; only the flock says who holds it.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return Fail(errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      if (error == EWOULDBLOCK) return Result::HeldElsewhere;
      return Fail(error);
    }
    // The holder before us may have removed the file between our open and our lock; a lock on a
    // removed file guards nothing, so look again.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) != 0) {
      const int error = errno;
      ::close(fd);
      return Fail(error);
    }
    if (::stat(path.constData(), &named) != 0 || named.st_dev != held.st_dev || named.st_ino != held.st_ino) {
      ::close(fd);
      continue;
    }
    // A disk too full to take the holder's details is reported, not mistaken for another instance.
    if (::ftruncate(fd, 0) != 0 || !WriteAll(fd, HolderDetails())) {
      const int error = errno;
      ::unlink(path.constData());
      ::close(fd);
      return Fail(error);
    }
    fd_ = fd;
    return Result::Acquired;
  }
  return Fail(EAGAIN);
}

}  // namespace pyxa
