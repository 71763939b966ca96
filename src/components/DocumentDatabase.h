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
  virtual bool DeleteDocument(const QString& documentId) = 0;

  // Settings for the upload program, written by UpdateSettings.
  QString WebSvcAccount, WebSvcPwd, WebSvcURL, DBPwd, FilePath;
  virtual bool UpdateSettings() = 0;

  // Writes. A stored document goes in with IsUploaded -1; UpdateDocuments turns the
  // collection's stored rows to 0 (awaiting upload).
  virtual bool UpdateDBWithIndexedDoc(Document& document, std::int64_t& newDocumentId) = 0;
  virtual bool UpdateDocuments(Documents& documents) = 0;
  virtual bool UpdateDBWithLog(AuditLog& record) = 0;

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
