// The main window's cover sheets: the shown batch read for its sheets in the background, the
// documents they propose in the indexed tree, and the clerk confirming them one at a time or all.
#include "mainwindow/ui/frmMain.h"

#include "coversheets/BatchReading.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ServiceFailures.h"
#include "upload/FileDigest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

namespace pyxa {
namespace {

constexpr int kSheetsRetryMs = 200;  // a reading that came during a clinic call tries again after this

const QString kProposalsKey = QStringLiteral("Proposals");
const QString kProposalPrefix = QStringLiteral("Proposal ");
const QString kNoticeKey = QStringLiteral("ProposalNotice");

// The 0-based proposal a node of the proposals branch stands for; -1 for anything else.
int ProposalOfNode(const QTreeWidgetItem* node) {
  for (const QTreeWidgetItem* item = node; item; item = item->parent()) {
    const QString key = item->data(0, Qt::UserRole).toString();
    if (key.startsWith(kProposalPrefix)) return key.mid(kProposalPrefix.size()).toInt() - 1;
  }
  return -1;
}

}  // namespace

void frmMain::StartSheetReading() {
  const QString file = Viewer().CurrentFileName();
  const AppSettings& s = services_.settings;
  const SheetKinds kinds{(s.SheetKinds & kSheetCovers) != 0, (s.SheetKinds & kSheetSeparators) != 0,
                         (s.SheetKinds & kSheetPatches) != 0};
  const bool wanted = s.FindSheets != 0 && (kinds.covers || kinds.separators || kinds.patches) && !storedPreview_ &&
                      DocumentFileExtension(file) == QStringLiteral("TIF");
  if (!wanted) {
    sheetReader_->Cancel();
    readingFile_.clear();
    proposals_.Clear();
    proposalsFailure_.clear();
    shownProposal_ = -1;
    return;
  }
  // The same file, untouched since it was read (or while it is read): its proposals stand.
  const FileStamp stamp = StampOf(file);
  if (file == readingFile_ && stamp == readingStamp_) return;
  proposals_.Clear();
  proposalsFailure_.clear();
  shownProposal_ = -1;
  readingFile_ = file;
  readingStamp_ = stamp;
  sheetReader_->Start(file, kinds);
}

void frmMain::SheetsRead(const BatchReading& reading) {
  if (ClinicBusy()) {
    // Its patient checks would run inside another handler's call: it takes its turn afterwards.
    QTimer::singleShot(kSheetsRetryMs, this, [this, reading] { SheetsRead(reading); });
    return;
  }
  try {
    if (reading.file != Viewer().CurrentFileName()) {
      readingFile_.clear();  // the clerk has moved on: read again when the file is indexed again
      return;
    }
    if (!reading.failure.isEmpty()) {
      readingFile_.clear();
      // Changed while it was read (a scan adding pages, another program): read as it is now.
      if (QFileInfo::exists(reading.file) && !(StampOf(reading.file) == readingStamp_)) {
        StartSheetReading();
        return;
      }
      proposals_.Clear();
      proposalsFailure_ = QStringLiteral("The pages could not be read for cover sheets: %1.").arg(reading.failure);
      failedFile_ = reading.file;
      RefreshIndexedTree();
      return;
    }
    proposalsFailure_.clear();
    BusyCursor busy;
    proposals_.Propose(reading, [this](const CoverRecord& record) {
      return CheckSheetPatient(services_.session, record, Country2());
    });
    RefreshIndexedTree();
    busy.Release();
    if (const auto& failure = proposals_.ServiceFailure())
      ReportServiceFailure(*failure, services_.prompter, services_.login);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

bool frmMain::ReadingSheets() const { return sheetReader_->Busy(); }

bool frmMain::ProposalsShown() const {
  return !proposals_.Empty() && proposals_.File() == Viewer().CurrentFileName();
}

void frmMain::AddProposalNodes() {
  const bool ours = proposals_.File() == Viewer().CurrentFileName();
  const bool failed = !proposalsFailure_.isEmpty() && failedFile_ == Viewer().CurrentFileName();
  if (!(ours && (!proposals_.Empty() || !proposals_.Notices().isEmpty())) && !failed) {
    FollowProposals();
    return;
  }
  auto* root = new QTreeWidgetItem(panes_->sstDocuments, {QStringLiteral("Proposed Documents")});
  root->setData(0, Qt::UserRole, kProposalsKey);
  QFont italic = root->font(0);
  italic.setItalic(true);
  if (failed) {
    auto* notice = new QTreeWidgetItem(root, {proposalsFailure_});
    notice->setData(0, Qt::UserRole, kNoticeKey);
    notice->setForeground(0, Qt::darkRed);
  }
  if (ours) {
    for (int i = 0; i < proposals_.Count(); ++i) {
      const Proposal& proposal = proposals_.Item(i);
      auto* node = new QTreeWidgetItem(root, {ProposalCaption(proposal)});
      node->setData(0, Qt::UserRole, kProposalPrefix + QString::number(i + 1));
      node->setFont(0, italic);
      if (proposal.state == Proposal::Patient::Flagged) {
        node->setForeground(0, Qt::darkRed);
        node->setToolTip(0, proposal.warning);
      } else {
        node->setForeground(0, Qt::darkBlue);
        node->setToolTip(0, QStringLiteral("A proposal: check it against its pages, then confirm it"));
      }
      for (int page : proposal.split.pages) {
        auto* child = new QTreeWidgetItem(node, {QStringLiteral("Page #%1").arg(page)});
        child->setFont(0, italic);
      }
      node->setExpanded(true);
      if (i == shownProposal_) panes_->sstDocuments->setCurrentItem(node);
    }
    for (const QString& text : proposals_.Notices()) {
      auto* notice = new QTreeWidgetItem(root, {text});
      notice->setData(0, Qt::UserRole, kNoticeKey);
      notice->setForeground(0, Qt::darkRed);
      notice->setToolTip(0, text);
    }
  }
  root->setExpanded(true);
  FollowProposals();
}

void frmMain::FollowProposals() {
  const bool shown = ProposalsShown();
  document_->cmdConfirm->setVisible(shown);
  document_->cmdConfirmAll->setVisible(shown);
  const bool canUpload = CanUpload();
  document_->cmdConfirm->setEnabled(shown && canUpload);
  document_->cmdConfirmAll->setEnabled(shown && canUpload);
  if (!shown) shownProposal_ = -1;
}

bool frmMain::ProposalNodeClick(QTreeWidgetItem* node) {
  const QString key = node->data(0, Qt::UserRole).toString();
  const int proposal = ProposalOfNode(node);
  if (proposal < 0) {
    // The branch's own nodes and its notices show nothing; any other node leaves the proposal.
    if (key == kProposalsKey || key == kNoticeKey) return true;
    shownProposal_ = -1;
    return false;
  }
  if (!ProposalsShown() || proposal >= proposals_.Count()) return true;
  const bool pageNode = node->parent() && ProposalOfNode(node->parent()) == proposal && key.isEmpty();
  if (proposal != shownProposal_) ShowProposal(proposal);
  if (pageNode) {
    const int page = node->text(0).mid(node->text(0).indexOf(QLatin1Char('#')) + 1).toInt();
    ShowDocumentPage(0, page, false);
  }
  return true;
}

void frmMain::ShowProposal(int index) {
  const Proposal& proposal = proposals_.Item(index);
  shownProposal_ = index;
  ShowDocumentPage(0, proposal.split.pages.front(), true);
  DocumentFrame& d = *document_;
  // Nothing typed for another document carries into this one unnoticed.
  ClearOneDocumentFields();
  // The patient is the service's, and only when the sheet's was confirmed: never guessed.
  if (proposal.state == Proposal::Patient::Matched) {
    ShowPatient(proposal.patient);
  } else {
    subClearSearchFields();
  }
  fieldsPatient_ = search_->txtPatientID->text();
  if (proposal.split.cover) {
    const CoverRecord& record = *proposal.split.cover;
    const int provider = d.cboPhysician->currentIndex();
    // A provider's own type lists follow it, as when the clerk chooses the provider.
    if (record.providerId >= 0 && SelectId(d.cboPhysician, record.providerId) &&
        d.cboPhysician->currentIndex() != provider && record.categoryId < 0)
      cboPhysician_Click();
    if (record.categoryId >= 0 && SelectId(d.cboCategory, record.categoryId)) cboCategory_Click();
    if (record.typeId >= 0) SelectId(d.cboType, record.typeId);
  }
  ApplyState();
  if (proposal.state == Proposal::Patient::Flagged) {
    services_.prompter.Information(proposal.warning +
                                   QStringLiteral("\nChoose the patient yourself before you confirm this document."));
    FocusLastName();
  }
}

void frmMain::sstProposals_ContextMenu(QTreeWidgetItem* node, const QPoint& position) {
  if (ProposalOfNode(node) < 0) return;
  ProposalNodeClick(node);
  findChild<QMenu*>(QStringLiteral("popProposal"))->popup(position);
}

void frmMain::cmdConfirm_Click() {
  try {
    if (!ProposalsShown() || shownProposal_ < 0 || shownProposal_ >= proposals_.Count()) {
      services_.prompter.Information(QStringLiteral(
          "Choose a proposed document in the indexed tree first: its first page is shown and its patient chosen "
          "for you to check."));
      return;
    }
    if (ProposalsStillHold()) ConfirmProposal(shownProposal_, true);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cmdConfirmAll_Click() {
  try {
    if (!ProposalsShown() || !ProposalsStillHold()) return;
    int confirmed = 0;
    bool stopped = false;
    for (int i = 0; i < proposals_.Count();) {
      if (proposals_.Item(i).state != Proposal::Patient::Matched) {
        ++i;
        continue;
      }
      ShowProposal(i);
      // A proposal refused (told why) stops the run: the clerk sees it on screen.
      if (!ConfirmProposal(i, false)) {
        stopped = true;
        break;
      }
      ++confirmed;
    }
    if (stopped) return;
    QString text = QStringLiteral("%1 proposed document(s) confirmed.").arg(confirmed);
    if (proposals_.Count() > 0)
      text += QStringLiteral(" %1 proposed document(s) wait for you to choose the patient: select each in the indexed "
                             "tree, choose the patient and confirm it.")
                  .arg(proposals_.Count());
    services_.prompter.Information(text);
    if (proposals_.Count() > 0) ShowProposal(0);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

bool frmMain::ProposalsStillHold() {
  const QString file = Viewer().CurrentFileName();
  // Pages deleted or turned on screen and not saved: the proposals number the pages as saved.
  if (Viewer().HasUnsavedChanges()) {
    services_.prompter.Information(QStringLiteral(
        "Save or undo the changes to the pages first: the proposed documents number the pages as they are saved."));
    return false;
  }
  // The pages are numbered as the file was read: a file changed since then is read again first.
  if (FileDigest(file) != proposals_.Digest()) {
    services_.prompter.Information(
        QStringLiteral("%1 changed after its cover sheets were read. Its pages are read again; confirm the documents "
                       "proposed then.")
            .arg(NameFromFullPath(file)));
    readingFile_.clear();
    StartSheetReading();
    RefreshIndexedTree();
    return false;
  }
  return true;
}

bool frmMain::ConfirmProposal(int index, bool single) {
  const Proposal proposal = proposals_.Item(index);
  const QString file = Viewer().CurrentFileName();
  const Documents none;
  const Documents& documents = indexed_ ? *indexed_ : none;
  std::vector<int> pages = proposal.split.pages;
  if (proposal.split.sheetPage > 0) pages.push_back(proposal.split.sheetPage);
  for (int page : pages) {
    if (PageHeld(documents, file, page)) {
      services_.prompter.Information(
          QStringLiteral("Page %1 of the proposed document is already in an indexed document. Remove it from that "
                         "document first, or index these pages yourself.")
              .arg(page));
      return false;
    }
  }
  const IndexingView view = ShownForIndexing();
  if (const QString why = RefuseOtherFile(documents, view.shownFile); !why.isEmpty()) {
    services_.prompter.Information(why);
    return false;
  }
  // A patient other than the one the sheet names is the clerk's choice to make knowingly.
  if (single && proposal.state == Proposal::Patient::Matched && !search_->txtPatientID->text().isEmpty() &&
      search_->txtPatientID->text() != proposal.patient.patientId) {
    const SearchCriteria criteria = search_->fields->Criteria();
    const QString chosen = criteria.lastName + QStringLiteral(", ") + criteria.firstName;
    if (!services_.prompter.YesNo(
            QStringLiteral("The cover sheet of this document names %1, but %2 is chosen. File the document under %2?")
                .arg(proposal.split.cover->name, chosen)))
      return false;
  }
  Document record;
  // The file was found unchanged just before: its digest is the proposals'.
  if (!DocumentFromFrame(view, record, proposals_.Digest())) return false;
  if (record.SourceDigest != proposals_.Digest()) {
    services_.prompter.Information(
        QStringLiteral("%1 changed after its cover sheets were read; index its pages again.").arg(NameFromFullPath(file)));
    return false;
  }
  TakeProposalPages(record, proposal, services_.settings.KeepSheetPages != 0);
  indexed_->Add(std::move(record));
  proposals_.Remove(index);
  shownProposal_ = -1;
  fieldsPatient_ = search_->txtPatientID->text();
  AfterDocumentAdded();
  if (single && proposals_.Count() > 0) ShowProposal(std::min(index, proposals_.Count() - 1));
  return true;
}

}  // namespace pyxa
