// The reconciliation search: one list entry per audit row of a stored document in a date range
// (narrowed by words of the document's name, type or page text), with the names the service gives
// for its patient, provider and user, its category's name and its count of failed upload attempts.
#pragma once

#include "components/DocumentDatabase.h"
#include "store/AuditReads.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <functional>

namespace pyxa {

class Session;

// The list's thirteen columns, by position.
enum ReconciliationColumn {
  kColName, kColEncounterDate, kColCategory, kColType, kColPatient, kColProvider, kColFailures,
  kColUser, kColDocumentId, kColPatientId, kColCategoryId, kColUserId, kColEncounterId, kColumnCount
};
QStringList ReconciliationHeaders();

struct ReconciliationEntry {
  ReconciliationRow row;
  QString categoryName, patientName, providerName, userName;
  int failedAttempts = 0;
  QStringList Texts(bool countryDates) const;
};

// How a date shows: for country "2" the system's short date, else d/MM/yyyy; then the long
// time. A null date shows nothing.
QString ReconciliationDateText(const QDateTime& date, bool countryDates);

class ReconciliationSearch {
 public:
  ReconciliationSearch(QString storePath, Session& session, DatabaseFactory& databases)
      : storePath_(std::move(storePath)), session_(session), databases_(databases) {}

  // Hands each entry to add as soon as it is complete, so a failing service leaves the entries
  // before it listed. Throws AuditReadError (store), ServiceError (names) or
  // StoreReadError (failure counts).
  // words: each must occur in the document's name, type or page text (ReadReconciliation); none
  // lists every document.
  void Run(const QDate& from, const QDate& to, const QString& words,
           const std::function<void(const ReconciliationEntry&)>& add);

 private:
  QHash<qint64, int> FailureCounts();
  QHash<qint64, QString> CategoryNames();

  QString storePath_;
  Session& session_;
  DatabaseFactory& databases_;
};

}  // namespace pyxa
