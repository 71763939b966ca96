#include "UploadLock.h"

namespace pyxa {

UploadLock::UploadLock(const QString& storePath) : path_(storePath + QStringLiteral(".upload-lock")), lock_(path_) {
  // Staleness by age alone would let a second copy break into a long run; only a lock whose
  // process is gone counts as stale.
  lock_.setStaleLockTime(0);
}

UploadLock::~UploadLock() = default;

UploadLock::Result UploadLock::TryAcquire() {
  if (lock_.isLocked()) return Result::Acquired;
  if (lock_.tryLock(0)) return Result::Acquired;
  return lock_.error() == QLockFile::LockFailedError ? Result::HeldElsewhere : Result::Failed;
}

QString UploadLock::ErrorText() const {
  switch (lock_.error()) {
    case QLockFile::NoError:
      return {};
    case QLockFile::LockFailedError:
      return QStringLiteral("the lock '%1' is held by another upload").arg(path_);
    case QLockFile::PermissionError:
      return QStringLiteral("the lock file '%1' cannot be created: permission denied").arg(path_);
    case QLockFile::UnknownError:
      break;
  }
  return QStringLiteral("the lock file '%1' cannot be created").arg(path_);
}

}  // namespace pyxa
