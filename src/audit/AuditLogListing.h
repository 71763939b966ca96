// The audit log as the audit window lists it: the stored actions of a date range, narrowed by the
// start of the document or patient name and by words (in names and page texts), each worded for the
// screen with names from the service. Lines are handed over one by one, so that those listed before a
// failure stay listed.
#pragma once

#include <QDate>
#include <QString>
#include <functional>

namespace pyxa {

class NameLookups;

struct AuditLogLine {
  QString document, category, type, patient, date, action, user, status;
  QDateTime when;  // the action's time, for sorting by it
};

struct AuditLogQuery {
  QDate from, to;  // actions after midnight at the start of from, before midnight at the end of to
  QString documentPrefix, patientPrefix;
  bool usDates = false;
  QString words;  // each must occur in the document's name, type or page text (ReadAuditLog)
};

class AuditLogListing {
 public:
  // categoryName: the category table's name of a category identifier ("" when unknown).
  AuditLogListing(NameLookups& names, std::function<QString(qint64)> categoryName);

  // Lists the actions; "" when all were listed, else why the listing stopped, for the user.
  QString List(const QString& storePath, const AuditLogQuery& query, const std::function<void(const AuditLogLine&)>& add);

 private:
  NameLookups& names_;
  std::function<QString(qint64)> categoryName_;
};

// The lines as comma-separated values with a header row, quoted where a field needs it.
QByteArray AuditLogCsv(const QList<AuditLogLine>& lines);

}  // namespace pyxa
