#include "UploadQueue.h"

#include <QUuid>
#include <algorithm>
#include <utility>

#include "components/DocumentDatabase.h"
#include "components/Rc4.h"
#include "components/StoreSchema.h"

namespace pyxa {
namespace {

QVariant Int64(std::int64_t value) { return QVariant::fromValue(static_cast<qlonglong>(value)); }

}  // namespace

QString ClearCredential(const QString& stored) {
  if (stored.isEmpty()) return stored;
  const std::optional<QString> clear = DecipherCredential(stored);
  // Random bytes seldom read as printable text, so a value that does not is taken as written.
  if (!clear || clear->isEmpty() || !std::all_of(clear->cbegin(), clear->cend(), [](QChar c) { return c.isPrint(); })) {
    return stored;
  }
  return *clear;
}

UploadQueue::UploadQueue(QString path, int busyTimeoutMs) : path_(std::move(path)), busyTimeoutMs_(busyTimeoutMs) {}

UploadQueue::~UploadQueue() = default;

UploadQueue::OpenResult UploadQueue::Open() {
  connection_ = std::make_unique<SqlConnection>(path_, SqlConnection::Mode::ReadWrite, busyTimeoutMs_);
  switch (CheckStore(*connection_, kDatabasePassword)) {
    case StoreCheck::Matches:
      break;
    case StoreCheck::WrongPassword:
      connection_.reset();
      return OpenResult::WrongPassword;
    case StoreCheck::NotAStore:
      connection_.reset();
      return OpenResult::NotAStore;
  }
  EnsureUploadKeyColumn();
  return OpenResult::Opened;
}

// Stores made before the column existed get it the first time a run opens them.
void UploadQueue::EnsureUploadKeyColumn() {
  const auto hasColumn = [this] {
    auto columns = connection_->Prepare(QStringLiteral("SELECT 1 AS found FROM pragma_table_info('Documents')"
                                                       " WHERE name = 'UploadKey'"));
    return columns.Step();
  };
  if (hasColumn()) return;
  SqlTransaction transaction(*connection_);
  // Looked at again under the write lock: another copy may have added it meanwhile.
  if (!hasColumn()) connection_->Execute(QStringLiteral("ALTER TABLE Documents ADD COLUMN UploadKey TEXT"));
  transaction.Commit();
}

std::optional<StoredUploadSettings> UploadQueue::ReadSettings() {
  auto row = connection_->Prepare(
      QStringLiteral("SELECT WebSvcAccount, WebSvcPwd, WebSvcURL FROM UploadSettings WHERE SettingsID = 1"));
  if (!row.Step()) return std::nullopt;
  StoredUploadSettings settings;
  settings.account = ClearCredential(row.Text(QStringLiteral("WebSvcAccount")));
  settings.password = ClearCredential(row.Text(QStringLiteral("WebSvcPwd")));
  settings.url = row.Text(QStringLiteral("WebSvcURL")).trimmed();
  return settings;
}

std::optional<qint64> UploadQueue::NextAwaiting(qint64 afterId) {
  auto row = connection_->Prepare(QStringLiteral(
      "SELECT DocumentID FROM Documents WHERE IsUploaded = ? AND DocumentID > ? ORDER BY DocumentID LIMIT 1"));
  row.Bind(1, kAwaitingUpload).Bind(2, afterId);
  if (!row.Step()) return std::nullopt;
  return row.Int(QStringLiteral("DocumentID"));
}

std::optional<QString> UploadQueue::UploadKeyFor(qint64 documentId) {
  SqlTransaction transaction(*connection_);
  QString key;
  {
    auto row = connection_->Prepare(
        QStringLiteral("SELECT UploadKey FROM Documents WHERE DocumentID = ? AND IsUploaded = ?"));
    row.Bind(1, documentId).Bind(2, kAwaitingUpload);
    if (!row.Step()) return std::nullopt;
    key = row.Text(QStringLiteral("UploadKey")).trimmed();
  }
  if (key.isEmpty()) {
    key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    connection_->Prepare(QStringLiteral("UPDATE Documents SET UploadKey = ? WHERE DocumentID = ?"))
        .Bind(1, key)
        .Bind(2, documentId)
        .Run();
  }
  transaction.Commit();
  return key;
}

std::optional<Document> UploadQueue::LoadAwaiting(qint64 documentId) {
  auto row = connection_->Prepare(QStringLiteral("SELECT * FROM Documents WHERE DocumentID = ? AND IsUploaded = ?"));
  row.Bind(1, documentId).Bind(2, kAwaitingUpload);
  if (!row.Step()) return std::nullopt;
  return ReadDocumentRow(row);
}

void UploadQueue::InsertAudit(const Document& document, const QString& patientName, std::int32_t status,
                              const QDateTime& when) {
  connection_
      ->Prepare(QStringLiteral(
          "INSERT INTO AuditLog (DocumentID, ActionID, ActionDate, StatusID, UserID, PatientID, PatientName,"
          " CategoryID, TypeDesc, DocumentName) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
      .Bind(1, Int64(document.Id))
      .Bind(2, static_cast<int>(kActionUploaded))
      .Bind(3, when.toString(kStoreDateFormat))
      .Bind(4, status)
      .Bind(5, Int64(document.UserID))
      .Bind(6, Int64(document.PatientID))
      .Bind(7, patientName)
      .Bind(8, Int64(document.CategoryID))
      .Bind(9, document.DocumentTypeDesc)
      .Bind(10, document.DocumentName)
      .Run();
}

bool UploadQueue::MarkUploaded(const Document& document, const QString& patientName, const QDateTime& when) {
  SqlTransaction transaction(*connection_);
  connection_->Prepare(QStringLiteral("UPDATE Documents SET IsUploaded = 1 WHERE DocumentID = ? AND IsUploaded = ?"))
      .Bind(1, Int64(document.Id))
      .Bind(2, kAwaitingUpload)
      .Run();
  // A row another run has marked already has its audit row; a second one would count it twice.
  if (connection_->Changes() == 0) return false;
  InsertAudit(document, patientName, kStatusSucceeded, when);
  transaction.Commit();
  return true;
}

void UploadQueue::RecordFailure(const Document& document, const QString& patientName, const QString& description,
                                const QDateTime& when) {
  SqlTransaction transaction(*connection_);
  connection_->Prepare(QStringLiteral("INSERT INTO Exceptions (DocumentID, AttemptDate, Description) VALUES (?, ?, ?)"))
      .Bind(1, Int64(document.Id))
      .Bind(2, when.toString(kStoreDateFormat))
      .Bind(3, description)
      .Run();
  InsertAudit(document, patientName, kStatusFailed, when);
  transaction.Commit();
}

}  // namespace pyxa
