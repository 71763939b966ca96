#include "store/AuditReads.h"

#include "components/StoreSchema.h"
#include "platform/Sql.h"

namespace pyxa {
namespace {

// Midnight at the start of from and the day after to, as the store writes its dates.
std::pair<QString, QString> Range(const QDate& from, const QDate& to) {
  return {QDateTime(from, QTime(0, 0)).toString(kStoreDateFormat),
          QDateTime(to.addDays(1), QTime(0, 0)).toString(kStoreDateFormat)};
}

QString LikePrefix(const QString& text) {
  QString escaped = text;
  escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
  escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
  return escaped + QLatin1Char('%');
}

}  // namespace

QVector<AuditLog> ReadAuditLog(const QString& storePath, const QDate& from, const QDate& to,
                               const QString& documentNamePrefix, const QString& patientNamePrefix) {
  QVector<AuditLog> rows;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    QString sql = QStringLiteral("SELECT * FROM AuditLog WHERE ActionDate > ? AND ActionDate < ?");
    if (!documentNamePrefix.isEmpty()) sql += QStringLiteral(" AND DocumentName LIKE ? ESCAPE '\\'");
    if (!patientNamePrefix.isEmpty()) sql += QStringLiteral(" AND PatientName LIKE ? ESCAPE '\\'");
    sql += QStringLiteral(" ORDER BY ActionDate, rowid");
    auto row = connection.Prepare(sql);
    const auto [start, end] = Range(from, to);
    row.Bind(1, start);
    row.Bind(2, end);
    int position = 3;
    if (!documentNamePrefix.isEmpty()) row.Bind(position++, LikePrefix(documentNamePrefix));
    if (!patientNamePrefix.isEmpty()) row.Bind(position++, LikePrefix(patientNamePrefix));
    while (row.Step()) {
      AuditLog record;
      record.DocumentID = row.Int(QStringLiteral("DocumentID"));
      record.ActionID = static_cast<std::int32_t>(row.Int(QStringLiteral("ActionID")));
      record.ActionDate = ReadStoreDate(row, QStringLiteral("ActionDate"));
      record.StatusID = static_cast<std::int32_t>(row.Int(QStringLiteral("StatusID")));
      record.UserID = row.Int(QStringLiteral("UserID"));
      record.PatientID = row.Int(QStringLiteral("PatientID"));
      record.PatientName = row.Text(QStringLiteral("PatientName"));
      record.CategoryID = row.Int(QStringLiteral("CategoryID"));
      record.TypeDesc = row.Text(QStringLiteral("TypeDesc"));
      record.DocumentName = row.Text(QStringLiteral("DocumentName"));
      rows.push_back(record);
    }
  } catch (const SqlError& error) {
    throw AuditReadError(error.what());
  }
  return rows;
}

void DeleteAuditLog(const QString& storePath) {
  try {
    SqlConnection connection(storePath);
    SqlTransaction transaction(connection);
    connection.Prepare(QStringLiteral("DELETE FROM AuditLog")).Run();
    transaction.Commit();
  } catch (const SqlError& error) {
    throw AuditReadError(error.what());
  }
}

QVector<ReconciliationRow> ReadReconciliation(const QString& storePath, const QDate& from, const QDate& to) {
  QVector<ReconciliationRow> rows;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    auto row = connection.Prepare(QStringLiteral(
        "SELECT d.DocumentID, d.PatientID, d.CategoryID, d.TypeID, d.DocumentName, d.EncounterDate, d.UserID,"
        " d.TypeDescription, d.PhysicianID, d.EncounterID, a.ActionID, a.StatusID, a.ActionDate"
        " FROM Documents d INNER JOIN AuditLog a ON d.DocumentID = a.DocumentID"
        " WHERE a.ActionDate > ? AND a.ActionDate < ? ORDER BY a.ActionDate, a.rowid"));
    const auto [start, end] = Range(from, to);
    row.Bind(1, start).Bind(2, end);
    while (row.Step()) {
      ReconciliationRow r;
      r.documentId = row.Int(QStringLiteral("DocumentID"));
      r.patientId = row.Int(QStringLiteral("PatientID"));
      r.categoryId = row.Int(QStringLiteral("CategoryID"));
      r.typeId = row.Int(QStringLiteral("TypeID"));
      r.documentName = row.Text(QStringLiteral("DocumentName"));
      r.encounterDate = ReadStoreDate(row, QStringLiteral("EncounterDate"));
      r.userId = row.Int(QStringLiteral("UserID"));
      r.typeDescription = row.Text(QStringLiteral("TypeDescription"));
      r.physicianId = row.Int(QStringLiteral("PhysicianID"));
      r.encounterId = row.Int(QStringLiteral("EncounterID"));
      r.actionId = static_cast<std::int32_t>(row.Int(QStringLiteral("ActionID")));
      r.statusId = static_cast<std::int32_t>(row.Int(QStringLiteral("StatusID")));
      r.actionDate = ReadStoreDate(row, QStringLiteral("ActionDate"));
      rows.push_back(r);
    }
  } catch (const SqlError& error) {
    throw AuditReadError(error.what());
  }
  return rows;
}

}  // namespace pyxa
