// Refuses a second running instance: a lock file in the runtime folder, held (flock) while the
// guard lives. A lock file left behind by a process that has died holds nothing and is taken over;
// a live holder's lock is never broken, however old. The file carries the holder's process id,
// program name and host, one a line, as QLockFile writes them, so older copies of the program
// that lock with QLockFile still see a running instance.
#pragma once

#include <QString>
#include <system_error>

namespace pyxa {

class InstanceGuard {
 public:
  enum class Result { Acquired, HeldElsewhere, Failed };

  // The lock file is runtimeFolder + name + ".lock"; the folder is created when missing.
  InstanceGuard(const QString& runtimeFolder, const QString& name);
  ~InstanceGuard();
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;

  // Acquired when this guard holds the lock (also when it held it already); HeldElsewhere while
  // another guard, in this or another process, holds it; Failed when the folder or the lock file
  // cannot be made or written (Error() says why). Does not wait.
  Result TryAcquire();
  bool IsHeld() const { return fd_ >= 0; }
  const QString& LockPath() const { return path_; }
  // The system error of the last Failed attempt; empty otherwise.
  const std::error_code& Error() const { return error_; }

 private:
  Result Fail(int error);

  QString path_;
  int fd_ = -1;
  std::error_code error_;
};

}  // namespace pyxa
