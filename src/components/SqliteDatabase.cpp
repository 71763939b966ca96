#include "components/SqliteDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "components/Rc4.h"
#include "components/StoreSchema.h"

namespace pyxa {
namespace {

QVariant Int64(std::int64_t value) { return QVariant::fromValue(static_cast<qlonglong>(value)); }

QVariant DateValue(const QDateTime& date) {
  return date.isValid() ? QVariant(date.toString(kStoreDateFormat)) : QVariant();
}

// The Documents row of a stored document, not yet queued; answers its DocumentID.
std::int64_t InsertDocument(SqlConnection& connection, const Document& document) {
  connection
      .Prepare(QStringLiteral(
          "INSERT INTO Documents (IsUploaded, UserID, PatientID, EncounterID, CategoryID, TypeID,"
          " TypeDescription, PhysicianID, SenderID, Sender, DocumentName, EncounterDate, EncounterDateModified,"
          " IsSignedOff, IsAbnormal, Notes, FileData)"
          " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
      .Bind(1, kStoredNotQueued)
      .Bind(2, Int64(document.UserID))
      .Bind(3, Int64(document.PatientID))
      .Bind(4, Int64(document.EncounterID))
      .Bind(5, Int64(document.CategoryID))
      .Bind(6, Int64(document.DocumentTypeID))
      .Bind(7, document.DocumentTypeDesc)
      .Bind(8, Int64(document.PhysicianID))
      .Bind(9, Int64(document.SenderID))
      .Bind(10, document.Sender)
      .Bind(11, document.DocumentName)
      .Bind(12, DateValue(document.DocumentDate))
      .Bind(13, document.DocDateModified)
      .Bind(14, document.SignOff)
      .Bind(15, document.Abnormal)
      .Bind(16, document.Notes)
      .Bind(17, document.FileData)
      .Run();
  const std::int64_t id = connection.LastInsertId();
  // Every store written from now on has the table, so that its searches can rely on it.
  EnsureDocumentTexts(connection);
  if (!document.PageText.isEmpty()) {
    connection.Prepare(QStringLiteral("INSERT INTO DocumentTexts (DocumentID, PageText) VALUES (?, ?)"))
        .Bind(1, Int64(id))
        .Bind(2, document.PageText)
        .Run();
  }
  return id;
}


// Moves the finished file to its name without ever replacing a file that appeared meanwhile.
// Answers 0 or the errno of the failure.
int MoveIntoPlace(const QString& from, const QString& to) {
  const QByteArray source = QFile::encodeName(from);
  const QByteArray target = QFile::encodeName(to);
  if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // Filesystems without the no-replace rename: a hard link fails the same way on an existing name.
  if (link(source.constData(), target.constData()) != 0) return errno;
  unlink(source.constData());
  return 0;
}

// Makes the rename itself durable.
void SyncFolder(const QString& folder) {
  const int fd = open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

SqliteDatabase::SqliteDatabase(int busyTimeoutMs) : busyTimeoutMs_(busyTimeoutMs) {}

SqliteDatabase::~SqliteDatabase() = default;

void SqliteDatabase::ClearError() {
  lastError_ = kDbOk;
  lastErrorDescription_.clear();
}

bool SqliteDatabase::Fail(std::int32_t code, const QString& description) {
  lastError_ = code;
  lastErrorDescription_ = description;
  return false;
}

bool SqliteDatabase::FailFrom(const SqlError& error, const QString& path, bool opening) {
  const int primary = error.Code() & 0xff;
  if (error.IsBusy()) {
    return Fail(kDbBusy, QStringLiteral("The document database is in use by another program. Try again in a moment."));
  }
  if (error.IsNotADatabase()) {
    return Fail(kDbNotADatabase, QStringLiteral("'%1' is not a document database or is damaged.").arg(path));
  }
  if (primary == SQLITE_FULL) {
    return Fail(kDbDiskFull,
                QStringLiteral("There is no room left on the disk for the document database '%1'.").arg(path));
  }
  if (primary == SQLITE_READONLY || ((primary == SQLITE_CANTOPEN || primary == SQLITE_PERM) && !opening)) {
    return Fail(kDbCannotWrite,
                QStringLiteral("The document database '%1' cannot be written: %2.").arg(path, error.Message()));
  }
  if (primary == SQLITE_CANTOPEN || primary == SQLITE_PERM) {
    return Fail(kDbCannotOpen,
                QStringLiteral("The document database '%1' cannot be opened: %2.").arg(path, error.Message()));
  }
  return Fail(kDbFailed,
              QStringLiteral("The document database '%1' reported an error: %2.").arg(path, error.Message()));
}

bool SqliteDatabase::Create(const QString& path, const QString& password) {
  ClearError();
  Disconnect();
  if (path.isEmpty()) return Fail(kDbNoPath, QStringLiteral("No document database file was named."));
  const QFileInfo info(path);
  if (info.exists() || info.isSymLink()) {
    return Fail(kDbAlreadyExists,
                QStringLiteral("The document database '%1' already exists; it was left as it is.").arg(path));
  }

  // Build the store under a temporary name in the same folder, so that the store's name only
  // ever shows a complete store.
  QString tempPath;
  {
    QTemporaryFile temp(path + QStringLiteral(".XXXXXX.tmp"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
      return Fail(kDbCannotCreate,
                  QStringLiteral("The document database '%1' could not be created: %2.").arg(path, temp.errorString()));
    }
    tempPath = temp.fileName();
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
  const auto discard = [&tempPath] {
    QFile::remove(tempPath);
    QFile::remove(tempPath + QStringLiteral("-journal"));
  };

  try {
    SqlConnection connection(tempPath, SqlConnection::Mode::ReadWrite, busyTimeoutMs_);
    SqlTransaction transaction(connection);
    CreateStoreSchema(connection, password);
    transaction.Commit();
  } catch (const SqlError& error) {
    discard();
    const bool full = (error.Code() & 0xff) == SQLITE_FULL;
    return Fail(kDbCannotCreate, QStringLiteral("The document database '%1' could not be created: %2.")
                                     .arg(path, full ? QStringLiteral("the disk is full") : error.Message()));
  }

  // A journal left behind by a store that is gone would be played back into the new store the
  // first time it is opened; it belongs to nothing now.
  QFile::remove(path + QStringLiteral("-journal"));
  const int moveError = MoveIntoPlace(tempPath, path);
  if (moveError != 0) {
    discard();
    if (moveError == EEXIST) {
      return Fail(kDbAlreadyExists,
                  QStringLiteral("The document database '%1' already exists; it was left as it is.").arg(path));
    }
    return Fail(kDbCannotCreate, QStringLiteral("The document database '%1' could not be created: %2.")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(moveError))));
  }
  SyncFolder(info.absolutePath());
  path_ = path;
  password_ = password;
  return true;
}

std::unique_ptr<SqlConnection> SqliteDatabase::OpenStore(const QString& path, const QString& password) {
  if (path.isEmpty()) {
    Fail(kDbNoPath, QStringLiteral("No document database file was named."));
    return nullptr;
  }
  if (!QFileInfo::exists(path)) {
    Fail(kDbMissing, QStringLiteral("The document database '%1' does not exist.").arg(path));
    return nullptr;
  }
  try {
    auto connection = std::make_unique<SqlConnection>(path, SqlConnection::Mode::ReadWrite, busyTimeoutMs_);
    switch (CheckStore(*connection, password)) {
      case StoreCheck::Matches:
        return connection;
      case StoreCheck::WrongPassword:
        Fail(kDbWrongPassword, QStringLiteral("The document database password is not correct."));
        return nullptr;
      case StoreCheck::NotAStore:
        break;
    }
    Fail(kDbNotADatabase, QStringLiteral("'%1' is not a document database or is damaged.").arg(path));
  } catch (const SqlError& error) {
    FailFrom(error, path, true);
  }
  return nullptr;
}

bool SqliteDatabase::Connect(const QString& path, const QString& password) {
  ClearError();
  Disconnect();
  auto connection = OpenStore(path, password);
  if (!connection) return false;
  connection_ = std::move(connection);
  path_ = path;
  password_ = password;
  return true;
}

void SqliteDatabase::Disconnect() { connection_.reset(); }

bool SqliteDatabase::Read(const std::function<void(SqlConnection&)>& body) {
  ClearError();
  if (!connection_) return Fail(kDbNotConnected, QStringLiteral("The document database is not open."));
  try {
    body(*connection_);
    return true;
  } catch (const SqlError& error) {
    return FailFrom(error, connection_->Path(), false);
  } catch (const std::exception& error) {
    return Fail(
        kDbFailed,
        QStringLiteral("The document database could not be read: %1.").arg(QString::fromLocal8Bit(error.what())));
  }
}

bool SqliteDatabase::Write(const std::function<bool(SqlConnection&)>& body) {
  ClearError();
  std::unique_ptr<SqlConnection> own;
  SqlConnection* connection = connection_.get();
  if (!connection) {
    own = OpenStore(FilePath.isEmpty() ? path_ : FilePath, DBPwd.isEmpty() ? password_ : DBPwd);
    if (!own) return false;
    connection = own.get();
  }
  try {
    SqlTransaction transaction(*connection);
    if (!body(*connection)) return false;  // the transaction rolls back
    transaction.Commit();
    return true;
  } catch (const SqlError& error) {
    return FailFrom(error, connection->Path(), false);
  } catch (const std::exception& error) {
    return Fail(
        kDbFailed,
        QStringLiteral("The document database could not be written: %1.").arg(QString::fromLocal8Bit(error.what())));
  }
}

Documents SqliteDatabase::GetDocuments() {
  Documents documents;
  const bool ok = Read([&documents](SqlConnection& connection) {
    // A store no version with page texts has written yet has none to read.
    const bool texts = HasDocumentTexts(connection);
    SqlStatement row = connection.Prepare(
        texts ? QStringLiteral("SELECT d.*, t.PageText AS PageText FROM Documents d"
                               " LEFT JOIN DocumentTexts t ON t.DocumentID = d.DocumentID ORDER BY d.DocumentID")
              : QStringLiteral("SELECT * FROM Documents ORDER BY DocumentID"));
    while (row.Step()) {
      Document document = ReadDocumentRow(row);
      if (texts) document.PageText = row.Text(QStringLiteral("PageText"));
      documents.Add(std::move(document));
    }
  });
  if (!ok) documents.Clear();
  return documents;
}

Exceptions SqliteDatabase::GetExceptions() {
  Exceptions exceptions;
  const bool ok = Read([&exceptions](SqlConnection& connection) {
    SqlStatement row = connection.Prepare(
        QStringLiteral("SELECT DocumentID, AttemptDate, Description FROM Exceptions ORDER BY rowid"));
    while (row.Step()) {
      UploadException exception;
      exception.DocumentID = row.Int(QStringLiteral("DocumentID"));
      exception.AttemptDate = ReadStoreDate(row, QStringLiteral("AttemptDate"));
      exception.Description = row.Text(QStringLiteral("Description"));
      exceptions.Add(std::move(exception));
    }
  });
  if (!ok) exceptions.Clear();
  return exceptions;
}

std::int64_t SqliteDatabase::DocumentsToUpload() {
  std::int64_t count = -1;
  Read([&count](SqlConnection& connection) {
    SqlStatement row =
        connection.Prepare(QStringLiteral("SELECT count(*) AS nCount FROM Documents WHERE IsUploaded = ?"));
    row.Bind(1, kAwaitingUpload);
    if (row.Step()) count = row.Int(QStringLiteral("nCount"));
  });
  return count;
}

bool SqliteDatabase::DeleteDocument(const QString& documentId) {
  ClearError();
  bool isNumber = false;
  const qlonglong id = documentId.trimmed().toLongLong(&isNumber);
  if (!isNumber || id <= 0) return Fail(kDbBadDocumentId, QStringLiteral("'%1' is not a document ID.").arg(documentId));
  return Write([this, id](SqlConnection& connection) {
    connection.Prepare(QStringLiteral("DELETE FROM Exceptions WHERE DocumentID = ?")).Bind(1, id).Run();
    connection.Prepare(QStringLiteral("DELETE FROM Documents WHERE DocumentID = ?")).Bind(1, id).Run();
    if (connection.Changes() == 0) {
      return Fail(kDbNoSuchDocument, QStringLiteral("There is no stored document with ID %1.").arg(id));
    }
    return true;
  });
}

bool SqliteDatabase::UpdateSettings() {
  return Write([this](SqlConnection& connection) {
    connection
        .Prepare(QStringLiteral(
            "INSERT INTO UploadSettings (SettingsID, WebSvcAccount, WebSvcPwd, WebSvcURL, DBPwd, FilePath)"
            " VALUES (1, ?, ?, ?, ?, ?) ON CONFLICT (SettingsID) DO UPDATE SET"
            " WebSvcAccount = excluded.WebSvcAccount, WebSvcPwd = excluded.WebSvcPwd,"
            " WebSvcURL = excluded.WebSvcURL, DBPwd = excluded.DBPwd, FilePath = excluded.FilePath"))
        .Bind(1, WebSvcAccount)
        .Bind(2, WebSvcPwd)
        .Bind(3, WebSvcURL)
        .Bind(4, DBPwd)
        .Bind(5, FilePath)
        .Run();
    return true;
  });
}

bool SqliteDatabase::UpdateDBWithIndexedDoc(Document& document, std::int64_t& newDocumentId) {
  std::int64_t id = 0;
  const bool ok = Write([&document, &id](SqlConnection& connection) {
    id = InsertDocument(connection, document);
    return true;
  });
  if (!ok) return false;
  newDocumentId = id;
  document.Id = id;
  document.IsUploaded = kStoredNotQueued;
  return true;
}

bool SqliteDatabase::StoreIndexedDocument(Document& document, AuditLog& pending, const QString& sourcePath,
                                          const QByteArray& sourceDigest, const QVector<int>& pagesToRemove,
                                          std::int64_t& newDocumentId) {
  std::int64_t id = 0;
  const bool ok = Write([&](SqlConnection& connection) {
    id = InsertDocument(connection, document);
    AuditLog audit = pending;
    audit.DocumentID = id;
    InsertAuditRow(connection, audit);
    if (pagesToRemove.isEmpty()) return true;
    EnsureSourceRemovals(connection);
    SqlStatement removal = connection.Prepare(QStringLiteral(
        "INSERT INTO SourceRemovals (DocumentID, SourcePath, SourceDigest, PageNumber) VALUES (?, ?, ?, ?)"));
    for (const int page : pagesToRemove) {
      removal.Reset();
      removal.Bind(1, Int64(id)).Bind(2, sourcePath).Bind(3, sourceDigest).Bind(4, page).Run();
    }
    return true;
  });
  if (!ok) return false;
  newDocumentId = id;
  document.Id = id;
  document.IsUploaded = kStoredNotQueued;
  pending.DocumentID = id;
  return true;
}

QVector<SourceRemoval> SqliteDatabase::GetSourceRemovals() {
  QVector<SourceRemoval> removals;
  const bool ok = Read([&removals](SqlConnection& connection) {
    if (!HasSourceRemovals(connection)) return;
    SqlStatement row = connection.Prepare(QStringLiteral(
        "SELECT DocumentID, SourcePath, SourceDigest, PageNumber FROM SourceRemovals ORDER BY RemovalID"));
    while (row.Step()) {
      SourceRemoval removal;
      removal.DocumentID = row.Int(QStringLiteral("DocumentID"));
      removal.SourcePath = row.Text(QStringLiteral("SourcePath"));
      removal.SourceDigest = row.Blob(QStringLiteral("SourceDigest"));
      removal.PageNumber = static_cast<std::int32_t>(row.Int(QStringLiteral("PageNumber")));
      removals.push_back(std::move(removal));
    }
  });
  if (!ok) removals.clear();
  return removals;
}

bool SqliteDatabase::ClearSourceRemovals(const QString& sourcePath, const QByteArray& sourceDigest) {
  return Write([&](SqlConnection& connection) {
    if (!HasSourceRemovals(connection)) return true;
    connection.Prepare(QStringLiteral("DELETE FROM SourceRemovals WHERE SourcePath = ? AND SourceDigest = ?"))
        .Bind(1, sourcePath)
        .Bind(2, sourceDigest)
        .Run();
    return true;
  });
}

bool SqliteDatabase::UpdateDocuments(Documents& documents) {
  std::vector<bool> queued(static_cast<std::size_t>(documents.Count()), false);
  const bool ok = Write([&documents, &queued](SqlConnection& connection) {
    // Only rows still stored and not queued move on; a row the upload program has already
    // taken further is left as it is rather than queued a second time.
    SqlStatement update = connection.Prepare(
        QStringLiteral("UPDATE Documents SET IsUploaded = ? WHERE DocumentID = ? AND IsUploaded = ?"));
    for (int i = 1; i <= documents.Count(); ++i) {
      const Document& document = documents.Item(i);
      if (document.Id <= 0) continue;
      update.Reset();
      update.Bind(1, kAwaitingUpload).Bind(2, Int64(document.Id)).Bind(3, kStoredNotQueued).Run();
      queued[static_cast<std::size_t>(i - 1)] = connection.Changes() > 0;
    }
    return true;
  });
  if (!ok) return false;
  for (int i = 1; i <= documents.Count(); ++i) {
    if (queued[static_cast<std::size_t>(i - 1)]) documents.Item(i).IsUploaded = kAwaitingUpload;
  }
  return true;
}

bool SqliteDatabase::UpdateDBWithLog(AuditLog& record) {
  return Write([&record](SqlConnection& connection) {
    InsertAuditRow(connection, record);
    return true;
  });
}

QByteArray SqliteDatabase::RC4(const QByteArray& text, const QByteArray& key) { return Rc4(text, key); }

QString SqliteDatabase::Base64Encoding(const QByteArray& value) { return Base64Encode(value); }

}  // namespace pyxa
