// cDocument: the multi-page image document that scanning fills and the page editor changes. Each
// page lives in its own page file; the document's permanent form is one multi-page TIFF, split
// into page files by OpenFile and joined again by Save. Operations answer through their last,
// by-reference argument: 0, a code of 3000-3068 (texts in DocumentErrors.h), or a negative code of
// the TIFF routines. The one exception is SetCurrentPage, which throws DocumentError.
//
// The hourglass pointer the page edits show belongs to the window that calls them: this layer has
// no widgets.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/Pages.h"
#include "document/ScanControl.h"
#include "document/TiffPageFiles.h"

namespace pyxa {

class Clock;
class Registry;

// Shows a text in a status-bar panel of the main window ("Scanner" or "Status").
using PanelReporter = std::function<void(const QString& panel, const QString& text)>;
// Waits so many milliseconds; the window keeps painting meanwhile.
using Waiter = std::function<void(int milliseconds)>;

// Thrown by cDocument::SetCurrentPage for a page outside the document.
class DocumentError : public std::exception {
 public:
  DocumentError(std::int32_t number, QString source, QString description);
  std::int32_t Number() const { return number_; }
  const QString& Source() const { return source_; }
  const QString& Description() const { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  QString source_;
  QString description_;
  std::string what_;
};

// The file routines a document splits and joins its TIFF with; tests may put others in.
struct DocumentFileRoutines {
  std::function<int(const QString& fileName, cPages& pages, const QString& pageFolder, const TiffStamp& stamp,
                    const StatusReporter& status)>
      load;
  std::function<int(const QString& fileName, const PageFileTable& table, std::int32_t startPage, std::int32_t pageCount,
                    const cPages& pages, const TiffStamp& stamp)>
      save;
};

// LoadTIFFFile and SaveTIFFFile.
DocumentFileRoutines TiffDocumentFileRoutines();

// Save's options: a two-row table, names in row 0 and their values in row 1. The one option read is
// "Pages" (any case), a list of 1-based page numbers to write in that order.
QVariant SaveOptionTable(const QStringList& names, const QVariantList& values);

class cDocument {
 public:
  // availableFolder is the Available Files working folder: page files of opened documents and
  // Save's backup go there. clock stamps the DateTime of pages written; status shows the loader's
  // progress. The routines are LoadTIFFFile and SaveTIFFFile unless given.
  cDocument(QString availableFolder, const Clock& clock, StatusReporter status = {});
  cDocument(QString availableFolder, const Clock& clock, StatusReporter status, DocumentFileRoutines routines);
  ~cDocument();
  cDocument(const cDocument&) = delete;
  cDocument& operator=(const cDocument&) = delete;

  // --- properties
  // Never null: setting nullptr gives an empty collection.
  const std::shared_ptr<cPages>& Pages() const { return pages_; }
  void SetPages(std::shared_ptr<cPages> pages);
  std::int32_t PageCount() const { return pages_->Count(); }

  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& fileName);  // also clears Alias
  bool Altered() const { return altered_; }
  void SetAltered(bool altered) { altered_ = altered; }
  const QString& Alias() const { return alias_; }
  void SetAlias(const QString& alias) { alias_ = alias; }
  const QString& TempDirectory() const { return tempDirectory_; }
  void SetTempDirectory(const QString& folder) { tempDirectory_ = folder; }
  std::int32_t LastError() const { return lastError_; }
  const QString& LastErrorMsg() const { return lastErrorMsg_; }

  std::int32_t CurrentPage() const { return currentPage_; }
  // Accepts 1..PageCount; any other value throws DocumentError (3005, source "Pyxadesk", the
  // table text) and leaves the current page as it was.
  void SetCurrentPage(std::int32_t page);

  bool PageIsCut() const { return cut_ && cut_->Count() > 0; }
  bool PageIsDeleted() const { return deleted_ && deleted_->Count() > 0; }

  const QString& AnnotationText() const { return annotationText_; }
  bool ManualAnnotate() const { return manualAnnotate_; }
  bool AnnotationFlag() const { return annotationFlag_; }

  // The file-import source and INI file, and the controls; Configured needs all four.
  const QString& FileImportSource() const { return fileImportSource_; }
  void SetFileImportSource(const QString& source) { fileImportSource_ = source; }
  const QString& FileImportIni() const { return fileImportIni_; }
  void SetFileImportIni(const QString& iniFile) { fileImportIni_ = iniFile; }
  ScanControl* ScanCtrl() const { return scanCtrl_; }
  void SetScanCtrl(ScanControl* control) { scanCtrl_ = control; }  // not owned
  ImageControl* ImageCtrl() const { return imageCtrl_; }
  void SetImageCtrl(ImageControl* control) { imageCtrl_ = control; }  // not owned
  bool Configured() const;

  bool FileLocked() const { return lockFd_ >= 0; }

  // --- scanning
  // The Available Files folder, once the settings name it (page files and batch files go there).
  void SetAvailableFolder(const QString& folder) { availableFolder_ = folder; }
  // Where the page scenario INI files are ("PS" + scenario + ".ini"): the program folder.
  void SetProgramFolder(const QString& folder) { programFolder_ = folder; }
  const QString& ProgramFolder() const { return programFolder_; }
  void SetPanels(PanelReporter panels) { panels_ = std::move(panels); }
  void SetWaiter(Waiter wait) { wait_ = std::move(wait); }
  // The registry "Current Device" is written to; none: it is not written.
  void SetRegistry(Registry* registry) { registry_ = registry; }
  // Seconds waited each time the scanner reports that it is powering up.
  std::int32_t WarmUpSeconds() const { return warmUpSeconds_; }
  void SetWarmUpSeconds(std::int32_t seconds) { warmUpSeconds_ = seconds; }
  // 0 scanning, 2 importing a page, 3 recompressing, -1 idle.
  std::int32_t ScanMode() const { return scanMode_; }
  // The file the last batch was joined into; "" when it brought no page.
  const QString& ScannedBatchFile() const { return batchFile_; }
  // Called when a scanned page is done, to show it.
  void SetPageShown(std::function<void(std::int32_t page)> shown) { pageShown_ = std::move(shown); }

  // --- operations
  // An empty document; page files are left where they are.
  void StartNew();
  // Releases the lock, deletes every page file (pages, deleted and cut pages) and empties the
  // document. result 0.
  void CloseFile(std::int32_t& result);
  // Splits the TIFF fileName into page files in the Available Files folder and holds its lock.
  // A failed load leaves the document empty.
  void OpenFile(const QString& fileName, const QString& tempDirectory, std::int32_t& result);
  // Writes pages startPage..startPage+pageCount-1 (pageCount -1: to the last page), or the pages
  // the "Pages" option lists, as one TIFF. fileType 3 is refused; any other means TIFF. Saving
  // over the document's own file never loses it: it is moved aside first and put back on failure.
  void Save(const QString& fileName, std::int32_t fileType, std::int32_t compression, std::int32_t startPage,
            std::int32_t pageCount, const QVariant& options, std::int32_t& result);

  // Removes pages start..start+count-1 (start 0: the current page), keeping them for one undo.
  void DeletePages(std::int32_t startPage, std::int32_t pageCount, std::int32_t& result);
  // Puts the last deleted range back at its old positions.
  void UndoDeletePage(std::int32_t& result);
  // Marks a page, with its duplex partner, to be moved by PastePage.
  void CutPage(std::int32_t page, std::int32_t& result);
  // Moves the marked pages before or after page (duplex sheets are never split by the target).
  void PastePage(std::int32_t page, bool before, std::int32_t& result);

  // Reserves the source scannerName (a different one reserved before is given back) and loads the page
  // scenario's settings; errorText says what went wrong. An empty scannerName does nothing.
  void ConfigureScanner(QString& scannerName, const QString& scenario, QString& errorText, bool skipScenario,
                        bool showStatus, bool forceReload, std::int32_t& result);
  // Configures the scanner and scans one batch: pages are appended (at insertAt, 1-based, when not 0)
  // or, without append, make up the document; at the batch end they are joined into ScannedBatchFile.
  void Scan(bool flag, QString& scannerName, const QString& scenario, bool forceReload, bool append,
            std::int32_t& result, std::int32_t insertAt = 0);

  // Runs page through the file-import source again (image processing); output off writes nothing.
  void ProcessPage(std::int32_t page, bool output, std::int32_t& result);
  // Stores the trimmed text and the flag for the annotation of scanned pages. result 0.
  void SetManualAnnotate(const QString& text, bool flag, std::int32_t& result);
  // A new, empty "zzz....TIF" file in directory, created exclusively so that no one else is given
  // the name; fileName is its path ("" on failure, with the system error as result).
  void CreateTempFile(const QString& directory, QString& fileName, std::int32_t& result) const;
  // Takes the exclusive lock on FileName (nothing when held already); 3031 when it cannot.
  void ReserveCurrentFile(std::int32_t& result);
  void ReleaseCurrentFile(std::int32_t& result);
  // Writes page as a new temporary black-and-white TIFF in compression 1, 3 or 4 in directory;
  // tempName is that file ("" on failure, when nothing is left behind).
  void RecompressPgAsTemp(std::int32_t page, const QString& directory, std::int32_t compression, QString& tempName,
                          std::int32_t& result);

 private:
  std::int32_t TakeFileLock();
  void ReleaseFileLock();
  std::int32_t ReserveImportSource();
  void RecordImport(const ImportedPage& imported);
  std::int32_t RecompressPage(const cPage& page, const QString& directory, std::int32_t compression, QString& tempName);
  std::int32_t ChooseSavePages(std::int32_t startPage, std::int32_t pageCount, const QVariant& options,
                               std::vector<std::shared_ptr<cPage>>& chosen) const;
  std::int32_t WritePages(const QString& fileName, std::int32_t compression,
                          const std::vector<std::shared_ptr<cPage>>& chosen);
  TiffStamp Stamp() const;
  ScannerControl* Scanner() const { return dynamic_cast<ScannerControl*>(scanCtrl_); }
  void ShowStatus(const QString& text) const;
  void ShowPanel(const QString& panel, const QString& text) const;
  void Wait(int milliseconds) const;
  std::int32_t ReserveSource(ScannerControl& control, const QString& name, QString& errorText);
  std::int32_t LoadScenario(ScannerControl& control, const QString& scenario, bool forceReload);
  class ScanEventSink;
  friend class ScanEventSink;
  QString OnPageEnd(const ScannedPageReport& report);
  void OnPageDone();
  void OnScanError(std::int32_t code, const QString& description);
  void OnBatchEnd();

  QString availableFolder_;
  const Clock& clock_;
  StatusReporter status_;
  DocumentFileRoutines routines_;

  std::shared_ptr<cPages> pages_ = std::make_shared<cPages>();
  std::shared_ptr<cPages> deleted_ = std::make_shared<cPages>();  // null once an undo dropped it
  std::shared_ptr<cPages> cut_ = std::make_shared<cPages>();      // null once a paste dropped it
  QString fileName_;
  QString tempDirectory_;
  QString alias_;
  QString annotationText_;
  bool manualAnnotate_ = false;
  bool annotationFlag_ = false;
  QString fileImportSource_;
  QString fileImportIni_;
  bool altered_ = false;
  std::int32_t currentPage_ = 0;
  std::int32_t lastError_ = 0;
  QString lastErrorMsg_;
  int lockFd_ = -1;
  ScanControl* scanCtrl_ = nullptr;
  ImageControl* imageCtrl_ = nullptr;
  QString programFolder_;
  PanelReporter panels_;
  Waiter wait_;
  Registry* registry_ = nullptr;
  std::int32_t warmUpSeconds_ = 10;
  std::int32_t scanMode_ = -1;
  std::int32_t batchPages_ = 0;       // pages ended in the running batch
  std::int32_t appendAt_ = 0;         // where the next scanned page goes; 0: after the last
  std::int32_t firstBatchPage_ = 0;   // the running batch's first page in Pages
  bool showScanStatus_ = false;
  QString batchFile_;
  std::function<void(std::int32_t)> pageShown_;
};

}  // namespace pyxa
