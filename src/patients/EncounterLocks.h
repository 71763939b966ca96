// Locking and releasing the unsigned encounters clinical notes are attached to, and which
// encounters the indexed documents leave unused. A release that fails is never dropped
// silently: the user is told which encounter stays locked and the system log keeps it.
#pragma once

#include "components/DocumentRecords.h"
#include "platform/EventLog.h"
#include "platform/Prompter.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

#include <QDate>
#include <QVector>

namespace pyxa {

inline const QString kProgressNote = QStringLiteral("ProgressNote");

// An encounter this program holds, with what the user knows it by.
struct HeldEncounter {
  qint64 id = 0;
  QString patient;  // "Last, First"
  QDate date;       // may be null
};

// Whether an indexed document is attached to the encounter.
bool EncounterUsed(const Documents& indexed, qint64 encounterId);

// The encounters of indexed clinical notes that no stored document uses, each once.
QVector<HeldEncounter> EncountersNotStored(const Documents& indexed, const Documents& stored);

class EncounterLocks {
 public:
  EncounterLocks(Session& session, Prompter& prompter, LoginPrompt& login, EventLog& log);

  // Made once, as the encounter button does. A failed lock is reported by the session rules; a
  // failed release is told and logged as every other release that fails. Both answer false.
  bool Lock(qint64 encounterId, qint64 patientId);
  bool UnlockOnce(const HeldEncounter& encounter);

  // Releases under the retry rule that also covers a lost connection. The encounters still
  // locked afterwards are told in one message and logged; answers how many were released.
  int Release(const QVector<HeldEncounter>& encounters);
  // Tells and logs encounters that could not even be tried (the store could not be read).
  void ReportStillLocked(const QVector<HeldEncounter>& encounters, const QString& reason);

 private:
  Session& session_;
  Prompter& prompter_;
  LoginPrompt& login_;
  EventLog& log_;
};

}  // namespace pyxa
