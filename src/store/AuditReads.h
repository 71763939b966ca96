// The reads of the audit trail: actions in a date range (optionally narrowed by the start of the
// document or patient name, and by words), the reconciliation rows that join documents to their
// actions, and emptying the trail. Values are bound, never spliced into the statement.
#pragma once

#include "components/DocumentRecords.h"

#include <QDate>
#include <QVector>
#include <stdexcept>

namespace pyxa {

// The store could not be opened or read; the text says why.
class AuditReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Actions after midnight at the start of `from` and before midnight at the end of `to`.
// A non-empty prefix keeps the rows whose name starts with it (letter case ignored; "%", "_"
// and "'" are just characters). Words (WordSearch) keep the rows in whose document name, type or
// stored document's page text each of them occurs.
QVector<AuditLog> ReadAuditLog(const QString& storePath, const QDate& from, const QDate& to,
                               const QString& documentNamePrefix = {}, const QString& patientNamePrefix = {},
                               const QString& words = {});

// Removes every audit row in one transaction.
void DeleteAuditLog(const QString& storePath);

// A stored document with one of its actions in the range.
struct ReconciliationRow {
  qint64 documentId = 0, patientId = 0, categoryId = 0, userId = 0, physicianId = 0, encounterId = 0;
  qint64 typeId = 0;
  QString documentName, typeDescription;
  QDateTime encounterDate;
  std::int32_t actionId = 0, statusId = 0;
  QDateTime actionDate;
};
// Words (WordSearch) keep the rows in whose document's name, type or page text each of them occurs.
QVector<ReconciliationRow> ReadReconciliation(const QString& storePath, const QDate& from, const QDate& to,
                                              const QString& words = {});

}  // namespace pyxa
