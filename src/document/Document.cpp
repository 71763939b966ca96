#include "document/Document.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <unordered_set>
#include <utility>

#include "document/DocumentErrors.h"
#include "platform/Clock.h"

namespace pyxa {

namespace {

// The TIFF compression numbers a page records as such; anything else is -1.
std::int32_t PageCompression(std::int32_t compression) {
  return compression == 1 || compression == 3 || compression == 4 ? compression : -1;
}

bool IsColour(const cPage& page) { return page.ColourModel == 2 || page.ColourModel == 3; }

// The 1-based position of page in pages, 0 when it is not there.
int PositionOf(const cPages& pages, const cPage* page) {
  int position = 1;
  for (const auto& item : pages) {
    if (item.get() == page) return position;
    ++position;
  }
  return 0;
}

}  // namespace

DocumentError::DocumentError(std::int32_t number, QString source, QString description)
    : number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      what_(QStringLiteral("%1 (%2): %3").arg(number_).arg(source_, description_).toStdString()) {}

cDocument::cDocument(QString availableFolder, const Clock& clock, StatusReporter status, DocumentFileRoutines routines)
    : availableFolder_(std::move(availableFolder)),
      clock_(clock),
      status_(std::move(status)),
      routines_(std::move(routines)) {}

cDocument::~cDocument() {
  scanCtrl_ = nullptr;
  imageCtrl_ = nullptr;
  if (FileLocked()) {
    std::int32_t ignored = 0;
    CloseFile(ignored);
  }
}

void cDocument::SetPages(std::shared_ptr<cPages> pages) {
  pages_ = pages ? std::move(pages) : std::make_shared<cPages>();
}

void cDocument::SetFileName(const QString& fileName) {
  fileName_ = fileName;
  alias_.clear();
}

void cDocument::SetCurrentPage(std::int32_t page) {
  if (page < 1 || page > PageCount())
    throw DocumentError(kDocNoSuchPage, QStringLiteral("Pyxadesk"), DocumentErrorText(kDocNoSuchPage));
  currentPage_ = page;
}

bool cDocument::Configured() const {
  return !fileImportSource_.isEmpty() && !fileImportIni_.isEmpty() && scanCtrl_ && imageCtrl_;
}

TiffStamp cDocument::Stamp() const {
  TiffStamp stamp;
  stamp.dateTime = TiffDateTimeText(clock_.Now());
  return stamp;
}

void cDocument::StartNew() {
  SetFileName(QString());
  altered_ = false;
  pages_ = std::make_shared<cPages>();
  deleted_ = std::make_shared<cPages>();
  cut_ = std::make_shared<cPages>();
  // No page is current in an empty document.
  currentPage_ = 0;
  ReleaseFileLock();
}

void cDocument::CloseFile(std::int32_t& result) {
  ReleaseFileLock();
  for (const auto* collection : {pages_.get(), deleted_.get(), cut_.get()}) {
    if (!collection) continue;
    for (const auto& page : *collection)
      if (!page->FileName.isEmpty()) QFile::remove(page->FileName);
  }
  pages_ = std::make_shared<cPages>();
  deleted_ = std::make_shared<cPages>();
  cut_ = std::make_shared<cPages>();
  fileName_.clear();
  tempDirectory_.clear();
  annotationText_.clear();
  alias_.clear();
  lastErrorMsg_.clear();
  lastError_ = 0;
  currentPage_ = 0;
  altered_ = false;
  manualAnnotate_ = false;
  annotationFlag_ = false;
  result = 0;
}

// --- page edits: the page objects move between collections; no page file is touched.

void cDocument::DeletePages(std::int32_t startPage, std::int32_t pageCount, std::int32_t& result) {
  const std::int32_t count = PageCount();
  if (count == 0) {
    result = kDocNoDocument;
    return;
  }
  const std::int32_t start = startPage == 0 ? currentPage_ : startPage;
  if (start < 1 || start > count) {
    result = kDocNoSuchPage;
    return;
  }
  if (pageCount < 0 || std::int64_t(start) + pageCount - 1 > count) {
    result = kDocRangeOutside;
    return;
  }
  if (pageCount == 0) {
    // Nothing goes, and the last deletion stays undoable.
    altered_ = true;
    result = 0;
    return;
  }
  const std::int32_t last = start + pageCount - 1;
  const std::int32_t startType = pages_->Item(start)->PageType;
  if (startType == 1 || startType == 2) {
    if (startType != 1) {
      result = kDocMissingDuplexFront;
      return;
    }
    if (pages_->Item(last)->PageType != 2) {
      result = kDocMissingDuplexBack;
      return;
    }
  }
  auto deleted = std::make_shared<cPages>();
  for (std::int32_t position = start; position <= last; ++position) {
    auto page = pages_->Item(position);
    page->PageNumber = position;
    deleted->AddPage(page, position);
  }
  for (std::int32_t position = last; position >= start; --position) pages_->Remove(position);
  deleted_ = std::move(deleted);
  altered_ = true;
  result = 0;
}

void cDocument::UndoDeletePage(std::int32_t& result) {
  if (!deleted_) {
    result = kDocNothingCut;
    return;
  }
  // A page is never put into the document twice, whatever was done to the collection meanwhile.
  // The set holds the few deleted pages, not the whole document: one pass over the pages checks it.
  std::unordered_set<const cPage*> returning;
  for (const auto& page : *deleted_) returning.insert(page.get());
  for (const auto& page : *pages_) {
    if (returning.count(page.get())) {
      result = kDocRangeOutside;
      return;
    }
  }
  for (const auto& page : *deleted_) pages_->AddPage(page, page->PageNumber, QString(), page->PageNumber);
  deleted_.reset();
  altered_ = true;
  result = 0;
}

void cDocument::CutPage(std::int32_t page, std::int32_t& result) {
  const std::int32_t count = PageCount();
  if (page < 1 || page > count) {
    result = kDocNoSuchPage;
    return;
  }
  auto cut = std::make_shared<cPages>();
  auto marked = pages_->Item(page);
  marked->PageNumber = page;
  cut->AddPage(marked, page);
  if (marked->PageType == 2 && page > 1) {
    auto front = pages_->Item(page - 1);
    front->PageNumber = page - 1;
    cut->AddPage(front, page - 1, QString(), 1);
  } else if (marked->PageType == 1 && page < count) {
    auto back = pages_->Item(page + 1);
    back->PageNumber = page + 1;
    cut->AddPage(back, page + 1);
  }
  cut_ = std::move(cut);
  result = 0;
}

void cDocument::PastePage(std::int32_t page, bool before, std::int32_t& result) {
  // An empty cut collection (nothing cut since the document was made or emptied) is nothing cut.
  if (!cut_ || cut_->Count() == 0) {
    result = kDocNothingCut;
    return;
  }
  const std::int32_t count = PageCount();
  if (page < 1 || page > count) {
    result = kDocNoSuchPage;
    return;
  }
  const std::int32_t targetType = pages_->Item(page)->PageType;
  std::int32_t insertAt = page;
  if (targetType == 2 && before)
    insertAt = page - 1;
  else if (targetType == 1 && !before)
    insertAt = page + 2;
  else if (!before)
    insertAt = page + 1;

  // The cut pages are found where they are now rather than where they were cut: pages deleted,
  // restored or pasted since then have moved them, and removing by the old position would drop
  // another page and leave a cut page in twice. A cut page no longer in the document stops the paste.
  std::vector<int> positions;
  for (const auto& cutPage : *cut_) {
    const int position = PositionOf(*pages_, cutPage.get());
    if (position == 0) {
      result = kDocNoSuchPage;
      return;
    }
    positions.push_back(position);
  }
  int cutBefore = 0;
  for (int position : positions)
    if (position < insertAt) ++cutBefore;
  std::vector<int> descending = positions;
  std::sort(descending.rbegin(), descending.rend());
  for (int position : descending) pages_->Remove(position);
  int at = insertAt - cutBefore;
  for (const auto& cutPage : *cut_) pages_->AddPage(cutPage, cutPage->PageNumber, QString(), at++);
  cut_.reset();
  altered_ = true;
  result = 0;
}

void cDocument::SetManualAnnotate(const QString& text, bool flag, std::int32_t& result) {
  annotationText_ = text.trimmed();
  annotationFlag_ = flag;
  manualAnnotate_ = !(annotationText_.isEmpty() && !flag);
  result = 0;
}

void cDocument::CreateTempFile(const QString& directory, QString& fileName, std::int32_t& result) const {
  cPage page;
  page.ColourModel = 1;  // a TIF name
  page.CreateTempFile(directory, result);
  fileName = page.FileName;
}

// --- file lock

// The lock is an exclusive flock on an open descriptor of the document's file, taken without
// waiting. Every part of this program takes flock locks on document and page files, so they keep
// off each other (flock and fcntl locks do not see each other on Linux). It is advisory: a program
// that takes no lock can still read and write the file.
std::int32_t cDocument::TakeFileLock() {
  if (lockFd_ >= 0) return 0;
  if (fileName_.isEmpty()) return kDocCannotLock;
  const QByteArray path = QFile::encodeName(fileName_);
  // O_NONBLOCK: a FIFO under the name must not hold the program up.
  int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return kDocCannotLock;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return kDocCannotLock;
  }
  lockFd_ = fd;
  return 0;
}

void cDocument::ReleaseFileLock() {
  if (lockFd_ < 0) return;
  ::close(lockFd_);  // closing the only descriptor releases the lock
  lockFd_ = -1;
}

void cDocument::ReserveCurrentFile(std::int32_t& result) { result = TakeFileLock(); }

void cDocument::ReleaseCurrentFile(std::int32_t& result) {
  ReleaseFileLock();
  result = 0;
}

// --- file import

std::int32_t cDocument::ReserveImportSource() {
  if (!scanCtrl_ || fileImportSource_.isEmpty()) return kDocCannotReserve;
  const QString reserved = scanCtrl_->ReservedSource();
  if (!reserved.isEmpty() && reserved.compare(fileImportSource_, Qt::CaseInsensitive) == 0) return 0;
  if (!reserved.isEmpty()) scanCtrl_->Unreserve();
  if (scanCtrl_->Reserve(fileImportSource_) != 0 || scanCtrl_->ReservedSource().isEmpty()) return kDocCannotReserve;
  return 0;
}

// A failed import is recorded as the scanning events record a control's error: 3029, with the
// control's own code and text as the message.
void cDocument::RecordImport(const ImportedPage& imported) {
  if (imported.code == 0) {
    lastError_ = 0;
    return;
  }
  lastError_ = kDocScanFailed;
  lastErrorMsg_ = QString::number(imported.code) + QLatin1Char('-') + imported.message;
}

void cDocument::ProcessPage(std::int32_t page, bool output, std::int32_t& result) {
  if (!Configured()) {
    result = kDocNotConfigured;
    return;
  }
  if (page < 1 || page > PageCount()) {
    result = kDocNoSuchPage;
    return;
  }
  result = ReserveImportSource();
  if (result != 0) return;
  const auto target = pages_->Item(page);
  scanCtrl_->SetOutput(output);
  if (IsColour(*target)) {
    scanCtrl_->SetOutputType(ScanOutputType::Jpg);
    scanCtrl_->SetOutputCompression(kScanCompressionJpeg);
  } else {
    scanCtrl_->SetOutputType(ScanOutputType::Tiff);
    if (scanCtrl_->CompressionAvailable(kScanCompressionGroup4))
      scanCtrl_->SetOutputCompression(kScanCompressionGroup4);
  }
  const ImportedPage imported = scanCtrl_->ImportPage(target->FileName, target->FileName);
  RecordImport(imported);
  // The page keeps its object and file; only what the import changed in the file is refreshed.
  if (imported.code == 0 && imported.written) {
    target->XResolution = imported.xResolution;
    target->YResolution = imported.yResolution;
    target->CompressionType = PageCompression(imported.compression);
    target->ColourModel = imported.colourModel;
  }
  result = lastError_;
  altered_ = true;
}

std::int32_t cDocument::RecompressPage(const cPage& page, const QString& directory, std::int32_t compression,
                                       QString& tempName) {
  std::int32_t code = 0;
  CreateTempFile(directory, tempName, code);
  if (code != 0) return code;
  code = ReserveImportSource();
  if (code == 0) {
    const bool offered = (compression == kScanCompressionNone || compression == kScanCompressionGroup3 ||
                          compression == kScanCompressionGroup4) &&
                         scanCtrl_->CompressionAvailable(compression);
    if (!offered) {
      code = kDocCompressionUnavailable;
    } else {
      scanCtrl_->SetOutput(true);
      scanCtrl_->SetOutputType(ScanOutputType::Tiff);
      scanCtrl_->SetOutputCompression(compression);
      RecordImport(scanCtrl_->ImportPage(page.FileName, tempName));
      code = lastError_;
    }
  }
  // A failed copy is not left behind for nobody to delete.
  if (code != 0) {
    QFile::remove(tempName);
    tempName.clear();
  }
  return code;
}

void cDocument::RecompressPgAsTemp(std::int32_t page, const QString& directory, std::int32_t compression,
                                   QString& tempName, std::int32_t& result) {
  tempName.clear();
  if (page < 1 || page > PageCount()) {
    result = kDocNoSuchPage;
    return;
  }
  result = RecompressPage(*pages_->Item(page), directory, compression, tempName);
}

}  // namespace pyxa
