#include "audit/ReconciliationStore.h"

#include "components/StoreSchema.h"
#include "platform/Sql.h"

#include <QFileInfo>
#include <cerrno>

namespace pyxa {
namespace {

QVariant Int64(std::int64_t value) { return QVariant::fromValue(static_cast<qlonglong>(value)); }

// A store that is not there is never created behind the user's back.
void RequireStore(const QString& path) {
  if (!QFileInfo::exists(path)) {
    throw StoreReadError(ENOENT, QStringLiteral("The document store '%1' does not exist.").arg(path));
  }
}

StoreReadError From(const SqlError& error) { return {error.Code(), error.Message()}; }

}  // namespace

StoredState ReconciliationStore::State(std::int64_t documentId) const {
  RequireStore(path_);
  try {
    SqlConnection connection(path_, SqlConnection::Mode::ReadOnly);
    auto row = connection.Prepare(QStringLiteral("SELECT IsUploaded FROM Documents WHERE DocumentID = ?"));
    row.Bind(1, Int64(documentId));
    StoredState state;
    if (row.Step()) {
      state.exists = true;
      state.isUploaded = static_cast<std::int32_t>(row.Int(QStringLiteral("IsUploaded"), kStoredNotQueued));
    }
    return state;
  } catch (const SqlError& error) {
    throw From(error);
  }
}

QByteArray ReconciliationStore::StoredFile(std::int64_t documentId) const {
  RequireStore(path_);
  try {
    SqlConnection connection(path_, SqlConnection::Mode::ReadOnly);
    auto row = connection.Prepare(QStringLiteral("SELECT FileData FROM Documents WHERE DocumentID = ?"));
    row.Bind(1, Int64(documentId));
    if (!row.Step()) {
      throw StoreReadError(
          ENOENT, QStringLiteral("The stored document %1 is no longer in the document store.").arg(documentId));
    }
    return row.Blob(QStringLiteral("FileData"));
  } catch (const SqlError& error) {
    throw From(error);
  }
}

bool ReconciliationStore::RemoveWithAudit(const AuditLog& record, std::int64_t encounterId) {
  RequireStore(path_);
  try {
    SqlConnection connection(path_);
    SqlTransaction transaction(connection);
    const QVariant id = Int64(record.DocumentID);
    connection.Prepare(QStringLiteral("DELETE FROM Exceptions WHERE DocumentID = ?")).Bind(1, id).Run();
    connection.Prepare(QStringLiteral("DELETE FROM Documents WHERE DocumentID = ?")).Bind(1, id).Run();
    if (connection.Changes() == 0) {
      throw StoreReadError(
          ENOENT, QStringLiteral("The stored document %1 is no longer in the document store.").arg(record.DocumentID));
    }
    InsertAuditRow(connection, record);
    bool shared = false;
    if (encounterId != 0) {
      auto others = connection.Prepare(QStringLiteral("SELECT count(*) AS n FROM Documents WHERE EncounterID = ?"));
      others.Bind(1, Int64(encounterId));
      shared = others.Step() && others.Int(QStringLiteral("n")) > 0;
    }
    transaction.Commit();
    return shared;
  } catch (const SqlError& error) {
    throw From(error);
  }
}

void ReconciliationStore::RecordAction(const AuditLog& record) {
  RequireStore(path_);
  try {
    SqlConnection connection(path_);
    SqlTransaction transaction(connection);
    InsertAuditRow(connection, record);
    transaction.Commit();
  } catch (const SqlError& error) {
    throw From(error);
  }
}

}  // namespace pyxa
