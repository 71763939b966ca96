// A file written under a temporary name beside its target and renamed over it only once it is
// whole and flushed, so that a failed or interrupted write leaves whatever stood at the target.
#pragma once

#include <QByteArray>
#include <QString>

namespace pyxa {

class BesideFile {
 public:
  // Creates the temporary file (owner-only, or with the mode of the file it will replace).
  explicit BesideFile(const QString& target);
  // Removes the temporary file unless it was renamed.
  ~BesideFile();
  BesideFile(const BesideFile&) = delete;
  BesideFile& operator=(const BesideFile&) = delete;

  // 0, or the system error that kept the temporary file from being made.
  int Error() const { return error_; }
  int Fd() const { return fd_; }
  QString Path() const;
  // Hands the descriptor to a writer that flushes and closes it itself.
  int Release();
  // Flushes and closes the descriptor if still held, renames over the target and flushes the
  // folder. 0, or the system error.
  int Commit();

 private:
  QString target_, folder_;
  QByteArray path_;
  int fd_ = -1;
  int error_ = 0;
  bool renamed_ = false;
};

}  // namespace pyxa
