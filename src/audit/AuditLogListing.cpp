#include "audit/AuditLogListing.h"

#include <QFileInfo>

#include "audit/AuditTexts.h"
#include "audit/NameLookups.h"
#include "components/ClinicalService.h"
#include "shell/ErrorTexts.h"
#include "store/AuditReads.h"

namespace pyxa {
namespace {

QByteArray CsvField(const QString& text) {
  QString field = text;
  // A leading formula character would run as a formula in a spreadsheet: it is kept as text.
  if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front())) field.prepend(QLatin1Char('\''));
  if (field.contains(QLatin1Char('"')) || field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('\n')) ||
      field.contains(QLatin1Char('\r'))) {
    field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    field = QLatin1Char('"') + field + QLatin1Char('"');
  }
  return field.toUtf8();
}

}  // namespace

AuditLogListing::AuditLogListing(NameLookups& names, std::function<QString(qint64)> categoryName)
    : names_(names), categoryName_(std::move(categoryName)) {}

QString AuditLogListing::List(const QString& storePath, const AuditLogQuery& query,
                              const std::function<void(const AuditLogLine&)>& add) {
  // The audit window only reads: a store that is not there is said so, never created.
  if (!QFileInfo(storePath).isFile())
    return QStringLiteral("There is no document store yet (%1): nothing has been stored on this computer.").arg(storePath);
  QVector<AuditLog> rows;
  try {
    rows = ReadAuditLog(storePath, query.from, query.to, query.documentPrefix, query.patientPrefix, query.words);
  } catch (const AuditReadError& error) {
    return QString::fromStdString(error.what());
  }
  const AuditDateFormat dates(query.usDates);
  try {
    for (const AuditLog& row : rows) {
      AuditLogLine line;
      line.document = row.DocumentName;
      line.category = categoryName_ ? categoryName_(row.CategoryID) : QString();
      line.type = row.TypeDesc;
      line.patient = row.PatientName.isEmpty() ? names_.Patient(row.PatientID) : row.PatientName;
      line.when = row.ActionDate;
      line.date = dates.Text(row.ActionDate);
      line.action = AuditActionText(row.ActionID);
      line.user = names_.User(row.UserID);
      line.status = AuditStatusText(row.StatusID);
      add(line);
    }
  } catch (const ServiceError& error) {
    return GenericErrorMessage(error.Number(), error.Description());
  }
  return {};
}

QByteArray AuditLogCsv(const QList<AuditLogLine>& lines) {
  QByteArray csv = "Document Name,Category,Type,PatientName,Date Of Action,Action,User Name,Status\r\n";
  for (const AuditLogLine& l : lines) {
    const QList<QByteArray> fields = {CsvField(l.document), CsvField(l.category), CsvField(l.type),
                                      CsvField(l.patient),  CsvField(l.date),     CsvField(l.action),
                                      CsvField(l.user),     CsvField(l.status)};
    csv += fields.join(',') + "\r\n";
  }
  return csv;
}

}  // namespace pyxa
