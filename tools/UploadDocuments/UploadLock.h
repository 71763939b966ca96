// One upload run at a time per store: a lock file beside the store, held for the whole run. A
// lock left by a run that died (killed, crashed) is taken over; a live run's lock never is, however
// long that run takes.
#pragma once

#include <QLockFile>
#include <QString>

namespace pyxa {

class UploadLock {
 public:
  enum class Result { Acquired, HeldElsewhere, Failed };

  // The lock file is the store's path + ".upload-lock".
  explicit UploadLock(const QString& storePath);
  ~UploadLock();
  UploadLock(const UploadLock&) = delete;
  UploadLock& operator=(const UploadLock&) = delete;

  // Does not wait. Failed: the folder cannot take a lock file (see ErrorText).
  Result TryAcquire();
  QString ErrorText() const;
  const QString& LockPath() const { return path_; }

 private:
  QString path_;
  QLockFile lock_;
};

}  // namespace pyxa
