// The Scan command: one batch from the scanner into the Available Files folder, shown for
// indexing like any file there, or added to the TIFF file shown when the user asks for that.
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTreeWidget>

#include "document/ImageDocument.h"
#include "document/TiffPageWriter.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/ui/BatchScanning.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/frmMain.h"
#include "platform/ui/BusyCursor.h"

namespace pyxa {

// The settings can change the scanner kind while the program runs: it is looked up at every use.
BatchScanning* frmMain::ChosenScanning() const {
  return services_.settings.Kofax ? services_.productionScanning : services_.scanning;
}

void frmMain::cmdScan_Click() {
  BatchScanning* const scanning = ChosenScanning();
  if (!scanning) return;
  try {
    if (AskToKeepPageChanges() == PageEditsOutcome::Kept) return;
    if (indexed_ && indexed_->Count() > 0 && CanUpload()) {
      const bool send =
          services_.prompter.Ask({QStringLiteral("The indexed documents will be sent to the upload queue\n"
                                                 "      and will no longer be available in the indexed "
                                                 "tree\n                         Would you like to "
                                                 "continue?"),
                                  QString(), PromptIcon::Question, PromptButtons::YesNo}) == PromptAnswer::Yes;
      if (!send) return;
      cmdUpload_Click();
      // Documents the queue did not take still hold pages of their files: no scan until they are settled.
      if (indexed_ && indexed_->Count() > 0) return;
      Viewer().DisplayFile(QString());
      currentFile_.clear();
      ShowStatusFile();
    }
    if (document_)
      document_->txtDocName->setText(WithDocumentExtension(document_->txtDocName->text(), QStringLiteral("TIF")));
    // A scan that ends without pages puts the window back as it was, its files tree included.
    const QString modeBefore = state_.Mode();
    const DocumentSource sourceBefore = state_.Source();
    // The controls the scan mode turns off, as they were.
    QList<std::pair<QString, bool>> controlsBefore;
    for (const char* name : {"cmdIndex", "btnIndex", "cmdNew", "cmdNext", "cmdAppendAll"})
      controlsBefore.append({QString::fromLatin1(name), state_.Enabled(QString::fromLatin1(name))});
    auto nothingScanned = [this, modeBefore, sourceBefore, controlsBefore] {
      for (const auto& [name, enabled] : controlsBefore) state_.SetEnabled(name, enabled);
      state_.SetSource(sourceBefore);
      state_.SetInterfaceMode(modeBefore);
      ApplyState();
      ApplyLayout();
    };
    state_.EnterScan();
    ApplyState();
    ApplyLayout();

    // Pages can only be added to a TIFF no indexed document takes pages from.
    QString appendTo;
    if (!currentFile_.isEmpty() && IsPagedFile(currentFile_) &&
        DocumentFileExtension(currentFile_) != QStringLiteral("JPG") && !IndexedPagesHeld()) {
      const PromptAnswer answer =
          services_.prompter.Ask({QStringLiteral("Do you wish to append to the current document?"), kProductName,
                                  PromptIcon::Question, PromptButtons::YesNoCancel});
      if (answer == PromptAnswer::Cancel) {
        nothingScanned();
        return;
      }
      if (answer == PromptAnswer::Yes) appendTo = currentFile_;
    }

    const QString batch = scanning->ScanBatch(this);
    if (batch.isEmpty()) {
      nothingScanned();
      return;
    }
    QString show = QFileInfo(batch).fileName();
    if (!appendTo.isEmpty()) {
      BusyCursor busy;
      Viewer().DisplayFile(QString());  // the file is replaced whole; nothing may hold the old one
      const TiffWriteResult added = AppendTiffPages(AvailablePath(appendTo), batch);
      if (added.Ok()) {
        QFile::remove(batch);
        show = appendTo;
      } else {
        busy.Release();
        // The batch stays a file of its own: no scanned page is lost.
        services_.prompter.Critical(QStringLiteral("The scanned pages could not be added to '%1'.\n%2\nThey are kept "
                                                   "in '%3'.")
                                        .arg(appendTo, added.description, show));
      }
    }
    cmdFile_Click();
    auto found = panes_->sstFiles->findItems(show, Qt::MatchExactly | Qt::MatchRecursive);
    if (!found.isEmpty()) panes_->sstFiles->setCurrentItem(found.first());
    if (currentFile_ == show) {
      state_.AfterScan();
      ApplyState();
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

}  // namespace pyxa
