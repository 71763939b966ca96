// Refuses a second running instance: a lock file in the runtime folder, held while the guard
// lives. A lock left behind by a process that has died is taken over.
#pragma once

#include <QLockFile>
#include <QString>

namespace pyxa {

class InstanceGuard {
 public:
  // The lock file is runtimeFolder + name + ".lock"; the folder is created when missing.
  InstanceGuard(const QString& runtimeFolder, const QString& name);
  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  // True when this guard holds the lock (also when it held it already); false while another
  // guard, in this or another process, holds it or when the folder cannot take a lock file.
  bool TryAcquire();
  bool IsHeld() const { return lock_.isLocked(); }
  const QString& LockPath() const { return path_; }

 private:
  QString path_;
  QLockFile lock_;
};

}  // namespace pyxa
