// The upload program's view of the local store: the stored upload settings, the documents awaiting
// upload one at a time, their upload keys, and the rows that record each attempt's outcome. Every
// write is one transaction. Members throw SqlError (IsBusy: the main program holds the store).
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

#include "components/DocumentRecords.h"
#include "platform/Sql.h"

namespace pyxa {

// The upload settings as stored, with the credentials deciphered.
struct StoredUploadSettings {
  QString account;
  QString password;
  QString url;
};

// A stored credential in clear: the enciphered form the main program writes, or, for stores
// written by older versions, the text itself when it does not decipher to printable text.
QString ClearCredential(const QString& stored);

class UploadQueue {
 public:
  enum class OpenResult { Opened, NotAStore, WrongPassword };

  // Opens the store at path; check Open's answer before anything else.
  explicit UploadQueue(QString path, int busyTimeoutMs = SqlConnection::kDefaultBusyMs);
  ~UploadQueue();
  UploadQueue(const UploadQueue&) = delete;
  UploadQueue& operator=(const UploadQueue&) = delete;

  // Opens and checks the store, and gives a store made before upload keys existed their column.
  OpenResult Open();

  // Nothing when no settings are stored.
  std::optional<StoredUploadSettings> ReadSettings();

  // The first document awaiting upload after afterId, in DocumentID order.
  std::optional<qint64> NextAwaiting(qint64 afterId);
  bool AnyAwaiting() { return NextAwaiting(0).has_value(); }

  // The document's upload key, made and committed on first need. Nothing when the document no
  // longer awaits upload.
  std::optional<QString> UploadKeyFor(qint64 documentId);

  // The whole row with its file data; nothing when it no longer awaits upload.
  std::optional<Document> LoadAwaiting(qint64 documentId);

  // Marks the document uploaded and writes its audit row, in one transaction. False (and nothing
  // written) when the document no longer awaited upload.
  bool MarkUploaded(const Document& document, const QString& patientName, const QDateTime& when);

  // Records a failed attempt: an Exceptions row and a failed audit row, in one transaction. The
  // document keeps awaiting upload.
  void RecordFailure(const Document& document, const QString& patientName, const QString& description,
                     const QDateTime& when);

  const QString& Path() const { return path_; }

 private:
  void EnsureUploadKeyColumn();
  void InsertAudit(const Document& document, const QString& patientName, std::int32_t status, const QDateTime& when);

  QString path_;
  int busyTimeoutMs_;
  std::unique_ptr<SqlConnection> connection_;
};

}  // namespace pyxa
