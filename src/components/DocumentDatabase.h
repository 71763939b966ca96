// The document-database component: creates, connects to and writes the local store of indexed
// documents. Members answer true on success; after false, LastError and LastErrorDescription
// say why. Nothing here throws.
#pragma once

#include "components/DocumentRecords.h"

#include <memory>

namespace pyxa {

// The store's fixed database password and the key that enciphers upload credentials.
inline const QString kDatabasePassword = QStringLiteral("qpwxtrbnvkdlsyfo5281");

class Database {
 public:
  virtual ~Database() = default;

  virtual bool Create(const QString& path, const QString& password) = 0;
  virtual bool Connect(const QString& path, const QString& password) = 0;
  virtual void Disconnect() = 0;

  // Reads of a connected store.
  virtual Documents GetDocuments() = 0;
  virtual Exceptions GetExceptions() = 0;
  virtual std::int64_t DocumentsToUpload() = 0;  // negative when not known
  // The page removals still owed to source files, oldest first; none for a store written before
  // they were recorded. Empty with LastError set on failure.
  virtual QVector<SourceRemoval> GetSourceRemovals() = 0;
  virtual bool DeleteDocument(const QString& documentId) = 0;

  // Settings for the upload program, written by UpdateSettings.
  QString WebSvcAccount, WebSvcPwd, WebSvcURL, DBPwd, FilePath;
  virtual bool UpdateSettings() = 0;

  // Writes. A stored document goes in with IsUploaded -1, and with its PageText, which GetDocuments
  // gives back; UpdateDocuments turns the collection's stored rows to 0 (awaiting upload).
  virtual bool UpdateDBWithIndexedDoc(Document& document, std::int64_t& newDocumentId) = 0;
  virtual bool UpdateDocuments(Documents& documents) = 0;
  virtual bool UpdateDBWithLog(AuditLog& record) = 0;
  // Stores an indexed document, its audit row (whose DocumentID it fills in) and the removals
  // its pages owe their source file (original page numbers, or {kWholeSourceFile} for a file
  // stored whole), all in one transaction: after a crash all of them are there or none.
  virtual bool StoreIndexedDocument(Document& document, AuditLog& pending, const QString& sourcePath,
                                    const QByteArray& sourceDigest, const QVector<int>& pagesToRemove,
                                    std::int64_t& newDocumentId) = 0;
  // Clears, in one transaction, the removals recorded for the file at that digest: the file has
  // been rewritten without those pages (or deleted).
  virtual bool ClearSourceRemovals(const QString& sourcePath, const QByteArray& sourceDigest) = 0;

  // Utilities of the component.
  virtual QByteArray RC4(const QByteArray& text, const QByteArray& key) = 0;
  virtual QString Base64Encoding(const QByteArray& value) = 0;

  virtual std::int32_t LastError() const = 0;
  virtual QString LastErrorDescription() const = 0;
};

// A fresh Database object per operation.
class DatabaseFactory {
 public:
  virtual ~DatabaseFactory() = default;
  virtual std::unique_ptr<Database> Create() = 0;
};

}  // namespace pyxa
