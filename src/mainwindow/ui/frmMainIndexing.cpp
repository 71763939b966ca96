// The main window's indexing side: Index, the tree of indexed documents and its node clicks.
#include "mainwindow/IndexedEdits.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/MainToolbar.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/ui/IndexedTreeWidget.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"

#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

namespace pyxa {

void frmMain::AddTreeNode(QTreeWidgetItem* parent, const TreeNode& node) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(panes_->sstFiles);
  item->setText(0, node.text);
  item->setData(0, Qt::UserRole, node.key);
  for (const TreeNode& child : node.children) AddTreeNode(item, child);
  item->setExpanded(node.expanded);
}

void frmMain::cmdIndex_Click() {
  try {
    // Documents number the pages of the file as it is on disk: page edits not saved yet are
    // saved or undone first, and indexing waits while they cannot be.
    const QString before = currentFile_;
    switch (AskToKeepPageChanges()) {
      case PageEditsOutcome::Kept:
        return;
      case PageEditsOutcome::FileDeleted:
        RemoveFilesNode(before);
        return;
      case PageEditsOutcome::Settled:
        break;
    }
    UnlockUnusedEncounters();
    state_.SetEnabled(QStringLiteral("cmdIndex"), false);
    state_.SetEnabled(QStringLiteral("btnIndex"), false);
    ApplyState();
    subIndex();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::subIndex() {
  const bool canUpload = CanUpload();
  bool fileToIndex = false;
  if (state_.Source() == DocumentSource::Files) {
    // Only a file node names a file; the two top nodes do not.
    const QTreeWidgetItem* node = panes_->sstFiles->currentItem();
    fileToIndex = node && !node->text(0).isEmpty() &&
                  ClassifyFilesNode(node->data(0, Qt::UserRole).toString()) == FilesNodeKind::File &&
                  !Viewer().CurrentFileName().isEmpty();
  } else {
    fileToIndex = !Viewer().CurrentFileName().isEmpty();
  }
  const bool firstDocument = !indexed_.has_value();
  state_.EnterIndexing(indexed_ ? indexed_->Count() : 0, canUpload, fileToIndex);
  if (!fileToIndex) {
    ApplyState();
    services_.prompter.Information(QStringLiteral("Select a file to index"));
    return;
  }
  if (firstDocument) indexed_.emplace();
  RefreshIndexedTree();
  ChangePage(1);
  const QString extension = GetSelectedFileExtention();
  const QString name = document_->txtDocName->text();
  if (!name.isEmpty() && !name.contains(QLatin1Char('.')) && !extension.isEmpty())
    document_->txtDocName->setText(name + QLatin1Char('.') + extension);
  ApplyState();
  ApplyLayout();
  Form_Resize();
  // Indexing starts with finding the patient: the keyboard is there at once. A patient already
  // chosen stays chosen: the next file may well be theirs too.
  FocusLastName();
  // The first page is on screen before the batch is read for its sheets, behind the clerk's back.
  StartSheetReading();
  RefreshIndexedTree();
}

void frmMain::RefreshIndexedTree() {
  panes_->sstDocuments->clear();
  const TreeNode root = IndexedTree(indexed_ ? *indexed_ : Documents(), currentFile_);
  auto* item = new QTreeWidgetItem(panes_->sstDocuments, {root.text});
  item->setData(0, Qt::UserRole, root.key);
  for (const TreeNode& child : root.children) AddTreeNode(item, child);
  item->setExpanded(true);
  AddProposalNodes();
  ShowAppendTarget();
}

void frmMain::sstDocuments_NodeClick(QTreeWidgetItem* node) {
  if (!node || ProposalNodeClick(node) || !indexed_) return;
  const QString parentKey = node->parent() ? node->parent()->data(0, Qt::UserRole).toString() : QString();
  const IndexedNodeRef ref = ClassifyIndexedNode(node->data(0, Qt::UserRole).toString(), node->text(0), parentKey);
  if (ref.kind == IndexedNodeKind::None || ref.document < 1 || ref.document > indexed_->Count()) return;
  ShowIndexedDocument(ref.document);
  if (ref.kind == IndexedNodeKind::Document) {
    if (node->childCount() == 0) return;
    node->setExpanded(true);
    const IndexedNodeRef first = ClassifyIndexedNode(QString(), node->child(0)->text(0), node->data(0, Qt::UserRole).toString());
    ShowDocumentPage(ref.document, first.page, true);
  } else {
    ShowDocumentPage(ref.document, ref.page, false);
  }
}

void frmMain::ShowDocumentPage(int /*document*/, int page, bool fromDocumentNode) {
  const ViewerResult result = ChangePage(page);
  if (!result.Ok()) {
    const QString first = fromDocumentNode ? QStringLiteral("Cannot display the page %1.").arg(page)
                                           : QStringLiteral("Cannot display the selected page.");
    services_.prompter.Ask({first + QStringLiteral("\n#%1\nDescription: %2").arg(result.code).arg(result.description),
                            QString(), PromptIcon::None, PromptButtons::Ok});
    return;
  }
  ShowPageNumber();
  Form_Resize();
}

}  // namespace pyxa

namespace pyxa {

void frmMain::sstDocuments_ContextMenu(const QPoint& position) {
  QTreeWidgetItem* node = panes_->sstDocuments->itemAt(position);
  if (node && ProposalNodeClick(node)) {
    panes_->sstDocuments->setCurrentItem(node);
    sstProposals_ContextMenu(node, panes_->sstDocuments->viewport()->mapToGlobal(position));
    return;
  }
  if (!node || !indexed_) return;
  panes_->sstDocuments->setCurrentItem(node);
  const QString parentKey = node->parent() ? node->parent()->data(0, Qt::UserRole).toString() : QString();
  const IndexedNodeRef ref = ClassifyIndexedNode(node->data(0, Qt::UserRole).toString(), node->text(0), parentKey);
  const char* menu = ref.kind == IndexedNodeKind::Document ? "popRemoveDocument"
                     : ref.kind == IndexedNodeKind::Page   ? "popRemove"
                                                           : nullptr;
  if (menu) findChild<QMenu*>(QString::fromLatin1(menu))->popup(panes_->sstDocuments->viewport()->mapToGlobal(position));
}

void frmMain::popRemoveNode_Click() {
  QTreeWidgetItem* node = panes_->sstDocuments->currentItem();
  if (!node || !node->parent() || !indexed_) return;
  const IndexedNodeRef ref = ClassifyIndexedNode(QString(), node->text(0), node->parent()->data(0, Qt::UserRole).toString());
  if (ref.kind != IndexedNodeKind::Page) return;
  const EditResult result = RemovePage(*indexed_, ref.document, ref.page);
  if (!result.ok) {
    if (!result.message.isEmpty()) services_.prompter.Critical(result.message);
    return;
  }
  const bool canUpload = CanUpload();
  state_.SetEnabled(QStringLiteral("cmdNext"), true);
  state_.SetEnabled(QStringLiteral("cmdAppendAll"), true);
  state_.SetEnabled(QStringLiteral("cmdNew"), canUpload);
  AfterDocumentEdit();
}

void frmMain::popRemoveDoc_Click() {
  QTreeWidgetItem* node = panes_->sstDocuments->currentItem();
  if (!node || !indexed_) return;
  const IndexedNodeRef ref = ClassifyIndexedNode(node->data(0, Qt::UserRole).toString(), node->text(0));
  if (ref.kind != IndexedNodeKind::Document) return;
  if (ref.document < 1 || ref.document > indexed_->Count()) return;
  const Document removed = indexed_->Item(ref.document);
  if (const auto encounter = RemoveDocument(*indexed_, ref.document)) {
    locks_->Release({{*encounter, removed.LastName.trimmed() + QStringLiteral(", ") + removed.FirstName.trimmed(),
                      removed.DocumentDate.date()}});
  }
  const bool canUpload = CanUpload();
  if (indexed_->Count() == 0) {
    for (const char* control : {"cmdUpload", "mnuActionsUpload", "cmdNext", "cmdAppendAll"}) {
      state_.SetEnabled(QString::fromLatin1(control), false);
    }
    state_.UpdateActionsMenu();
  }
  state_.SetEnabled(QStringLiteral("cmdNew"), canUpload);
  AfterDocumentEdit();
}

void frmMain::sstDocuments_PageDropped(QTreeWidgetItem* page, QTreeWidgetItem* target) {
  if (!indexed_ || !page->parent()) return;
  const IndexedNodeRef source = ClassifyIndexedNode(QString(), page->text(0), page->parent()->data(0, Qt::UserRole).toString());
  const QString targetParent = target->parent() ? target->parent()->data(0, Qt::UserRole).toString() : QString();
  const IndexedNodeRef drop = ClassifyIndexedNode(target->data(0, Qt::UserRole).toString(), target->text(0), targetParent);
  if (source.kind != IndexedNodeKind::Page || drop.kind == IndexedNodeKind::None) return;
  const EditResult result =
      MovePage(*indexed_, source.document, source.page, drop.document, drop.kind == IndexedNodeKind::Page ? drop.page : 0);
  if (!result.ok) {
    if (!result.message.isEmpty()) services_.prompter.Critical(result.message);
    return;
  }
  AfterDocumentEdit();
}

void frmMain::AfterDocumentEdit() {
  RefreshIndexedTree();
  ApplyState();
}

}  // namespace pyxa
