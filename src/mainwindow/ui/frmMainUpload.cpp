// The main window's upload side: storing and queueing the indexed documents, running the upload
// program and waiting for it with progress, and the reload of stored documents at start.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/CategoryRules.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/SearchFrame.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ErrorTexts.h"
#include "upload/StoredDocuments.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTimer>
#include <QTreeWidget>
#include <cerrno>

namespace pyxa {
namespace {

const QString kUploadFailed = QStringLiteral(
    "The document(s) you have attempted to upload has failed. Please try uploading again. If the issue persists, "
    "please try restarting the Pyxa application.\n\nError Description: \n");
const QString kSaveFailed = QStringLiteral(
    "The indexed document(s) could not be saved. Those not saved stay in the indexed tree with their pages in "
    "their file.\n\nError Description: \n");

}  // namespace

UploadProcess& frmMain::Uploader() {
  if (services_.upload) return *services_.upload;
  if (!ownUploader_) ownUploader_ = std::make_unique<LocalUploadProcess>(QCoreApplication::applicationDirPath());
  return *ownUploader_;
}

QString frmMain::SourcePath() const {
  const QString shown = Viewer().CurrentFileName();
  if (!shown.isEmpty()) return shown;
  return currentFile_.isEmpty() ? QString() : AvailablePath(currentFile_);
}

bool frmMain::QueueIndexedDocuments(const QString& handOverFailure, bool handOver) {
  QString message;
  const QString source = SourcePath();
  // The busy pointer stays for the whole of storing; it goes before any message.
  BusyCursor busy;
  // The viewer lets go of the file while its pages are taken out; it shows what is left after.
  Viewer().DisplayFile(QString());
  int result = 1;
  if (indexed_) {
    // The pages' text goes into the store with them, for its searches; read while the file is as it was.
    for (Document& document : *indexed_) {
      if (!IsStored(document) && document.PageText.isEmpty()) document.PageText = PagesText(document);
    }
    result = storer_->SaveIndexedDocuments(*indexed_, message);
  }
  // What is left of the source shows from its first page; the page box follows it.
  const auto showAgain = [&] {
    if (!source.isEmpty() && QFileInfo::exists(source)) Viewer().DisplayFile(source);
    // Stored pages left the file: the proposals of what is left are read afresh.
    StartSheetReading();
    ShowPageNumber();
    Form_Resize();
  };
  if (result != 1) {
    showAgain();
    RefreshIndexedTree();
    busy.Release();
    services_.prompter.Critical((handOver ? kUploadFailed : kSaveFailed) + message);
    return false;
  }
  if (!message.isEmpty()) {
    busy.Release();
    services_.prompter.Information(message);
  }
  if (!handOver) {
    showAgain();
    RefreshIndexedTree();
    return true;
  }
  message.clear();
  std::int32_t number = 0;
  Documents none;
  BusyCursor handing;
  storer_->StoreDocsInMDB(indexed_ ? *indexed_ : none, message, number);
  handing.Release();
  busy.Release();
  if (number != 0) {
    showAgain();
    RefreshIndexedTree();
    services_.prompter.Critical(handOverFailure + QLatin1Char('\n') + message);
    UpdateUploadCount();
    return false;
  }
  showAgain();
  return true;
}

void frmMain::ResetAfterQueue(bool newCollection) {
  if (newCollection) indexed_.emplace();
  RefreshIndexedTree();
  for (const char* control : {"fraStep2", "cmdIndex", "btnIndex", "fraStep3", "cmdUpload", "cmdUploadNow",
                              "mnuActionsUpload", "mnuActionsUploadNow", "cmdNew", "cmdNext", "cmdAppendAll"})
    state_.SetEnabled(QString::fromLatin1(control), false);
  panes_->sstFiles->clear();
  defaults_.justLoaded = false;
}

void frmMain::FollowUploadCount(bool keepWhenNone) {
  const bool canUpload = CanUpload();
  std::int64_t awaiting = 0;
  try {
    awaiting = counts_.AreDocsToUpload(indexed_ ? indexed_->Count() : 0);
  } catch (const StoreReadError& error) {
    services_.prompter.Critical(GenericErrorMessage(error.Number(), error.Description(), errno));
  }
  if (canUpload && awaiting > 0) {
    for (const char* control : {"cmdUploadNow", "fraStep3", "mnuActionsUploadNow"})
      state_.SetEnabled(QString::fromLatin1(control), true);
  } else if (!keepWhenNone) {
    state_.SetEnabled(QStringLiteral("cmdUploadNow"), false);
    state_.SetEnabled(QStringLiteral("mnuActionsUploadNow"), false);
  }
  state_.UpdateActionsMenu();
}

void frmMain::cmdUpload_Click() {
  try {
    if (QueueIndexedDocuments(QStringLiteral("The document(s) you have attempted to upload has failed."))) {
      ResetAfterQueue(true);
    }
    UpdateUploadCount();
    UpdateAvailableCount();
    state_.SetEnabled(QStringLiteral("fraStep2"), false);
    state_.SetEnabled(QStringLiteral("cmdIndex"), false);
    state_.SetEnabled(QStringLiteral("btnIndex"), false);
    FollowUploadCount(true);
    FollowShownAfterQueue(true);
  } catch (const std::exception& error) {
    ReportError(error);
  }
  ApplyState();
}

void frmMain::mnuActionsSave_Click() {
  try {
    // Only documents not stored yet have anything to save.
    if (!IndexedPagesHeld()) return;
    QueueIndexedDocuments(QString(), /*handOver=*/false);
    UpdateUploadCount();
    UpdateAvailableCount();
    // The stored documents stay in the indexed tree until they are queued; the rest of the file
    // is indexed again only after it is chosen again, as after an upload.
    FollowUploadCount(true);
    FollowShownAfterQueue(true);
  } catch (const std::exception& error) {
    ReportError(error);
  }
  ApplyState();
}

void frmMain::FollowShownAfterQueue(bool editing) {
  // The source may be gone (every page stored) or shorter: controls, status and the proposed
  // name follow what the viewer shows now.
  const bool shown = !Viewer().CurrentFileName().isEmpty();
  if (!shown) currentFile_.clear();
  ShowStatusFile();
  ShowPageNumber();
  state_.ControlImageInterface(editing && shown, !editing && shown, shown);
  // What is left of the source is indexed again only after it is chosen again.
  state_.SetEnabled(QStringLiteral("btnIndex"), false);
  state_.SetEnabled(QStringLiteral("cmdIndex"), false);
  const QString extension = GetSelectedFileExtention();
  if (!shown || extension == QStringLiteral("TIF")) {
    QString name = DefaultDocumentName(Now(), CategoryText());
    if (shown) name += QStringLiteral(".TIF");
    document_->txtDocName->setText(name);
  }
}

void frmMain::cmdUploadNow_Click() {
  // The closing message waits until the controls show how things stand after the upload.
  std::optional<Prompt> closing;
  try {
    if (QueueIndexedDocuments(QStringLiteral("Failed to store the document(s)."))) {
      indexed_.emplace();
      if (!Uploader().Exists()) {
        // Queued all the same: the tree and the counts show it.
        RefreshIndexedTree();
        UpdateUploadCount();
        UpdateAvailableCount();
        closing = Prompt{QStringLiteral("Unable to locate the ") + NameFromFullPath(Uploader().Path()), QString(),
                         PromptIcon::Critical, PromptButtons::Ok};
      } else {
        const QueueState before = counts_.ReadQueue();
        if (Uploader().IsRunning()) {
          services_.prompter.Notice(QStringLiteral("The Upload Documents process is currently running. Documents "
                                                   "are stored and will be processed in a sequence."));
        } else if (!Uploader().Start()) {
          services_.prompter.Critical(QStringLiteral("The upload program could not be started: ") +
                                      Uploader().Path());
        }
        WaitForUploadProgram();
        UpdateUploadCount();
        UpdateAvailableCount();
        ResetAfterQueue(false);
        if (document_->cboCategory->currentText() == kClinicalNotes) {
          search_->txtEncounterID->clear();
          cboCategory_Click();
        }
        // Counted from the store as the status bar is, so that the two agree; a run that had
        // nothing to do reports nothing.
        const auto run = counts_.RunSince(before);
        if (run && (before.awaiting > 0 || run->uploaded + run->failed > 0)) {
          closing = Prompt{UploadRunText(*run), QStringLiteral("Upload Now"), PromptIcon::Information,
                           PromptButtons::Ok};
        }
      }
    }
    FollowUploadCount(false);
    FollowShownAfterQueue(false);
  } catch (const std::exception& error) {
    services_.prompter.Critical(
        GenericErrorMessage(error, errno, QStringLiteral("An error has occurred in Upload Now.")));
  }
  ApplyState();
  if (closing) services_.prompter.Ask(*closing);
}

void frmMain::WaitForUploadProgram() {
  if (!Uploader().IsRunning()) return;
  // The window keeps painting and shows how many documents are left, but takes no other work.
  QProgressDialog progress(QStringLiteral("Uploading the stored documents..."), QString(), 0, 0, this);
  progress.setObjectName(QStringLiteral("UploadProgress"));
  progress.setWindowTitle(QStringLiteral("Upload Now"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setCancelButton(nullptr);
  progress.setMinimumDuration(0);
  progress.show();
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(kUploadPollMs);
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!Uploader().IsRunning()) {
      loop.quit();
      return;
    }
    progress.setLabelText(QStringLiteral("Uploading the stored documents...\n") +
                          counts_.UpdateUploadCount().trimmed());
  });
  poll.start();
  loop.exec();
  progress.close();
}

void frmMain::LoadStoredDocuments() {
  try {
    Documents stored = pyxa::LoadStoredDocuments(counts_.StorePath(), services_.databases, services_.session,
                                                 services_.settings.UploadsFolder);
    indexed_.emplace(std::move(stored));
    RefreshIndexedTree();
  } catch (const StoreReadError& error) {
    services_.prompter.Critical(GenericErrorMessage(error.Number(), error.Description(), errno));
  }
}

}  // namespace pyxa
