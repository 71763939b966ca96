// Slows down password guessing at the clinic server: failed logins per account and computer, and
// per computer across all accounts, make further attempts wait longer and longer.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <mutex>

#include "platform/Clock.h"

namespace pyxa {

struct LoginThrottleLimits {
  int accountFailures = 5;   // failures of one login from one address before attempts must wait
  int addressFailures = 30;  // failures from one address, whatever the login, before attempts must wait
  qint64 windowSeconds = 15 * 60;  // a failure this old is forgotten
  qint64 maxWaitSeconds = 300;
};

class LoginThrottle {
 public:
  explicit LoginThrottle(const Clock& clock, LoginThrottleLimits limits = {});

  // Before the password is checked: throws ServiceError(kClinicErrorThrottled) when the attempt must
  // wait. An attempt let through past a limit starts that wait anew, so that attempts sent in
  // parallel cannot all pass in one moment.
  void Admit(const QString& login, const QString& address);
  // After the password was checked.
  void Failed(const QString& login, const QString& address);
  void Succeeded(const QString& login, const QString& address);

  // Entries held, for tests of the memory bound.
  int Entries() const;

 private:
  struct Failures {
    int count = 0;
    qint64 lastMs = 0;  // the last failure, or the last attempt let through past the limit
  };
  // Seconds the next attempt must still wait; 0 when it may go.
  qint64 Wait(const Failures& failures, int limit, qint64 nowMs) const;
  Failures* Current(QHash<QString, Failures>& table, const QString& key, qint64 nowMs);
  void Forget(qint64 nowMs);
  static QString AccountKey(const QString& login, const QString& address);

  const Clock& clock_;
  const LoginThrottleLimits limits_;
  mutable std::mutex mutex_;
  QHash<QString, Failures> accounts_;
  QHash<QString, Failures> addresses_;
  qint64 lastSweepMs_ = 0;
};

}  // namespace pyxa
