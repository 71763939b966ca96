// The main window's document frame: the category rules, the reference and type lists, and
// creating documents from the pages of the file being indexed.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/DocumentDates.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/PageAssignment.h"
#include "mainwindow/PathText.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"
#include "platform/ui/AutoAdvance.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ServiceFailures.h"
#include "upload/FileDigest.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>

namespace pyxa {
namespace {

void Fill(QComboBox* box, const ListEntries& entries) {
  for (const ListEntry& entry : entries) box->addItem(entry.name, entry.id);
}

}  // namespace

QDateTime frmMain::Now() const { return services_.clock ? services_.clock->Now() : systemClock_.Now(); }

bool frmMain::SelectId(QComboBox* box, qint64 id) {
  const int index = box->findData(QString::number(id));
  if (index < 0) return false;
  box->setCurrentIndex(index);
  return true;
}

qint64 frmMain::SelectedId(const QComboBox* box) const {
  return box->currentIndex() < 0 ? 0 : box->currentData().toString().toLongLong();
}

void frmMain::ConnectIndexingControls() {
  DocumentFrame& d = *document_;
  connect(search_->cmdSearch, &QPushButton::clicked, this, &frmMain::cmdSearch_Click);
  connect(search_->cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
  connect(search_->fields, &SearchFieldsBox::searchRequested, this, &frmMain::cmdSearch_Click);
  // Changed criteria mean no patient is chosen any more.
  connect(search_->fields, &SearchFieldsBox::criteriaChanged, search_->txtPatientID, &QLineEdit::clear);
  // A cover sheet names a chosen patient, and needs the print service to print on.
  connect(search_->txtPatientID, &QLineEdit::textChanged, this, [this](const QString& patient) {
    document_->cmdCoverSheet->setEnabled(!patient.isEmpty() && services_.printers && services_.saveFiles);
  });
  connect(d.cmdCoverSheet, &QPushButton::clicked, this, &frmMain::PrintCoverSheet);
  connect(d.cboCategory, &QComboBox::activated, this, &frmMain::cboCategory_Click);
  connect(d.cboPhysician, &QComboBox::activated, this, &frmMain::cboPhysician_Click);
  connect(d.cboType, &QComboBox::activated, this, &frmMain::cboType_Click);
  connect(d.cmdNew, &QPushButton::clicked, this, &frmMain::cmdNew_Click);
  connect(d.cmdNext, &QPushButton::clicked, this, &frmMain::cmdNext_Click);
  connect(d.cmdAppendAll, &QPushButton::clicked, this, &frmMain::cmdAppendAll_Click);
  connect(d.cmdReset, &QPushButton::clicked, this, &frmMain::cmdReset_Click);
  connect(d.cmdConfirm, &QPushButton::clicked, this, &frmMain::cmdConfirm_Click);
  connect(d.cmdConfirmAll, &QPushButton::clicked, this, &frmMain::cmdConfirmAll_Click);
  connect(d.cmdEncounters, &QPushButton::clicked, this, &frmMain::cmdEncounters_Click);
  // The day and the month move on once they hold two digits.
  AdvanceAfter(d.txtDate1, 2, d.txtDate2);
  AdvanceAfter(d.txtDate2, 2, d.txtDate3);
  d.txtDocName->installEventFilter(this);
  // Once the user types into the fields that describe one document, they are the user's own and
  // stay whichever patient is chosen next.
  const auto typed = [this] { fieldsPatient_.clear(); };
  for (QLineEdit* edit : {d.txtSender, d.txtDate1, d.txtDate2, d.txtDate3, d.txtDocName})
    connect(edit, &QLineEdit::textEdited, this, typed);
  connect(d.txtNotes, &QTextEdit::textChanged, this, typed);
  connect(d.chkAbnormal, &QCheckBox::clicked, this, typed);
  connect(d.chkSignoff, &QCheckBox::clicked, this, typed);
  connect(d.cboSender, &QComboBox::activated, this, typed);
}

void frmMain::FollowPatientChange() {
  const QString patient = search_->txtPatientID->text();
  if (patient.isEmpty() || fieldsPatient_.isEmpty() || patient == fieldsPatient_) return;
  ClearOneDocumentFields();
  DocumentFrame& d = *document_;
  d.txtDocName->setText(NameForCategory(d.txtDocName->text(), Now(), CategoryText()));
  fieldsPatient_.clear();
}

void frmMain::ClearOneDocumentFields() {
  DocumentFrame& d = *document_;
  d.txtNotes->clear();
  d.chkAbnormal->setChecked(false);
  d.chkSignoff->setChecked(false);
  d.chkEncounterDateModified->setChecked(false);
  d.txtDate1->clear();
  d.txtDate2->clear();
  d.txtDate3->clear();
  d.txtSender->clear();
  d.cboSender->setCurrentIndex(d.cboSender->count() > 0 ? 0 : -1);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (document_ && watched == document_->txtDocName) {
    if (event->type() == QEvent::FocusIn) nameExtensionOnEntry_ = GetDocumentFileExtention();
    if (event->type() == QEvent::FocusOut) {
      const QString name =
          NameOnLeave(document_->txtDocName->text(), nameExtensionOnEntry_, GetSelectedFileExtention());
      if (name != document_->txtDocName->text()) document_->txtDocName->setText(name);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

QString frmMain::GetDocumentFileExtention() const { return DocumentFileExtension(document_->txtDocName->text()); }

QString frmMain::GetSelectedFileName() const {
  const QString shown = Viewer().CurrentFileName();
  return shown.isEmpty() ? currentFile_ : NameFromFullPath(shown);
}

QString frmMain::GetSelectedFileExtention() const { return DocumentFileExtension(GetSelectedFileName()); }

void frmMain::FillReferenceBoxes() {
  DocumentFrame& d = *document_;
  d.cboPhysician->clear();
  d.cboCategory->clear();
  Fill(d.cboPhysician, references_.Physicians());
  Fill(d.cboCategory, references_.Categories());
  d.cboPhysician->setCurrentIndex(-1);
  d.cboCategory->setCurrentIndex(-1);
  SelectId(d.cboPhysician, defaults_.physicianId);
  if (SelectId(d.cboCategory, defaults_.categoryId)) cboCategory_Click();
  state_.FollowIndexButton(d.cboPhysician->count() > 0);
  ApplyState();
}

CategoryLayout frmMain::CurrentCategoryLayout() const {
  return CategoryRules(CategoryText());
}

QString frmMain::CategoryText() const {
  return document_->cboCategory->currentIndex() < 0 ? QString() : document_->cboCategory->currentText();
}

bool frmMain::FillTypes(const CategoryLayout& layout) {
  DocumentFrame& d = *document_;
  d.cboType->clear();
  if (layout.types == TypeSource::None) return true;
  const qint64 physician = SelectedId(d.cboPhysician);
  const bool byProvider = layout.types == TypeSource::CorrespondenceTypes || layout.types == TypeSource::VisitTypes;
  // With no provider chosen there is nobody's list to show yet; choosing one fills it.
  if (byProvider && physician == 0) return true;
  if (layout.types != TypeSource::LabTypes) {
    BusyCursor busy;
    try {
      references_.LoadTypes(services_.session, layout.types, services_.session.Integration()->OfficeID(), physician);
    } catch (const ServiceError& error) {
      busy.Release();
      references_.types.reset();
      ReportServiceFailure(error, services_.prompter, services_.login);
      return true;
    }
  }
  const ListEntries types = references_.Types(layout.types);
  if (layout.types == TypeSource::CorrespondenceTypes && types.isEmpty()) {
    services_.prompter.Critical(QStringLiteral(
        "The Physician does not have Correspondence Types defined in the HLV system. To Configure Correspondence "
        "Types please Login to Halvora and go to the Office Actions Module or refer to the HLV Online Help"));
    cmdReset_Click();
    return false;
  }
  if (layout.emptyFirstType) d.cboType->addItem(QString(), QStringLiteral("0"));
  Fill(d.cboType, types);
  if (defaults_.typeId != 0 && SelectId(d.cboType, defaults_.typeId)) {
    defaults_.typeId = 0;
  } else {
    d.cboType->setCurrentIndex(d.cboType->count() > 0 ? 0 : -1);
  }
  return true;
}

bool frmMain::ApplyCategoryLayout(const CategoryLayout& layout) {
  DocumentFrame& d = *document_;
  d.cboType->clear();
  d.cboSender->clear();
  d.cboSender->setVisible(false);
  d.txtSender->setVisible(true);
  d.chkAbnormal->setVisible(layout.abnormalVisible);
  d.chkSignoff->setVisible(true);
  d.chkAbnormal->setText(QStringLiteral("Abnormal"));
  d.cmdEncounters->setEnabled(false);
  d.cmdEncounters->setVisible(false);
  d.Label7->setText(layout.typeLabel);
  d.cboType->setEnabled(layout.typeEnabled);
  d.lblSender->setText(layout.senderLabel);
  d.lblSender->setEnabled(!layout.senderLabelGrey);
  d.lblDate->setText(layout.dateLabel);
  if (layout.senderList) {
    d.txtSender->setVisible(false);
    d.cboSender->setVisible(true);
    Fill(d.cboSender, references_.Laboratories());
    d.cboSender->setCurrentIndex(d.cboSender->count() > 0 ? 0 : -1);
    d.lblSender->setBuddy(d.cboSender);
  } else {
    d.txtSender->setEnabled(layout.senderTextEnabled);
    d.lblSender->setBuddy(d.txtSender);
  }
  if (!FillTypes(layout)) return false;
  if (layout.clinicalNote) {
    d.cmdEncounters->setVisible(true);
    d.cmdEncounters->setEnabled(!search_->txtPatientID->text().isEmpty());
    d.SetEncountersPicture(!search_->txtEncounterID->text().isEmpty());
  }
  return true;
}

void frmMain::cboCategory_Click() {
  try {
    DocumentFrame& d = *document_;
    const QString name = d.txtDocName->text();
    d.txtSender->clear();
    d.txtDate1->clear();
    d.txtDate2->clear();
    d.txtDate3->clear();
    const QString category = CategoryText();
    if (!ApplyCategoryLayout(CategoryRules(category))) return;
    d.txtDocName->setText(NameForCategory(name, Now(), category));
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cboPhysician_Click() {
  try {
    ResetEncounterChoice();
    const CategoryLayout layout = CurrentCategoryLayout();
    if (layout.types == TypeSource::CorrespondenceTypes || layout.types == TypeSource::VisitTypes ||
        layout.types == TypeSource::DITypes) {
      document_->Label7->setText(layout.typeLabel);
      FillTypes(layout);
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cboType_Click() { document_->cmdEncounters->setVisible(CurrentCategoryLayout().clinicalNote); }

DocumentFields frmMain::StoreDocumentProperties() const {
  const DocumentFrame& d = *document_;
  DocumentFields f;
  f.physicianId = SelectedId(d.cboPhysician);
  f.categoryId = SelectedId(d.cboCategory);
  f.category = CategoryText();
  f.typeId = SelectedId(d.cboType);
  f.typeText = d.cboType->currentText();
  const CategoryLayout layout = CategoryRules(f.category);
  if (layout.senderList) {
    f.senderId = SelectedId(d.cboSender);
    f.sender = d.cboSender->currentText();
  } else {
    f.sender = d.txtSender->text();
  }
  const FormedDate date =
      FormDocumentDate(d.txtDate1->text(), d.txtDate2->text(), d.txtDate3->text(), Country2(), Now().date());
  if (date.entry == DateEntry::Valid) f.date = date.date;
  f.name = d.txtDocName->text();
  f.notes = d.txtNotes->toPlainText();
  f.abnormal = d.chkAbnormal->isChecked();
  f.signOff = d.chkSignoff->isChecked();
  f.encounterDateModified = d.chkEncounterDateModified->isChecked();
  return f;
}

IndexingView frmMain::ShownForIndexing() const {
  return {Viewer().CurrentFileName(), Viewer().CurrentPage(), Viewer().PageCount(), search_->txtPatientID->text()};
}

void frmMain::ShowAppendTarget() {
  document_->lblAppendTarget->setText(AppendTargetText(indexed_ ? *indexed_ : Documents()));
}

bool frmMain::DocumentFromFrame(const IndexingView& view, Document& record, const QByteArray& digest) {
  DocumentFrame& d = *document_;
  const FormedDate date =
      FormDocumentDate(d.txtDate1->text(), d.txtDate2->text(), d.txtDate3->text(), Country2(), Now().date());
  // A date begun and not finished is the user's to finish: refused, and what was typed stays.
  if (date.entry == DateEntry::Partial) {
    services_.prompter.Notice(QStringLiteral("                Please enter a valid date."));
    for (QLineEdit* part : {d.txtDate1, d.txtDate2, d.txtDate3}) {
      if (part->text().trimmed().isEmpty()) {
        part->setFocus();
        break;
      }
    }
    return false;
  }
  if (date.entry == DateEntry::Invalid) {
    services_.prompter.Notice(QStringLiteral("                Please enter a valid date."));
    d.txtDate1->clear();
    d.txtDate2->clear();
    d.txtDate3->clear();
    return false;
  }
  if (date.entry == DateEntry::Future) {
    services_.prompter.Notice(QStringLiteral("          You cannot select a future date."));
    return false;
  }
  if (date.entry == DateEntry::Missing) {
    d.txtDate1->clear();
    d.txtDate2->clear();
    d.txtDate3->clear();
  }
  const bool clinicalNote =
      IsClinicalNotes(references_.GetCategory(QStringLiteral("Name"), QString::number(SelectedId(d.cboCategory))));
  const bool tif = DocumentFileExtension(view.shownFile) == QStringLiteral("TIF");
  if (tif && GetDocumentFileExtention().isEmpty() && !d.txtDocName->text().isEmpty())
    d.txtDocName->setText(d.txtDocName->text() + QStringLiteral(".TIF"));
  const qint64 userId = services_.session.IsOpen() ? services_.session.Integration()->UserID() : 0;
  record = pyxa::StoreDocumentProperties(StoreDocumentProperties(), Patient(),
                                         search_->txtEncounterID->text().toLongLong(), userId);
  // The pages come from this file only, whatever the viewer shows when they are stored.
  record.SourceFile = view.shownFile;
  if (search_->txtPatientID->text().isEmpty()) {
    services_.prompter.Information(QStringLiteral("Please select a patient for the document."));
    search_->fields->Field(QStringLiteral("txtLastName"))->setFocus();
    return false;
  }
  if (clinicalNote && search_->txtEncounterID->text().isEmpty()) {
    services_.prompter.Information(QStringLiteral("Please select an unsigned encounter for the Clinical Note."));
    d.cmdEncounters->setFocus();
    return false;
  }
  if (!indexed_) indexed_.emplace();
  // The file as it was when its pages were numbered; every document of it shares that.
  for (const Document& other : *indexed_)
    if (!IsStored(other) && other.SourceFile == record.SourceFile) record.SourceDigest = other.SourceDigest;
  if (record.SourceDigest.isEmpty()) record.SourceDigest = digest.isEmpty() ? FileDigest(record.SourceFile) : digest;
  return true;
}

void frmMain::AfterDocumentAdded() {
  RefreshIndexedTree();
  const bool canUpload = CanUpload();
  state_.SetEnabled(QStringLiteral("fraStep3"), true);
  if (canUpload) {
    for (const char* control : {"cmdUpload", "mnuActionsUpload", "cmdUploadNow", "mnuActionsUploadNow"})
      state_.SetEnabled(QString::fromLatin1(control), true);
  }
  state_.UpdateActionsMenu();
  if (DocumentFileExtension(Viewer().CurrentFileName()) != QStringLiteral("TIF")) {
    // Any other file is one document: its pages are not shared out.
    for (const char* control : {"cmdNew", "cmdNext", "cmdAppendAll"})
      state_.SetEnabled(QString::fromLatin1(control), false);
  } else {
    const bool remain = PagesRemain(*indexed_, Viewer().PageCount()) && canUpload;
    state_.SetEnabled(QStringLiteral("cmdNext"), remain);
    state_.SetEnabled(QStringLiteral("cmdAppendAll"), remain);
    state_.SetEnabled(QStringLiteral("cmdNew"), remain);
  }
  ApplyState();
}

void frmMain::cmdNew_Click() {
  try {
    const IndexingView view = ShownForIndexing();
    if (const QString why = RefuseNewDocument(indexed_ ? *indexed_ : Documents(), view); !why.isEmpty()) {
      services_.prompter.Information(why);
      return;
    }
    Document record;
    if (!DocumentFromFrame(view, record)) return;
    indexed_->Add(std::move(record));
    fieldsPatient_ = search_->txtPatientID->text();
    AfterDocumentAdded();
    cmdNext_Click();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cmdNext_Click() {
  try {
    if (const QString why = RefuseAppend(indexed_ ? *indexed_ : Documents(), ShownForIndexing(), false);
        !why.isEmpty()) {
      services_.prompter.Information(why);
      return;
    }
    AppendPage(*indexed_, Viewer().CurrentPage());
    const bool canUpload = CanUpload();
    if (Viewer().CurrentPage() < Viewer().PageCount()) {
      ChangePage(Viewer().CurrentPage() + 1);
      Form_Resize();
    } else {
      state_.SetEnabled(QStringLiteral("fraStep3"), true);
      if (canUpload) {
        for (const char* control : {"cmdUpload", "mnuActionsUpload", "cmdUploadNow", "mnuActionsUploadNow"})
          state_.SetEnabled(QString::fromLatin1(control), true);
      }
      state_.UpdateActionsMenu();
    }
    AfterPagesAppended();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cmdAppendAll_Click() {
  try {
    if (const QString why = RefuseAppend(indexed_ ? *indexed_ : Documents(), ShownForIndexing(), true);
        !why.isEmpty()) {
      services_.prompter.Information(why);
      return;
    }
    AppendAllPages(*indexed_, Viewer().PageCount());
    AfterPagesAppended();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::AfterPagesAppended() {
  const bool canUpload = CanUpload();
  const bool tif = DocumentFileExtension(Viewer().CurrentFileName()) == QStringLiteral("TIF");
  const bool remain = tif && PagesRemain(*indexed_, Viewer().PageCount()) && canUpload;
  for (const char* control : {"cmdNext", "cmdNew", "cmdAppendAll"})
    state_.SetEnabled(QString::fromLatin1(control), remain);
  RefreshIndexedTree();
  ApplyState();
}

void frmMain::cmdReset_Click() {
  subClearDocumentFields();
  subClearSearchFields();
}

void frmMain::subClearDocumentFields() {
  DocumentFrame& d = *document_;
  if (defaults_.justLoaded) {
    defaults_.justLoaded = false;
  } else {
    defaults_.physicianId = SelectedId(d.cboPhysician);
    defaults_.categoryId = SelectedId(d.cboCategory);
    defaults_.typeId = SelectedId(d.cboType);
  }
  d.cboPhysician->setCurrentIndex(-1);
  d.cboCategory->setCurrentIndex(-1);
  d.cboType->setCurrentIndex(-1);
  d.cboSender->setCurrentIndex(-1);
  d.txtSender->clear();
  d.txtDocName->clear();
  d.chkAbnormal->setChecked(false);
  d.chkSignoff->setChecked(false);
  d.txtNotes->clear();
  search_->txtPatientID->clear();
  search_->txtEncounterID->clear();
  const QString extension = GetSelectedFileExtention();
  d.txtDocName->setText(!extension.isEmpty() && extension != QStringLiteral("TIF")
                            ? GetSelectedFileName()
                            : DefaultDocumentName(Now(), QString()));
}

void frmMain::PopulateDocumentProperties(const Document& document) {
  DocumentFrame& d = *document_;
  const StoredProperties stored = pyxa::PopulateDocumentProperties(document);
  const DocumentFields& f = stored.fields;
  d.cboPhysician->setCurrentIndex(-1);
  SelectId(d.cboPhysician, f.physicianId);
  d.cboCategory->setCurrentIndex(-1);
  SelectId(d.cboCategory, f.categoryId);
  ShowPatient(stored.patient);
  search_->txtEncounterID->setText(stored.encounterId ? QString::number(stored.encounterId) : QString());
  const CategoryLayout layout = CurrentCategoryLayout();
  const qint64 typeDefault = defaults_.typeId;
  defaults_.typeId = f.typeId;  // the list is filled with the document's own type chosen
  const bool filled = ApplyCategoryLayout(layout);
  defaults_.typeId = typeDefault;
  if (!filled) return;
  if (f.typeId != 0 && !SelectId(d.cboType, f.typeId) && !f.typeText.isEmpty()) {
    // A type no longer offered still shows as the document has it.
    d.cboType->addItem(f.typeText, QString::number(f.typeId));
    d.cboType->setCurrentIndex(d.cboType->count() - 1);
  }
  if (layout.senderList) {
    if (!SelectId(d.cboSender, f.senderId)) d.cboSender->setCurrentIndex(-1);
  } else {
    d.txtSender->setText(f.sender);
  }
  const auto parts = DateToParts(f.date, Country2());
  d.txtDate1->setText(parts[0]);
  d.txtDate2->setText(parts[1]);
  d.txtDate3->setText(parts[2]);
  d.txtDocName->setText(f.name);
  d.chkAbnormal->setChecked(f.abnormal);
  d.chkSignoff->setChecked(f.signOff);
  d.txtNotes->setPlainText(f.notes);
  d.chkEncounterDateModified->setChecked(layout.clinicalNote && f.encounterDateModified);
  fieldsPatient_ = stored.patient.patientId;
}

void frmMain::ShowIndexedDocument(int document) {
  if (!indexed_ || document < 1 || document > indexed_->Count()) return;
  PopulateDocumentProperties(indexed_->Item(document));
}

}  // namespace pyxa
