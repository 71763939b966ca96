// The reconciliation window's reads and writes of the local store, always by DocumentID: one
// stored document's file and state, and its removal together with the audit row that records it.
#pragma once

#include "components/DocumentRecords.h"
#include "store/StoreReadError.h"

#include <QString>

namespace pyxa {

// What the store holds now about one document.
struct StoredState {
  bool exists = false;
  std::int32_t isUploaded = kStoredNotQueued;
};

// Never-uploaded documents (still indexed, or waiting for the upload program) have no other copy.
inline bool NeverUploaded(const StoredState& state) {
  return state.isUploaded == kStoredNotQueued || state.isUploaded == kAwaitingUpload;
}

class ReconciliationStore {
 public:
  explicit ReconciliationStore(QString storePath) : path_(std::move(storePath)) {}
  const QString& Path() const { return path_; }

  StoredState State(std::int64_t documentId) const;
  // The whole file of that stored document; throws when it is no longer stored.
  QByteArray StoredFile(std::int64_t documentId) const;

  // Deletes the document (and its upload failures) and inserts the audit row, in one transaction;
  // record.DocumentID names the document. Answers whether another stored document still uses
  // encounterId (false for encounter 0), judged inside that transaction.
  bool RemoveWithAudit(const AuditLog& record, std::int64_t encounterId);
  // Inserts one audit row in its own transaction.
  void RecordAction(const AuditLog& record);

 private:
  QString path_;
};

}  // namespace pyxa
