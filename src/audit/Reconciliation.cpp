#include "audit/Reconciliation.h"

#include "audit/ReconciliationFiles.h"
#include "shell/Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pyxa {
namespace {

// The kind of note a clinical note holds its encounter for.
const QString kNoteKind = QStringLiteral("ProgressNote");

}  // namespace

AuditLog Reconciliation::Record(const ReconciliationEntry& entry, std::int32_t action) const {
  AuditLog record;
  // The trail says who acted, which is the user at this desk, not the one who indexed it.
  const ClinicalService* service = session_.Integration();
  record.UserID = service ? service->UserID() : entry.row.userId;
  record.PatientID = entry.row.patientId;
  record.PatientName = entry.patientName;
  record.CategoryID = entry.row.categoryId;
  record.TypeDesc = entry.row.typeDescription;
  record.DocumentName = entry.row.documentName;
  record.DocumentID = entry.row.documentId;
  record.ActionID = action;
  record.ActionDate = clock_.Now();
  record.StatusID = kStatusSucceeded;
  return record;
}

QString Reconciliation::WritePreviewCopy(const ReconciliationEntry& entry, const QString& folder) {
  const QByteArray data = store_.StoredFile(entry.row.documentId);
  const QString path = WritePreview(folder, DocumentExtension(entry.row.documentName), data);
  try {
    store_.RecordAction(Record(entry, kActionViewed));
  } catch (...) {
    // A look the trail cannot record is not shown.
    QFile::remove(path);
    throw;
  }
  return path;
}

RemovalOutcome Reconciliation::Remove(const ReconciliationEntry& entry, std::int32_t action) {
  const bool note = entry.row.categoryId == kClinicalNotesCategory && entry.row.encounterId != 0;
  const bool shared = store_.RemoveWithAudit(Record(entry, action), note ? entry.row.encounterId : 0);
  RemovalOutcome outcome;
  if (note && !shared) {
    // The reservation is the indexing user's, so it is released in that user's name.
    session_.Call([&](ClinicalService& service) {
      service.UnLockEncounter(entry.row.userId, kNoteKind, entry.row.encounterId);
    });
    outcome.encounterReleased = true;
  }
  return outcome;
}

RemovalOutcome Reconciliation::Delete(const ReconciliationEntry& entry) { return Remove(entry, kActionDeleted); }

QString Reconciliation::ReindexTarget(const ReconciliationEntry& entry) const {
  return ReindexFileName(entry.row.documentName);
}

bool Reconciliation::TargetExists(const QString& name) const {
  const QFileInfo info(QDir(availableFolder_).filePath(name));
  return info.exists() || info.isSymLink();
}

QString Reconciliation::ChosenTarget(const QString& chosenPath) const {
  if (chosenPath.isEmpty()) return {};
  const QFileInfo chosen(chosenPath);
  const QString folder = QFileInfo(chosen.absolutePath()).canonicalFilePath();
  if (folder.isEmpty() || folder != QFileInfo(availableFolder_).canonicalFilePath()) return {};
  const QString name = chosen.fileName();
  return ReindexFileName(name) == name ? name : QString();
}

RemovalOutcome Reconciliation::Reindex(const ReconciliationEntry& entry, const QString& name) {
  const QByteArray data = store_.StoredFile(entry.row.documentId);
  WriteFileDurably(availableFolder_, name, data);
  try {
    return Remove(entry, kActionReindexed);
  } catch (const StoreReadError&) {
    // Still stored: the copy just written would let it be indexed and sent twice.
    QFile::remove(QDir(availableFolder_).filePath(name));
    throw;
  }
}

}  // namespace pyxa
