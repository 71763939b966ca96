// The upload counts of the main window's status bar and of the Upload Now button: documents
// awaiting upload in the local store, files waiting in the available-files folder, and the
// listing of the uploads folder made at start.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "components/DocumentDatabase.h"
#include "store/StoreReadError.h"
#include "shell/AppSettings.h"

namespace pyxa {

// The upload queue at one moment: how many documents wait, and the newest failure recorded.
struct QueueState {
  bool known = false;  // false when the store could not be read
  std::int64_t awaiting = 0;
  std::int64_t lastFailure = 0;  // row number of the newest exception row; 0 when none
};

// What one run of the upload program did: documents it uploaded, documents it tried and could
// not upload (they stay waiting), and documents waiting after it (the status bar's count).
struct UploadRunCounts {
  std::int64_t uploaded = 0, failed = 0, waiting = 0;
};

// The summary shown after Upload Now.
QString UploadRunText(const UploadRunCounts& counts);

class UploadCounts {
 public:
  // Both are kept by reference and must outlive this object.
  UploadCounts(const AppSettings& settings, DatabaseFactory& databases);

  // UploadsFolder + "documents.mdb".
  QString StorePath() const;

  // Panel 1: "   Awaiting Upload: " + count + "   ". The count is 0 unless the store exists,
  // opens, and knows its count. Never throws.
  QString UpdateUploadCount();

  // Stored documents awaiting upload plus indexedCount. A missing store is created first (and
  // then counts 0). Throws StoreReadError when the store cannot be created, opened or read.
  std::int64_t AreDocsToUpload(int indexedCount);

  // Panel 2: "   Available Files: " + count + "   ", count being the PDF, DOC, TIF and JPG files
  // in AvailableFolder; count also comes back in the argument.
  QString UpdateAvailableCount(int& count);

  struct FilesDisplay {
    bool ok = false;
    QString errorMessage;  // when !ok: "Failed to load your documents for uploading." ...
    QString uploadPanel;   // when ok: panel 1 and panel 2 texts; empty otherwise
    QString availablePanel;
  };
  // Lists the uploads folder (the "MDB" entries, folders included); when that listing fails,
  // the error message to show and no counts; otherwise both panel texts.
  FilesDisplay UpdateFilesDisplay();

  // The queue now; never throws.
  QueueState ReadQueue() const;
  // What happened since `before`; nothing when the store cannot be read before or after.
  std::optional<UploadRunCounts> RunSince(const QueueState& before) const;

 private:
  const AppSettings& settings_;
  DatabaseFactory& databases_;
};

}  // namespace pyxa
