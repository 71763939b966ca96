// The document database on SQLite: creates the local store, connects to it, reads its documents,
// exceptions and owed page removals, and writes documents, settings, audit rows and removals, each
// write in one transaction.
//
// Connections. Connect opens the store until Disconnect (or the object's end); reads need it.
// The writes (UpdateSettings, UpdateDBWithIndexedDoc, StoreIndexedDocument, UpdateDocuments,
// UpdateDBWithLog, ClearSourceRemovals, DeleteDocument) use that connection when there is one;
// otherwise each opens its own for the length of the call, on FilePath (or, when FilePath is
// empty, the path of the last Create or Connect), checked with DBPwd (or, when DBPwd is empty,
// the password of that Create or Connect). So the writers' order "Create when missing, the five
// settings, UpdateSettings, one update" works without Connect. Create builds the store and leaves
// the object unconnected.
#pragma once

#include <functional>
#include <memory>

#include "components/DocumentDatabase.h"
#include "platform/Sql.h"

namespace pyxa {

// LastError codes. The descriptions are plain words for the user.
enum DatabaseErrorCode : std::int32_t {
  kDbOk = 0,
  kDbNoPath = 5001,          // no store file named (argument, FilePath or an earlier Create/Connect)
  kDbMissing = 5002,         // the store file does not exist
  kDbAlreadyExists = 5003,   // Create: a file of that name exists; it is left untouched
  kDbCannotCreate = 5004,    // Create: the folder cannot take the new file (missing, read-only, full)
  kDbNotADatabase = 5005,    // the file is not a document database, or is damaged
  kDbWrongPassword = 5006,   // the password does not match the store's
  kDbBusy = 5007,            // locked by another connection or program past the busy time-out
  kDbCannotOpen = 5008,      // the file cannot be opened (permissions, a folder, ...)
  kDbCannotWrite = 5009,     // the store or its folder is read-only
  kDbDiskFull = 5010,        // no room left for the write
  kDbNotConnected = 5011,    // a read without Connect
  kDbBadDocumentId = 5012,   // DeleteDocument: the ID is not a positive whole number
  kDbNoSuchDocument = 5013,  // DeleteDocument: no stored document has that ID
  kDbFailed = 5014,          // any other failure; the description carries SQLite's words
};

class SqliteDatabase : public Database {
 public:
  explicit SqliteDatabase(int busyTimeoutMs = SqlConnection::kDefaultBusyMs);
  ~SqliteDatabase() override;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  // How long an operation waits for another connection's lock before giving up with kDbBusy.
  // Takes effect at the next connection the object opens.
  void SetBusyTimeout(int milliseconds) { busyTimeoutMs_ = milliseconds; }
  bool IsConnected() const { return connection_ != nullptr; }

  bool Create(const QString& path, const QString& password) override;
  bool Connect(const QString& path, const QString& password) override;
  void Disconnect() override;

  Documents GetDocuments() override;
  Exceptions GetExceptions() override;
  std::int64_t DocumentsToUpload() override;
  QVector<SourceRemoval> GetSourceRemovals() override;
  bool DeleteDocument(const QString& documentId) override;

  bool UpdateSettings() override;
  bool UpdateDBWithIndexedDoc(Document& document, std::int64_t& newDocumentId) override;
  bool UpdateDocuments(Documents& documents) override;
  bool UpdateDBWithLog(AuditLog& record) override;
  bool StoreIndexedDocument(Document& document, AuditLog& pending, const QString& sourcePath,
                            const QByteArray& sourceDigest, const QVector<int>& pagesToRemove,
                            std::int64_t& newDocumentId) override;
  bool ClearSourceRemovals(const QString& sourcePath, const QByteArray& sourceDigest) override;

  QByteArray RC4(const QByteArray& text, const QByteArray& key) override;
  QString Base64Encoding(const QByteArray& value) override;

  std::int32_t LastError() const override { return lastError_; }
  QString LastErrorDescription() const override { return lastErrorDescription_; }

 private:
  bool Fail(std::int32_t code, const QString& description);
  bool FailFrom(const SqlError& error, const QString& path, bool opening);
  void ClearError();
  // Opens and checks a store; null with the error set when that fails.
  std::unique_ptr<SqlConnection> OpenStore(const QString& path, const QString& password);
  // Runs body in one write transaction on the connected store or on one opened for the call.
  // body answers false (having set the error) to roll back.
  bool Write(const std::function<bool(SqlConnection&)>& body);
  // Runs body on the connected store; false with the error set when not connected or on failure.
  bool Read(const std::function<void(SqlConnection&)>& body);

  int busyTimeoutMs_;
  std::unique_ptr<SqlConnection> connection_;
  QString path_;      // of the last Create or Connect
  QString password_;  // of the last Create or Connect
  std::int32_t lastError_ = kDbOk;
  QString lastErrorDescription_;
};

class SqliteDatabaseFactory : public DatabaseFactory {
 public:
  explicit SqliteDatabaseFactory(int busyTimeoutMs = SqlConnection::kDefaultBusyMs) : busyTimeoutMs_(busyTimeoutMs) {}
  std::unique_ptr<Database> Create() override { return std::make_unique<SqliteDatabase>(busyTimeoutMs_); }

 private:
  int busyTimeoutMs_;
};

}  // namespace pyxa
