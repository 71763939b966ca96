#include "patients/EncounterLocks.h"

#include "shell/ServiceFailures.h"

#include <QSet>

namespace pyxa {
namespace {

constexpr qint64 kClinicalNotesCategory = 4;

QString Describe(const HeldEncounter& encounter) {
  QString text = QStringLiteral("encounter %1").arg(encounter.id);
  if (!encounter.patient.trimmed().isEmpty()) text += QStringLiteral(" of ") + encounter.patient.trimmed();
  if (encounter.date.isValid()) text += QStringLiteral(" dated ") + encounter.date.toString(Qt::ISODate);
  return text;
}

}  // namespace

bool EncounterUsed(const Documents& indexed, qint64 encounterId) {
  for (const Document& document : indexed) {
    if (document.EncounterID == encounterId) return true;
  }
  return false;
}

QVector<HeldEncounter> EncountersNotStored(const Documents& indexed, const Documents& stored) {
  QSet<qint64> kept;
  for (const Document& document : stored) kept.insert(document.EncounterID);
  QVector<HeldEncounter> free;
  for (const Document& document : indexed) {
    if (document.CategoryID != kClinicalNotesCategory || document.EncounterID == 0) continue;
    if (kept.contains(document.EncounterID)) continue;
    kept.insert(document.EncounterID);
    const QString patient = document.LastName.trimmed() + QStringLiteral(", ") + document.FirstName.trimmed();
    free.push_back({document.EncounterID, patient,
                    document.DocumentDate.isValid() ? document.DocumentDate.date() : QDate()});
  }
  return free;
}

EncounterLocks::EncounterLocks(Session& session, Prompter& prompter, LoginPrompt& login, EventLog& log)
    : session_(session), prompter_(prompter), login_(login), log_(log) {}

bool EncounterLocks::Lock(qint64 encounterId, qint64 patientId) {
  try {
    ClinicalService& service = *session_.Integration();
    qint64 encounter = encounterId, patient = patientId;
    service.LockEncounter(service.UserID(), kProgressNote, encounter, patient, service.EnterpriseID(),
                          service.OfficeID());
    return true;
  } catch (const ServiceError& error) {
    ReportServiceFailure(error, prompter_, login_);
    return false;
  }
}

bool EncounterLocks::UnlockOnce(const HeldEncounter& encounter) {
  try {
    ClinicalService& service = *session_.Integration();
    service.UnLockEncounter(service.UserID(), kProgressNote, encounter.id);
    return true;
  } catch (const ServiceError& error) {
    ReportStillLocked({encounter}, error.Description());
    return false;
  }
}

int EncounterLocks::Release(const QVector<HeldEncounter>& encounters) {
  QVector<HeldEncounter> failed;
  QString reason;
  for (const HeldEncounter& encounter : encounters) {
    try {
      session_.Call(
          [&](ClinicalService& service) { service.UnLockEncounter(service.UserID(), kProgressNote, encounter.id); },
          RetryOn::SessionTimeoutOrConnection);
    } catch (const ServiceError& error) {
      failed.push_back(encounter);
      reason = error.Description();
    }
  }
  if (!failed.isEmpty()) ReportStillLocked(failed, reason);
  return static_cast<int>(encounters.size() - failed.size());
}

void EncounterLocks::ReportStillLocked(const QVector<HeldEncounter>& encounters, const QString& reason) {
  if (encounters.isEmpty()) return;
  QStringList lines;
  for (const HeldEncounter& encounter : encounters) lines << QStringLiteral("  - ") + Describe(encounter);
  const QString listed = lines.join(QLatin1Char('\n'));
  prompter_.Critical(QStringLiteral("These encounters could not be released and stay locked on the service:\n") +
                     listed +
                     QStringLiteral("\nPlease release them there so that the visits can be signed.\n\nReason: ") +
                     reason);
  std::int32_t ignored = 0;
  for (const HeldEncounter& encounter : encounters) {
    log_.WriteToEventLog(QStringLiteral("Pyxadesk could not release %1; it stays locked on the service (%2).")
                             .arg(Describe(encounter), reason),
                         EventLog::kWarning, ignored);
  }
}

}  // namespace pyxa
