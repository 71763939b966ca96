// The main window's Log menu: the audit windows over the store, with the window's own categories and
// date style.
#include "mainwindow/ui/AuditWindows.h"
#include "mainwindow/ui/frmMain.h"

#include "components/DocumentRecords.h"
#include "mainwindow/ReferenceLists.h"
#include "mainwindow/ui/PageView.h"

namespace pyxa {

namespace {

AuditWindowContext Context(frmMain& window, const QString& storePath, bool usDates, const ReferenceLists& references) {
  AuditWindowContext context;
  context.storePath = storePath;
  context.usDates = usDates;
  // Names by identifier: a category's place in the list is not its identifier.
  context.categoryName = [&references](qint64 id) {
    return references.GetCategory(QStringLiteral("Name"), QString::number(id));
  };
  context.parent = &window;
  return context;
}

}  // namespace

void frmMain::mnuLog_Click() {
  if (!services_.audit) return;
  try {
    services_.audit->OpenAuditLog(Context(*this, counts_.StorePath(), Country2(), references_));
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::mnuRecon_Click() {
  if (!services_.audit) return;
  // The view is the reconciliation window's while it is open: pending edits are settled first.
  if (AskToKeepPageChanges() == PageEditsOutcome::Kept) return;
  try {
    services_.audit->OpenReconciliation(Context(*this, counts_.StorePath(), Country2(), references_));
  } catch (const std::exception& error) {
    ReportError(error);
  }
  ClearStoredFile();
}

bool frmMain::ShowStoredFile(const QString& path) {
  storedPreview_ = true;
  const ViewerResult shown = Viewer().DisplayFile(path);
  ShowPageNumber();  // the page box follows the copy shown
  ApplyState();
  return shown.Ok();
}

void frmMain::ClearStoredFile() {
  if (!storedPreview_) return;
  storedPreview_ = false;
  Viewer().DisplayFile(QString());
  currentFile_.clear();
  ShowPageNumber();
  ShowStatusFile();
  ApplyState();
}

void frmMain::StoredDocumentRemoved(std::int64_t documentId) {
  if (indexed_) {
    for (int i = indexed_->Count(); i >= 1; --i) {
      if (indexed_->Item(i).Id == documentId && IsStored(indexed_->Item(i))) indexed_->Remove(i);
    }
    RefreshIndexedTree();
  }
  UpdateUploadCount();
  UpdateAvailableCount();
  FollowUploadCount(false);
  ApplyState();
}

}  // namespace pyxa
