#include "platform/InstanceGuard.h"

#include <QDir>
#include <QFileInfo>

namespace pyxa {
namespace {

QString LockPathFor(const QString& folder, const QString& name) {
  return QDir(folder).absoluteFilePath(name + QStringLiteral(".lock"));
}

}  // namespace

InstanceGuard::InstanceGuard(const QString& runtimeFolder, const QString& name)
    : path_(LockPathFor(runtimeFolder, name)), lock_(path_) {
  // A live holder keeps an flock on the file, so QLockFile's age rule never takes a running
  // instance's lock; it only lets a lock file that cannot be read be replaced after a while.
}

InstanceGuard::~InstanceGuard() { lock_.unlock(); }

bool InstanceGuard::TryAcquire() {
  if (lock_.isLocked()) return true;
  QDir().mkpath(QFileInfo(path_).absolutePath());
  return lock_.tryLock(0);
}

}  // namespace pyxa
