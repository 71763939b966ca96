// What the reconciliation window does to a stored document: show a copy, delete it, or put its
// file back into Available Files to be indexed anew. Every action leaves an audit row; a clinical
// note's encounter is released once no stored document uses it any more.
#pragma once

#include "audit/ReconciliationSearch.h"
#include "audit/ReconciliationStore.h"
#include "platform/Clock.h"

#include <QString>

namespace pyxa {

class Session;

inline constexpr std::int64_t kClinicalNotesCategory = 4;

// What became of a delete or re-index.
struct RemovalOutcome {
  bool encounterReleased = false;
};

class Reconciliation {
 public:
  // The session's user is recorded as the one who acted.
  Reconciliation(const QString& storePath, QString availableFolder, Session& session, const Clock& clock)
      : store_(storePath), availableFolder_(std::move(availableFolder)), session_(session), clock_(clock) {}

  ReconciliationStore& Store() { return store_; }
  const QString& AvailableFolder() const { return availableFolder_; }

  // The preview copy of the entry's stored file in folder, recorded as viewed. Throws.
  QString WritePreviewCopy(const ReconciliationEntry& entry, const QString& folder);

  // Removes the stored document with a DELETED row, then releases the encounter of a clinical
  // note no other stored document uses. Throws StoreReadError (nothing removed) or
  // ServiceError (removed; the encounter could not be released).
  RemovalOutcome Delete(const ReconciliationEntry& entry);

  // The name in Available Files the entry goes back under: ReindexFileName of its name; "" when
  // that leaves nothing usable.
  QString ReindexTarget(const ReconciliationEntry& entry) const;
  bool TargetExists(const QString& name) const;
  // A name the user chose in the save dialog, as a name inside Available Files: "" when the path
  // is outside that folder or the name would be hidden or changed by ReindexFileName.
  QString ChosenTarget(const QString& chosenPath) const;

  // Writes the stored file durably into Available Files under name, then removes the stored
  // document with a REINDEXED row (and releases the note's encounter as Delete does). When the
  // store refuses, the written file is taken back, so there is still exactly one copy. Throws
  // ReconciliationFileError (nothing changed), StoreReadError or ServiceError as Delete.
  RemovalOutcome Reindex(const ReconciliationEntry& entry, const QString& name);

 private:
  AuditLog Record(const ReconciliationEntry& entry, std::int32_t action) const;
  RemovalOutcome Remove(const ReconciliationEntry& entry, std::int32_t action);

  ReconciliationStore store_;
  QString availableFolder_;
  Session& session_;
  const Clock& clock_;
};

}  // namespace pyxa
