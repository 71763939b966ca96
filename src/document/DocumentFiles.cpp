// The document's file work: opening a TIFF into page files and saving page files as a TIFF. Kept
// apart from the page edits so that those carry no dependency on the TIFF routines.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <utility>

#include "document/Document.h"
#include "document/DocumentErrors.h"

namespace pyxa {

namespace {

constexpr int kOptionNames = 0;
constexpr int kOptionValues = 1;

bool IsRow(const QVariant& row) {
  return row.metaType().id() == QMetaType::QVariantList || row.metaType().id() == QMetaType::QStringList;
}

// The value of the option name (any case), or an invalid QVariant when options is not an option
// table or has no such option.
QVariant OptionValue(const QVariant& options, const QString& name) {
  if (options.metaType().id() != QMetaType::QVariantList) return {};
  const QVariantList table = options.toList();
  if (table.size() != 2 || !IsRow(table[kOptionNames]) || !IsRow(table[kOptionValues])) return {};
  const QVariantList names = table[kOptionNames].toList();
  const QVariantList values = table[kOptionValues].toList();
  for (qsizetype i = 0; i < names.size() && i < values.size(); ++i)
    if (names[i].toString().compare(name, Qt::CaseInsensitive) == 0) return values[i];
  return {};
}

bool IsReadOnly(const QString& fileName) {
  struct stat info {};
  if (::stat(QFile::encodeName(fileName).constData(), &info) != 0) return false;
  // No write permission bit at all stands for the read-only attribute, which even a privileged
  // user respects; a file this user may not write counts too.
  return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         ::access(QFile::encodeName(fileName).constData(), W_OK) != 0;
}

// Whether two names are one file. Names differing only in case are different files here, so they
// are compared exactly, and two names of one existing file (links, "..") by its identity.
bool SameFile(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  if (QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath())) return true;
  struct stat first {
  }, second{};
  return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
         ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// Moves from over to (which may exist). A move to another file system copies and then removes.
bool MoveFile(const QString& from, const QString& to) {
  if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0) return true;
  if (errno != EXDEV) return false;
  QFile::remove(to);
  if (!QFile::copy(from, to)) return false;
  if (!QFile::remove(from)) {
    QFile::remove(to);
    return false;
  }
  return true;
}

// Holds an exclusive flock on an existing file for as long as it lives; no descriptor when the file
// does not exist.
class TargetLock {
 public:
  explicit TargetLock(const QString& fileName)
      : fd_(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
  ~TargetLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TargetLock(const TargetLock&) = delete;
  TargetLock& operator=(const TargetLock&) = delete;
  // False when another holder has the file locked.
  bool Taken() const { return fd_ < 0 || ::flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

 private:
  int fd_;
};

}  // namespace

DocumentFileRoutines TiffDocumentFileRoutines() {
  DocumentFileRoutines routines;
  routines.load = [](const QString& fileName, cPages& pages, const QString& pageFolder, const TiffStamp& stamp,
                     const StatusReporter& status) { return LoadTIFFFile(fileName, pages, pageFolder, stamp, status); };
  routines.save = [](const QString& fileName, const PageFileTable& table, std::int32_t startPage,
                     std::int32_t pageCount, const cPages& pages, const TiffStamp& stamp) {
    return SaveTIFFFile(fileName, table, startPage, pageCount, pages, stamp);
  };
  return routines;
}

QVariant SaveOptionTable(const QStringList& names, const QVariantList& values) {
  QVariantList nameRow;
  for (const QString& name : names) nameRow.append(name);
  return QVariantList{QVariant(nameRow), QVariant(values)};
}

cDocument::cDocument(QString availableFolder, const Clock& clock, StatusReporter status)
    : cDocument(std::move(availableFolder), clock, std::move(status), TiffDocumentFileRoutines()) {}

void cDocument::OpenFile(const QString& fileName, const QString& tempDirectory, std::int32_t& result) {
  if (fileName.isEmpty()) {
    result = kDocNoFileName;
    return;
  }
  StartNew();
  struct stat info {};
  if (::stat(QFile::encodeName(fileName).constData(), &info) != 0) {
    result = kDocFileMissing;
    return;
  }
  SetFileName(fileName);
  result = TakeFileLock();
  if (result != 0) {
    fileName_.clear();
    return;
  }
  if (!Configured()) {
    ReleaseFileLock();
    fileName_.clear();
    result = kDocNotConfigured;
    return;
  }
  tempDirectory_ = tempDirectory;
  // The loader opens the file itself.
  ReleaseFileLock();
  result = routines_.load(fileName_, *pages_, availableFolder_, Stamp(), status_);
  std::int32_t closed = 0;
  if (result != 0) {
    // Half a document must not pass for the file: saved back, it would drop the pages not loaded.
    CloseFile(closed);
    return;
  }
  result = TakeFileLock();
  if (result != 0) {
    CloseFile(closed);
    return;
  }
  // The page types come from the loader; a duplex document has whole sheets.
  if (PageCount() % 2 == 1 && pages_->Item(1)->PageType != 0) {
    CloseFile(closed);
    altered_ = false;
    result = kDocOddDuplex;
    return;
  }
  altered_ = false;
}

std::int32_t cDocument::ChooseSavePages(std::int32_t startPage, std::int32_t pageCount, const QVariant& options,
                                        std::vector<std::shared_ptr<cPage>>& chosen) const {
  const std::int32_t count = PageCount();
  const QVariant listed = OptionValue(options, QStringLiteral("Pages"));
  if (listed.isValid()) {
    if (listed.metaType().id() != QMetaType::QVariantList) return kDocRangeOutside;
    const QVariantList numbers = listed.toList();
    if (numbers.isEmpty()) return kDocRangeOutside;
    for (const QVariant& number : numbers) {
      bool ok = false;
      const int page = number.toInt(&ok);
      if (!ok || page < 1 || page > count) return kDocRangeOutside;
      chosen.push_back(pages_->Item(page));
    }
    return 0;
  }
  const std::int64_t pages = pageCount == -1 ? std::int64_t(count) - startPage + 1 : pageCount;
  if (startPage < 1 || pages < 1 || startPage + pages - 1 > count) return kDocRangeOutside;
  for (std::int64_t page = startPage; page < startPage + pages; ++page)
    chosen.push_back(pages_->Item(static_cast<int>(page)));
  return 0;
}

// Writes the chosen pages to fileName, recompressing black-and-white pages to compression first.
// Every temporary copy is deleted again, whatever the outcome.
std::int32_t cDocument::WritePages(const QString& fileName, std::int32_t compression,
                                   const std::vector<std::shared_ptr<cPage>>& chosen) {
  // A file with any greyscale or colour page is written whole by the imaging layer, which makes
  // its own compression choice.
  bool colour = false;
  for (const auto& page : chosen) colour = colour || page->ColourModel == 2 || page->ColourModel == 3;
  const QString copyFolder = tempDirectory_.isEmpty() ? availableFolder_ : tempDirectory_;

  PageFileTable table;
  std::vector<QString> copies;
  std::int32_t code = 0;
  for (const auto& page : chosen) {
    if (page->CompressionType != compression && !colour) {
      QString copy;
      code = RecompressPage(*page, copyFolder, compression, copy);
      if (code != 0) break;
      copies.push_back(copy);
      table.emplace_back(copy, true);
    } else {
      table.emplace_back(page->FileName, false);
    }
  }
  if (code == 0) {
    // The pages written, in order, so that each carries its own bar codes (also for a page list).
    cPages written;
    for (const auto& page : chosen) written.AddPage(page, page->PageNumber);
    code = routines_.save(fileName, table, 1, static_cast<std::int32_t>(chosen.size()), written, Stamp());
    if (code != 0) lastErrorMsg_ = QStringLiteral("SaveTIFFFile returned (") + QString::number(code) + QLatin1Char(')');
  }
  for (const QString& copy : copies) QFile::remove(copy);
  return code;
}

void cDocument::Save(const QString& fileName, std::int32_t fileType, std::int32_t compression, std::int32_t startPage,
                     std::int32_t pageCount, const QVariant& options, std::int32_t& result) {
  if (!Configured()) {
    result = kDocNotConfigured;
    return;
  }
  if (fileName.isEmpty()) {
    result = kDocNoFileName;
    return;
  }
  std::vector<std::shared_ptr<cPage>> chosen;
  result = ChooseSavePages(startPage, pageCount, options, chosen);
  if (result != 0) return;
  if (fileType == 3) {
    result = kDocFormatUnsupported;
    return;
  }
  scanCtrl_->SetOutputType(ScanOutputType::Tiff);
  if (IsReadOnly(fileName)) {
    result = kDocReadOnly;
    return;
  }

  const bool ownFile = SameFile(fileName, fileName_);
  // The writer replaces the target by renaming over it, which no open handle prevents; a file
  // another document holds open is refused rather than pulled from under it.
  const TargetLock targetLock(ownFile ? QString() : fileName);
  if (!targetLock.Taken()) {
    result = kDocCannotLock;
    return;
  }
  QString backup;
  if (ownFile) {
    ReleaseFileLock();
    std::int32_t code = 0;
    CreateTempFile(availableFolder_, backup, code);
    if (code != 0) {
      TakeFileLock();
      result = kDocBackupNameFailed;
      return;
    }
    if (!MoveFile(fileName_, backup)) {
      QFile::remove(backup);
      TakeFileLock();
      result = kDocBackupFailed;
      return;
    }
  }

  result = WritePages(ownFile ? fileName_ : fileName, compression, chosen);

  if (ownFile) {
    if (result != 0) {
      // The document's file goes back under its name, whatever stopped the save.
      if (!MoveFile(backup, fileName_)) {
        result = kDocRestoreFailed;
        lastErrorMsg_ = QStringLiteral("The document is kept as ") + backup;
      }
    } else {
      QFile::remove(backup);
      altered_ = false;
    }
    const std::int32_t locked = TakeFileLock();
    if (locked != 0) result = locked;
  }
}

}  // namespace pyxa
