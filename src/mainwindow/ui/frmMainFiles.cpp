// The main window's files side: Browse, the tree of available files, and showing a chosen file.
#include "document/Directory.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/MainToolbar.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/frmMain.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "platform/SystemError.h"
#include "platform/ui/BusyCursor.h"
#include "mainwindow/FilingGuards.h"
#include "shell/ErrorTexts.h"
#include "upload/SourceRemovals.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

namespace pyxa {
namespace {

const QString kAllowedExtensions = QStringLiteral("PDF|DOC|TIF|JPG");
const QString kSaveChangesQuestion =
    QStringLiteral("Would you like to save the changes you made to the previous document?");

}  // namespace

QString frmMain::AvailablePath(const QString& name) const { return services_.settings.AvailableFolder + name; }

PageEditsOutcome frmMain::AskToKeepPageChanges() {
  if (!Viewer().HasUnsavedChanges()) return PageEditsOutcome::Settled;
  const bool save = services_.prompter.Ask({kSaveChangesQuestion, QString(), PromptIcon::Question,
                                            PromptButtons::YesNo}) == PromptAnswer::Yes;
  if (save) return SaveShownFile();
  const ViewerResult result = Viewer().Undo();
  ShowPageNumber();
  if (!result.Ok()) {
    services_.prompter.Critical(GenericErrorMessage(result.code, result.description));
    return PageEditsOutcome::Kept;
  }
  return PageEditsOutcome::Settled;
}

bool frmMain::RefuseFileChange(const QString& newPath) {
  const QString why = RefuseOtherFile(indexed_ ? *indexed_ : Documents(), newPath);
  if (why.isEmpty()) return false;
  services_.prompter.Information(why);
  SelectShownFileNode();
  return true;
}

void frmMain::SelectShownFileNode() {
  // After the click that asked for another node is over (its press would select the node under
  // the pointer again), and without a second round of clicks: the file shown stays chosen.
  QTimer::singleShot(0, this, [this] {
    const QSignalBlocker blocker(panes_->sstFiles);
    QTreeWidgetItem* shown = nullptr;
    if (!currentFile_.isEmpty()) {
      for (QTreeWidgetItem* node : panes_->sstFiles->findItems(currentFile_, Qt::MatchExactly | Qt::MatchRecursive))
        if (node->data(0, Qt::UserRole).toString() == currentFile_) shown = node;
    }
    panes_->sstFiles->setCurrentItem(shown);
    if (!shown) panes_->sstFiles->clearSelection();
  });
}

void frmMain::RemoveFilesNode(const QString& name) {
  const auto found = panes_->sstFiles->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  for (QTreeWidgetItem* node : found) {
    if (node->data(0, Qt::UserRole).toString() != name) continue;
    if (node == shownBySelection_) shownBySelection_ = nullptr;
    delete node;
  }
  UpdateAvailableCount();
}

void frmMain::ShowNothing() {
  currentFile_.clear();
  ShowStatusFile();
  state_.FilesRootChosen();
  state_.ControlImageInterface(false, false, false);
  ApplyState();
  ShowPageNumber();
}

void frmMain::cmdFile_Click() {
  try {
    if (AskToKeepPageChanges() == PageEditsOutcome::Kept) return;
    UnlockUnusedEncounters();
    const bool canUpload = CanUpload();
    if (indexed_ && indexed_->Count() > 0 && canUpload) {
      const bool send = services_.prompter.Ask({QStringLiteral("The indexed documents will be sent to the upload queue\n"
                                                               "      and will no longer be available in the indexed "
                                                               "tree\n                         Would you like to "
                                                               "continue?"),
                                                QString(), PromptIcon::Question, PromptButtons::YesNo}) ==
                        PromptAnswer::Yes;
      if (!send) return;
      cmdUpload_Click();
    }
    UpdateUploadCount();
    Viewer().DisplayFile(QString());
    currentFile_.clear();
    ShowStatusFile();
    panes_->sstDocuments->clear();
    shownBySelection_ = nullptr;
    panes_->sstFiles->clear();
    toolbar_->ShowPageCount(0);
    toolbar_->PageBox()->clear();
    state_.EnterFile(indexed_ ? indexed_->Count() : 0, canUpload, RowCount(references_.physicians) > 0);
    ApplyState();
    ApplyLayout();

    // Pages a crash or a failed rewrite left both stored and in their file leave it before it is
    // listed again.
    const QStringList unfinished = FinishSourceRemovals(counts_.StorePath(), services_.databases);
    if (!unfinished.isEmpty()) services_.prompter.Critical(unfinished.join(QLatin1Char('\n')));

    BusyCursor busy;
    Directory listing;
    listing.SetPath(services_.settings.AvailableFolder);
    QString filter = kAllowedExtensions;
    std::int32_t result = 0;
    listing.Load(true, filter, result);
    if (listing.ErrorNumber() != 0) {
      busy.Release();
      services_.prompter.Critical(QStringLiteral("Failed to retrieve all of the files.\n") +
                                  listing.ErrorDescription());
      return;
    }
    QStringList names;
    for (const Item& item : listing.Items()) names << item.ItemName;
    FillFilesTree(names);
    // The keyboard goes on in the list: one Down arrow shows the first file.
    if (QTreeWidgetItem* waiting = panes_->sstFiles->topLevelItem(1)) {
      panes_->sstFiles->setCurrentItem(waiting, 0, QItemSelectionModel::NoUpdate);
      panes_->sstFiles->setFocus(Qt::OtherFocusReason);
    }
    SetPanel(2, QStringLiteral("   Available Files: %1   ").arg(names.size()));
    document_->txtDocName->setText(DefaultDocumentName(Now(), document_->cboCategory->currentText()));
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::FillFilesTree(const QStringList& names) {
  shownBySelection_ = nullptr;
  panes_->sstFiles->clear();
  for (const TreeNode& node : FilesTree(names)) AddTreeNode(nullptr, node);
  // Keys live in the data role; the file tree's own nodes show their text.
  panes_->sstFiles->setCurrentItem(nullptr);
}

void frmMain::sstFiles_NodeClick(QTreeWidgetItem* node) {
  if (!node) return;
  try {
    const QString key = node->data(0, Qt::UserRole).toString();
    switch (ClassifyFilesNode(key)) {
      case FilesNodeKind::Root: {
        if (RefuseFileChange(QString())) break;
        // Unloading drops page edits: they are saved or undone first, as before another file.
        const QString before = currentFile_;
        const PageEditsOutcome edits = AskToKeepPageChanges();
        if (edits == PageEditsOutcome::Kept) {
          SelectShownFileNode();
          break;
        }
        if (edits == PageEditsOutcome::FileDeleted) RemoveFilesNode(before);
        const ViewerResult result = Viewer().DisplayFile(QString());
        if (!result.Ok()) {
          services_.prompter.Critical(QStringLiteral("Failed to unload the file.\n") + result.description);
        }
        ShowNothing();
        break;
      }
      case FilesNodeKind::RootBrowse:
        RootBrowse();
        break;
      case FilesNodeKind::File:
        ShowChosenFile(key);
        break;
      case FilesNodeKind::None:
        break;
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::ShowChosenFile(const QString& name) {
  if (RefuseFileChange(AvailablePath(name))) return;
  if (OwesStoredPages(counts_.StorePath(), services_.databases, AvailablePath(name))) {
    services_.prompter.Critical(QStringLiteral("Some pages of '%1' are stored already but could not be taken out of "
                                               "it yet. Press Browse to try again; the file cannot be shown until "
                                               "then.")
                                    .arg(name));
    SelectShownFileNode();
    return;
  }
  const QString before = currentFile_;
  const PageEditsOutcome edits = AskToKeepPageChanges();
  if (edits == PageEditsOutcome::Kept) {
    SelectShownFileNode();
    return;
  }
  if (edits == PageEditsOutcome::FileDeleted) {
    if (before != name) {
      RemoveFilesNode(before);
    } else {
      // The node clicked is the file just deleted; it goes once its click is over.
      QTimer::singleShot(0, this, [this, name] { RemoveFilesNode(name); });
      return;
    }
  }
  ViewerResult result;
  {
    BusyCursor busy;
    result = Viewer().DisplayFile(AvailablePath(name));
  }
  if (!result.Ok()) {
    // Nothing is shown now: no control may act on the file shown before.
    ShowNothing();
    services_.prompter.Critical(QStringLiteral("Failed to display the file.\n") + result.description);
    return;
  }
  currentFile_ = name;
  ShowStatusFile();
  const QString extension = FileExtension(name);
  const bool tifOrJpg = IsPagedFile(name);
  state_.AfterFileShown(tifOrJpg, TreeAtTop());
  state_.FileChosen(tifOrJpg);
  // PDF pages are shown read-only, one after another.
  if (!tifOrJpg) state_.AllowNavigation(extension == QStringLiteral("PDF") && Viewer().PageCount() > 0);
  ApplyState();
  ShowPageNumber();
  Form_Resize();
}

bool frmMain::TreeAtTop() const {
  // Page editing is offered while the files tree heads its pane, which the indexing layout ends.
  return state_.Layout().pageEditing;
}

void frmMain::RootBrowse() {
  const QStringList chosen = services_.files.OpenFiles(
      QStringLiteral("Open File"), QStringLiteral("Scanned documents (*.tif);;Image fles (*.jpg);;PDF document "
                                                  "(*.pdf);;Word Documents (*.doc)"));
  if (chosen.isEmpty()) return;
  QString first;
  for (const QString& source : chosen) {
    const QString name = FreeCopyName(services_.settings.AvailableFolder, NameFromFullPath(source));
    const QString target = AvailablePath(name);
    // A waiting file of the same name is never replaced: the copy takes a free name beside it.
    if (name.isEmpty() || !QFile::copy(source, target)) {
      services_.prompter.Critical(QStringLiteral("Failed to copy '%1' into the available files.\n%2")
                                      .arg(source, SystemErrorText(errno ? errno : EIO)));
      continue;
    }
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    if (first.isEmpty()) first = name;
  }
  cmdFile_Click();
  if (first.isEmpty()) return;
  const auto found = panes_->sstFiles->findItems(first, Qt::MatchExactly | Qt::MatchRecursive);
  if (found.isEmpty()) return;
  panes_->sstFiles->setCurrentItem(found.first());
  sstFiles_NodeClick(found.first());
}

void frmMain::ShowStatusFile() {
  SetPanel(3, currentFile_.isEmpty() ? QString() : QStringLiteral("File: ") + currentFile_);
}

}  // namespace pyxa
