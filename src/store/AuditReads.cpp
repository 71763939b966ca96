#include "store/AuditReads.h"

#include "components/StoreSchema.h"
#include "platform/Sql.h"
#include "store/WordSearch.h"

namespace pyxa {
namespace {

// Midnight at the start of from and the day after to, as the store writes its dates.
std::pair<QString, QString> Range(const QDate& from, const QDate& to) {
  return {QDateTime(from, QTime(0, 0)).toString(kStoreDateFormat),
          QDateTime(to.addDays(1), QTime(0, 0)).toString(kStoreDateFormat)};
}

QString LikePrefix(const QString& text) { return EscapeLike(text) + QLatin1Char('%'); }

// The page text is joined only for a search with words, so a plain listing reads no more than it
// did; a store no version with page texts has written has only names to match.
QStringList WordColumns(SqlConnection& connection, const WordSearch& words, QStringList names, QString& join,
                        const QString& documentId) {
  if (words.IsEmpty()) return {};
  WordSearch::Prepare(connection);
  if (HasDocumentTexts(connection)) {
    join = QStringLiteral(" LEFT JOIN DocumentTexts t ON t.DocumentID = %1").arg(documentId);
    names << QStringLiteral("t.PageText");
  }
  return names;
}

}  // namespace

QVector<AuditLog> ReadAuditLog(const QString& storePath, const QDate& from, const QDate& to,
                               const QString& documentNamePrefix, const QString& patientNamePrefix,
                               const QString& words) {
  QVector<AuditLog> rows;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    const WordSearch search(words);
    QString join;
    const QStringList columns =
        WordColumns(connection, search, {QStringLiteral("a.DocumentName"), QStringLiteral("a.TypeDesc")}, join,
                    QStringLiteral("a.DocumentID"));
    QString sql = QStringLiteral("SELECT a.* FROM AuditLog a") + join +
                  QStringLiteral(" WHERE a.ActionDate > ? AND a.ActionDate < ?");
    if (!documentNamePrefix.isEmpty()) sql += QStringLiteral(" AND a.DocumentName LIKE ? ESCAPE '\\'");
    if (!patientNamePrefix.isEmpty()) sql += QStringLiteral(" AND a.PatientName LIKE ? ESCAPE '\\'");
    if (!search.IsEmpty()) sql += QStringLiteral(" AND ") + search.Condition(columns);
    sql += QStringLiteral(" ORDER BY a.ActionDate, a.rowid");
    auto row = connection.Prepare(sql);
    const auto [start, end] = Range(from, to);
    row.Bind(1, start);
    row.Bind(2, end);
    int position = 3;
    if (!documentNamePrefix.isEmpty()) row.Bind(position++, LikePrefix(documentNamePrefix));
    if (!patientNamePrefix.isEmpty()) row.Bind(position++, LikePrefix(patientNamePrefix));
    search.Bind(row, position, static_cast<int>(columns.size()));
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

QVector<ReconciliationRow> ReadReconciliation(const QString& storePath, const QDate& from, const QDate& to,
                                              const QString& words) {
  QVector<ReconciliationRow> rows;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    const WordSearch search(words);
    QString join;
    const QStringList columns =
        WordColumns(connection, search, {QStringLiteral("d.DocumentName"), QStringLiteral("d.TypeDescription")},
                    join, QStringLiteral("d.DocumentID"));
    QString sql = QStringLiteral(
        "SELECT d.DocumentID, d.PatientID, d.CategoryID, d.TypeID, d.DocumentName, d.EncounterDate, d.UserID,"
        " d.TypeDescription, d.PhysicianID, d.EncounterID, a.ActionID, a.StatusID, a.ActionDate"
        " FROM Documents d INNER JOIN AuditLog a ON d.DocumentID = a.DocumentID");
    sql += join + QStringLiteral(" WHERE a.ActionDate > ? AND a.ActionDate < ?");
    if (!search.IsEmpty()) sql += QStringLiteral(" AND ") + search.Condition(columns);
    sql += QStringLiteral(" ORDER BY a.ActionDate, a.rowid");
    auto row = connection.Prepare(sql);
    const auto [start, end] = Range(from, to);
    row.Bind(1, start).Bind(2, end);
    search.Bind(row, 3, static_cast<int>(columns.size()));
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
