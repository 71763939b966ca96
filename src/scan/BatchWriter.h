// Appends scanned pages, as they arrive, to one multi-page TIFF batch file. Black-and-white pages are
// stored as CCITT Group 4, greyscale and colour pages as JPEG-compressed TIFF pages through the
// imaging layer. Each page is written after the batch's end and synced before the batch's last page
// is linked to it, so after each page, after any failure and at any moment of a crash, the file on
// disk is a complete TIFF of every page appended so far. Nothing here throws.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "scan/ScannedPage.h"

namespace pyxa {

// A page whose stored form passes this many bytes does not fit the document database.
inline constexpr std::int64_t kMaxStoredPageBytes = 3072000;

// Black-and-white pages carry the strip layout of the scanner's save options "COMPRESS = ON /
// TIFF_COMPRESS = GROUP4 / TIFF_ROWSPERSTRIP = 20000".
inline constexpr int kBilevelRowsPerStrip = 20000;

enum class BatchCode {
  Ok = 0,
  UnusablePage,  // the scanner's image is empty or cannot be encoded
  FolderGone,    // the batch's folder no longer exists
  DiskFull,      // the disk (or the file size allowed) has no room for the grown batch
  CannotWrite,   // any other refusal to write beside the batch or to replace it
};

// A message for the window to show, not an error: the page was kept.
struct ScanWarning {
  QString title;
  QString text;
};

struct BatchAppendResult {
  BatchCode code = BatchCode::Ok;
  QString message;                     // what failed, for the user; empty on success
  int pageCount = 0;                   // pages the batch file holds after this call
  std::int64_t pageBytes = 0;          // the page's size as stored (its TIFF encoding); 0 when it was not
  std::optional<ScanWarning> warning;  // the too-big page warning, at most once per batch
  bool Ok() const { return code == BatchCode::Ok; }
};

class BatchWriter {
 public:
  // path is the batch file, usually reserved empty by ReserveBatchName.
  explicit BatchWriter(QString path);
  // A batch that received no page removes its still-empty reserved file, so that a cancelled scan
  // leaves no empty document in the folder.
  ~BatchWriter();
  BatchWriter(const BatchWriter&) = delete;
  BatchWriter& operator=(const BatchWriter&) = delete;

  BatchAppendResult Append(const ScannedPage& page);

  const QString& Path() const { return path_; }
  int PageCount() const { return pages_; }

 private:
  QString path_;
  int pages_ = 0;
  bool warned_ = false;
};

// The text shown for a page of the given stored size that passes kMaxStoredPageBytes.
QString PageTooBigText(std::int64_t storedBytes);

}  // namespace pyxa
