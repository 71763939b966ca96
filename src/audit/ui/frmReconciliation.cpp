#include "audit/ui/frmReconciliation.h"

#include "audit/ReconciliationFiles.h"
#include "shell/ErrorTexts.h"
#include "shell/Session.h"
#include "store/WordSearch.h"

#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pyxa {
namespace {

QString StorePathOf(const AppSettings& settings) { return settings.UploadsFolder + QStringLiteral("documents.mdb"); }

QPushButton* Button(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmReconciliation::frmReconciliation(ReconciliationServices services, QWidget* parent)
    : QDialog(parent),
      services_(std::move(services)),
      storePath_(StorePathOf(services_.settings)),
      previewFolder_(services_.previewFolder.isEmpty() ? DefaultPreviewFolder() : services_.previewFolder),
      reconciliation_(storePath_, services_.settings.AvailableFolder, services_.session, services_.clock) {
  setObjectName(QStringLiteral("frmReconciliation"));
  setWindowTitle(QStringLiteral("Reconciliation"));

  from_ = new QDateEdit(this);
  from_->setObjectName(QStringLiteral("DTPicker1"));
  from_->setCalendarPopup(true);
  to_ = new QDateEdit(this);
  to_->setObjectName(QStringLiteral("DTPicker2"));
  to_->setCalendarPopup(true);
  words_ = new QLineEdit(this);
  words_->setObjectName(QStringLiteral("txtWords"));
  words_->setMaxLength(kMaxSearchWordsLength);
  words_->setToolTip(QStringLiteral("Lists the documents whose name, type or text read from the pages holds every "
                                    "one of these words"));
  search_ = Button(QStringLiteral("S&earch"), QStringLiteral("cmdSearch"), this);
  auto* dates = new QHBoxLayout;
  dates->addWidget(new QLabel(QStringLiteral("From:"), this));
  dates->addWidget(from_);
  dates->addWidget(new QLabel(QStringLiteral("To:"), this));
  dates->addWidget(to_);
  auto* wordsLabel = new QLabel(QStringLiteral("&Words:"), this);
  wordsLabel->setBuddy(words_);
  dates->addWidget(wordsLabel);
  dates->addWidget(words_, 1);
  dates->addWidget(search_);

  results_ = new QTreeWidget(this);
  results_->setObjectName(QStringLiteral("lvResults"));
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setSelectionMode(QAbstractItemView::SingleSelection);
  results_->setHeaderLabels(ReconciliationHeaders());
  results_->header()->setSectionResizeMode(QHeaderView::Interactive);
  results_->setColumnWidth(kColName, 220);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lblStatus"));
  status_->setWordWrap(true);

  reindex_ = Button(QStringLiteral("Re&Index"), QStringLiteral("cmdReIndex"), this);
  delete_ = Button(QStringLiteral("&Delete"), QStringLiteral("cmdDelete"), this);
  print_ = Button(QStringLiteral("&Print"), QStringLiteral("cmdPrint"), this);
  cancel_ = Button(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {reindex_, delete_, print_, cancel_}) buttons->addWidget(button);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(dates);
  layout->addWidget(results_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(900, 420);

  connect(search_, &QPushButton::clicked, this, &frmReconciliation::Search);
  connect(words_, &QLineEdit::returnPressed, this, &frmReconciliation::Search);
  connect(reindex_, &QPushButton::clicked, this, &frmReconciliation::ReindexSelected);
  connect(delete_, &QPushButton::clicked, this, &frmReconciliation::DeleteSelected);
  connect(print_, &QPushButton::clicked, this, &frmReconciliation::PrintSelected);
  connect(cancel_, &QPushButton::clicked, this, &frmReconciliation::reject);
  connect(results_, &QTreeWidget::itemSelectionChanged, this, &frmReconciliation::SelectionChanged);
  connect(results_, &QTreeWidget::itemActivated, this, &frmReconciliation::OpenSelected);

  Load();
}

frmReconciliation::~frmReconciliation() {
  // The list's own teardown must not reach a window that is half gone.
  disconnect(results_, nullptr, this, nullptr);
  if (!closed_) RemoveAllCopies();
}

void frmReconciliation::done(int result) {
  results_->clear();
  entries_.clear();
  RemoveAllCopies();
  closed_ = true;
  QDialog::done(result);
}

void frmReconciliation::Load() {
  PreparePreviewFolder(previewFolder_);
  ClearStaleReindexFiles(services_.settings.AvailableFolder);
  try {
    QStringList names;
    ValuesTable values;
    const qint64 user = services_.session.Integration() ? services_.session.Integration()->UserID() : 0;
    services_.session.Call([&](ClinicalService& service) { service.GetUsersCountry(user, names, values); });
    countryDates_ = values && !values->isEmpty() && !values->first().isEmpty() &&
                    values->first().first().toString() == QStringLiteral("2");
  } catch (const std::exception& error) {
    ShowError(error);
  }
  if (countryDates_) {
    from_->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    to_->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  }
  const QDate today = services_.clock.Now().date();
  from_->setDate(today);
  to_->setDate(today);
  Search();
}

void frmReconciliation::Search() {
  DropPreview();
  results_->clear();
  entries_.clear();
  if (!QFileInfo::exists(storePath_)) {
    status_->setText(QStringLiteral("No document has been stored on this computer yet, so there is nothing to "
                                    "reconcile (the document store %1 does not exist).")
                         .arg(storePath_));
    UpdateButtons();
    return;
  }
  status_->clear();
  ReconciliationSearch search(storePath_, services_.session, services_.databases);
  try {
    search.Run(from_->date(), to_->date(), words_->text(), [this](const ReconciliationEntry& entry) {
      entries_.push_back(entry);
      auto* item = new QTreeWidgetItem(results_, entry.Texts(countryDates_));
      item->setData(0, Qt::UserRole, static_cast<int>(entries_.size() - 1));
    });
  } catch (const std::exception& error) {
    ShowError(error);
  }
  if (entries_.isEmpty() && status_->text().isEmpty()) {
    status_->setText(words_->text().trimmed().isEmpty()
                         ? QStringLiteral("No stored document has an action in these dates.")
                         : QStringLiteral("No stored document with these words has an action in these dates."));
  }
  UpdateButtons();
}

const ReconciliationEntry* frmReconciliation::Selected() const {
  const QList<QTreeWidgetItem*> selected = results_->selectedItems();
  if (selected.isEmpty()) return nullptr;
  const int index = selected.first()->data(0, Qt::UserRole).toInt();
  return index >= 0 && index < entries_.size() ? &entries_[index] : nullptr;
}

void frmReconciliation::UpdateButtons() {
  const bool chosen = Selected() != nullptr;
  reindex_->setEnabled(chosen);
  delete_->setEnabled(chosen);
  // A stored image or PDF prints as the preview shows it; a Word document opens in its program.
  const ReconciliationEntry* entry = Selected();
  const QString extension = entry ? DocumentExtension(entry->row.documentName) : QString();
  print_->setEnabled(extension == QStringLiteral("DOC") || (!previewPath_.isEmpty() && IsPreviewed(extension)));
}

bool frmReconciliation::IsPreviewed(const QString& extension) {
  return extension == QStringLiteral("TIF") || extension == QStringLiteral("JPG") || extension == QStringLiteral("PDF");
}

void frmReconciliation::PrintSelected() {
  const ReconciliationEntry* entry = Selected();
  if (!entry) return;
  if (DocumentExtension(entry->row.documentName) == QStringLiteral("DOC")) {
    OpenSelected();
  } else if (!previewPath_.isEmpty()) {
    services_.host.PrintShownFile(this, entry->row.documentName);
  }
}

void frmReconciliation::DropPreview() {
  services_.host.ClearViewer();
  if (!previewPath_.isEmpty()) QFile::remove(previewPath_);
  previewPath_.clear();
}

void frmReconciliation::RemoveAllCopies() {
  DropPreview();
  for (const QString& copy : openedCopies_) QFile::remove(copy);
  openedCopies_.clear();
}

void frmReconciliation::SelectionChanged() {
  DropPreview();
  UpdateButtons();
  const ReconciliationEntry* entry = Selected();
  if (!entry) return;
  const QString extension = DocumentExtension(entry->row.documentName);
  if (!IsPreviewed(extension)) return;  // a Word document opens on request (double click, Enter or Print)
  try {
    previewPath_ = reconciliation_.WritePreviewCopy(*entry, previewFolder_);
  } catch (const std::exception& error) {
    ShowError(error);
    return;
  }
  if (!services_.host.ShowStoredFile(previewPath_)) DropPreview();
  UpdateButtons();  // printing follows the preview
}

void frmReconciliation::OpenSelected() {
  const ReconciliationEntry* entry = Selected();
  if (!entry || DocumentExtension(entry->row.documentName) != QStringLiteral("DOC")) return;
  QString copy;
  try {
    copy = reconciliation_.WritePreviewCopy(*entry, previewFolder_);
  } catch (const std::exception& error) {
    ShowError(error);
    return;
  }
  openedCopies_ << copy;
  if (!services_.opener.Open(copy)) {
    services_.prompter.Information(QStringLiteral("No program on this computer opens Word documents."));
  }
}

void frmReconciliation::ShowError(const std::exception& error) {
  if (const auto* store = dynamic_cast<const StoreReadError*>(&error)) {
    services_.prompter.Critical(GenericErrorMessage(store->Number(), store->Description()));
  } else if (const auto* file = dynamic_cast<const ReconciliationFileError*>(&error)) {
    services_.prompter.Critical(GenericErrorMessage(file->Number(), file->Description()));
  } else {
    services_.prompter.Critical(GenericErrorMessage(error, errno));
  }
}

void frmReconciliation::AfterRemoval(const ReconciliationEntry& entry) {
  services_.host.StoredDocumentRemoved(entry.row.documentId);
  Search();
}

void frmReconciliation::DeleteSelected() {
  const ReconciliationEntry* selected = Selected();
  if (!selected) return;
  const ReconciliationEntry entry = *selected;
  StoredState state;
  try {
    state = reconciliation_.Store().State(entry.row.documentId);
  } catch (const std::exception& error) {
    ShowError(error);
    return;
  }
  if (!state.exists) {
    services_.prompter.Information(QStringLiteral("The document %1 is no longer stored.").arg(entry.row.documentName));
    Search();
    return;
  }
  const QString patient = entry.patientName.isEmpty() ? QStringLiteral("patient %1").arg(entry.row.patientId)
                                                      : entry.patientName;
  QString question = QStringLiteral("Delete the document %1 of %2 from this computer's document store?")
                         .arg(entry.row.documentName, patient);
  if (NeverUploaded(state)) {
    question += QStringLiteral("\n\nIt has never been uploaded to the clinic: this is its only copy.");
  }
  if (!services_.prompter.YesNo(question, QStringLiteral("Reconciliation"))) return;
  DropPreview();
  try {
    reconciliation_.Delete(entry);
  } catch (const ServiceError& error) {
    // The document is gone; only its encounter stayed reserved.
    ShowError(error);
  } catch (const std::exception& error) {
    ShowError(error);
    UpdateButtons();
    return;
  }
  AfterRemoval(entry);
}

QString frmReconciliation::AskForName() {
  for (;;) {
    const QString path =
        services_.savePicker.SaveFile(QStringLiteral("Save File As"), services_.settings.AvailableFolder, kReindexFilter);
    if (path.isEmpty()) return {};
    const QString name = reconciliation_.ChosenTarget(path);
    if (name.isEmpty()) {
      services_.prompter.Information(QStringLiteral(
          "A document to index again goes into the Available Files folder, under a name that does not start "
          "with a dot and holds no \"/\", \"\\\" or \":\". Please choose another name."));
    } else if (reconciliation_.TargetExists(name)) {
      services_.prompter.Information(kNameTaken);
    } else {
      return name;
    }
  }
}

void frmReconciliation::ReindexSelected() {
  const ReconciliationEntry* selected = Selected();
  if (!selected) return;
  const ReconciliationEntry entry = *selected;
  QString name = reconciliation_.ReindexTarget(entry);
  if (name.isEmpty() || reconciliation_.TargetExists(name)) {
    services_.prompter.Information(name.isEmpty() ? QStringLiteral("The document's name cannot be used as a file "
                                                                   "name. Please choose another name.")
                                                  : kNameTaken);
    name = AskForName();
    if (name.isEmpty()) return;  // cancelled: nothing was changed
  }
  DropPreview();
  try {
    reconciliation_.Reindex(entry, name);
  } catch (const ServiceError& error) {
    ShowError(error);
  } catch (const ReconciliationFileError& error) {
    services_.prompter.Critical(
        GenericErrorMessage(error.Number(), error.Description() +
                                                QStringLiteral(" Nothing was changed: the document stays stored.")));
    UpdateButtons();
    return;
  } catch (const std::exception& error) {
    ShowError(error);
    UpdateButtons();
    return;
  }
  AfterRemoval(entry);
}

}  // namespace pyxa
