// The records the document database stores and hands back: stored documents with their pages,
// audit rows and upload exceptions, and the 1-based collections that hold them.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>
#include <cstdint>

namespace pyxa {

// Audit actions and outcomes as stored in AuditLog.
enum AuditAction : std::int32_t {
  kActionPendingUpload = 1,
  kActionSaved = 2,
  kActionDeleted = 3,
  kActionReindexed = 4,
  kActionUploaded = 6,
  // Reading a stored patient document is audited too: a clinic must be able to show who saw or printed it.
  kActionViewed = 7,
  kActionPrinted = 8,
};
inline constexpr std::int32_t kStatusSucceeded = 0;
inline constexpr std::int32_t kStatusFailed = -1;

// IsUploaded values: stored but still in the indexed tree, and awaiting upload.
inline constexpr std::int32_t kStoredNotQueued = -1;
inline constexpr std::int32_t kAwaitingUpload = 0;

// A collection with 1-based Item and Remove, as the program's callers count.
template <typename T>
class Collection {
 public:
  void Add(T item) { items_.push_back(std::move(item)); }
  int Count() const { return static_cast<int>(items_.size()); }
  T& Item(int index) { return items_[index - 1]; }
  const T& Item(int index) const { return items_[index - 1]; }
  void Remove(int index) { items_.remove(index - 1); }
  void Clear() { items_.clear(); }
  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  QVector<T> items_;
};

struct Page {
  std::int32_t PageNumber = 0;  // its number in the source file
  QByteArray FileData;
};
using Pages = Collection<Page>;

// Identifiers are 64-bit throughout, so that no store ever wraps its document numbers.
struct Document {
  std::int64_t Id = 0;
  std::int32_t IsUploaded = kStoredNotQueued;
  std::int64_t UserID = 0;
  std::int64_t PatientID = 0;
  QString LastName, FirstName, Chart, HCN, AreaCode, Phone1, Phone2;
  std::int64_t EncounterID = 0;
  std::int64_t CategoryID = 0;
  std::int64_t DocumentTypeID = 0;
  QString DocumentTypeDesc;
  std::int64_t PhysicianID = 0;
  std::int64_t SenderID = 0;
  QString Sender;
  QString DocumentName;
  QDateTime DocumentDate;  // null when not set
  bool DocDateModified = false;
  bool SignOff = false;
  bool Abnormal = false;
  QString Notes;
  QByteArray FileData;  // the whole document file; empty until prepared
  pyxa::Pages Pages;
  // While indexed, never stored: the file in "Available Files" whose pages Pages numbers (its
  // full path), and that file's digest when its pages were numbered, so that storing takes
  // pages from that file only and refuses one another program has changed since.
  QString SourceFile;
  QByteArray SourceDigest;
  // While indexed, never stored: the separator or cover sheets of SourceFile that leave it with this
  // document's pages without being part of it.
  QVector<std::int32_t> SheetPages;
  // The text read from the document's pages, kept in the local store for its searches; never
  // sent to the clinic or anywhere else. Empty when nothing was read.
  QString PageText;
};
using Documents = Collection<Document>;

// How often the clerk filed a sender's documents under a category and type: what the stored
// documents say, for proposing the category and type of the next one from that sender.
struct SenderChoice {
  std::int64_t SenderID = 0;  // the laboratory; 0 for a free-text sender
  QString Sender;
  std::int64_t CategoryID = 0;
  std::int64_t DocumentTypeID = 0;
  QString DocumentTypeDesc;
  std::int32_t Times = 0;
  QDateTime Last;  // the latest of them
};

// Stored: the document's file has been prepared and written to the store, so its pages no longer
// belong to a source file.
inline bool IsStored(const Document& document) { return !document.FileData.isEmpty(); }

struct AuditLog {
  std::int64_t UserID = 0;
  std::int64_t PatientID = 0;
  QString PatientName;
  std::int64_t CategoryID = 0;
  QString TypeDesc;
  QString DocumentName;
  std::int64_t DocumentID = 0;
  std::int32_t ActionID = 0;
  QDateTime ActionDate;
  std::int32_t StatusID = kStatusSucceeded;
};

// A page a stored document took from a file in "Available Files" and that is still to leave that
// file: recorded with the document's insert, cleared once the file is rewritten, so that a crash
// in between never leaves the page both in the file and in the store.
inline constexpr std::int32_t kWholeSourceFile = 0;  // PageNumber of a file stored whole
struct SourceRemoval {
  std::int64_t DocumentID = 0;
  QString SourcePath;
  QByteArray SourceDigest;      // the file's digest before the store run took anything from it
  std::int32_t PageNumber = 0;  // its number in that file, or kWholeSourceFile
};

struct UploadException {
  std::int64_t DocumentID = 0;
  QDateTime AttemptDate;
  QString Description;
};
using Exceptions = Collection<UploadException>;

}  // namespace pyxa
