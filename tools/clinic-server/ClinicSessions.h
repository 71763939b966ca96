// The clinic server's logged-in workstations: each session token names one embedded clinic
// session, used by one call at a time so that a workstation's calls run in order.
#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <mutex>

#include "components/LocalClinic.h"
#include "platform/Clock.h"

namespace pyxa {

class ClinicSessions {
 public:
  struct Session {
    std::mutex mutex;  // held for the whole of a call on clinic
    std::unique_ptr<LocalClinic> clinic;
  };

  // Sessions unused for longer than idleLimitSeconds are dropped at the next Add.
  explicit ClinicSessions(const Clock& clock, qint64 idleLimitSeconds = 12 * 60 * 60);

  // Keeps the logged-in clinic and answers its new token: 32 random bytes as hex.
  QString Add(std::unique_ptr<LocalClinic> clinic);
  // The session of a token, marked as used now; nullptr for an unknown one.
  std::shared_ptr<Session> Find(const QString& token);
  void Drop(const QString& token);
  int Count() const;

 private:
  struct Entry {
    std::shared_ptr<Session> session;
    qint64 lastUsedMs = 0;
  };

  const Clock& clock_;
  const qint64 idleLimitMs_;
  mutable std::mutex mutex_;
  QHash<QString, Entry> sessions_;
};

}  // namespace pyxa
