// The main window's page reading: the shown file's pages read in the background, what the shown
// page proposes in the strip above it with the words it rests on marked, and the clerk's answers.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/DocumentDates.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/ReadingBar.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"
#include "platform/ui/BusyCursor.h"
#include "reading/PageReader.h"
#include "shell/ServiceFailures.h"
#include "store/SenderChoices.h"
#include "store/StoreReadError.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace pyxa {
namespace {

constexpr int kReadingRetryMs = 200;  // a reading that came during a clinic call tries again after this

bool ReadableKind(const QString& file) {
  const QString suffix = QFileInfo(file).suffix().toLower();
  return suffix == QStringLiteral("tif") || suffix == QStringLiteral("tiff") || suffix == QStringLiteral("jpg") ||
         suffix == QStringLiteral("jpeg");
}

QVector<ReferenceEntry> Referenced(const ListEntries& entries) {
  QVector<ReferenceEntry> out;
  for (const ListEntry& entry : entries) out << ReferenceEntry{entry.id.toLongLong(), entry.name};
  return out;
}

QString PersonText(const PatientQuery& person) {
  QString text = person.lastName.isEmpty() ? QStringLiteral("(no name)") : person.lastName + QStringLiteral(", ") + person.firstName;
  if (person.dateOfBirth.isValid()) text += QStringLiteral(", born ") + person.dateOfBirth.toString(Qt::ISODate);
  return text;
}

}  // namespace

bool frmMain::ReadingPages() const { return pageReader_ && pageReader_->Busy(); }

void frmMain::FollowPageReading() {
  if (!pageReader_) return;
  const QString file = Viewer().CurrentFileName();
  const int page = Viewer().CurrentPage() - 1;
  if (file.isEmpty() || page < 0 || storedPreview_ || !ReadableKind(file) || services_.settings.ReadPages == 0) {
    if (services_.settings.ReadPages == 0 && pageReader_->Busy()) {
      pageReader_->Cancel();
      readingStartedFile_.clear();
    }
    pageProposal_ = {};
    panes_->fraReading->hide();
    panes_->MD_TIFF1->SetHighlights(0, {}, {});
    return;
  }
  if (!readingFailure_.isEmpty() && readingStartedFile_ == file) return ShowReadingBar();
  const PageText* text = pageReader_->Text(file, page);
  if (!text) {
    pageProposal_ = {};
    panes_->MD_TIFF1->SetHighlights(0, {}, {});
    if (file != readingStartedFile_ || page != readingStartedPage_ || !pageReader_->Busy()) {
      readingFailure_.clear();
      readingStartedFile_ = file;
      readingStartedPage_ = page;
      pageReader_->Start(file, page);
    }
    panes_->fraReading->ShowNote(QStringLiteral("Reading the page..."));
    return;
  }
  if (pageProposal_.file == file && pageProposal_.page == page && pageProposal_.complete == text->complete)
    return ShowReadingBar();
  if (ClinicBusy()) {
    // Its patient search would run inside another handler's call: it takes its turn afterwards.
    QTimer::singleShot(kReadingRetryMs, this, [this] { FollowPageReading(); });
    return;
  }
  IndexReferences lists{Referenced(references_.Categories()), Referenced(references_.Laboratories()),
                        Referenced(references_.Types(TypeSource::LabTypes))};
  PageProposal proposal;
  try {
    BusyCursor busy;
    proposal = ProposeFromPage(
        *text, Country2(),
        [this](const SearchCriteria& criteria) { return FindPatient(services_.session, criteria, Country2()); }, lists,
        PastSenderChoices());
  } catch (const ServiceError& error) {
    // Read in the background: the clerk is told on the strip, not interrupted.
    proposal = {};
    proposal.summary = QStringLiteral("The clinic could not be asked about the patient the page names: %1")
                           .arg(error.Description());
  }
  proposal.file = file;
  proposal.page = page;
  proposal.complete = text->complete;
  pageProposal_ = std::move(proposal);
  ShowReadingBar();
}

void frmMain::PageRead(const QString& file, int page) {
  if (file == Viewer().CurrentFileName() && page == Viewer().CurrentPage() - 1) FollowPageReading();
}

void frmMain::ShowReadingBar() {
  ReadingBar& bar = *panes_->fraReading;
  if (!readingFailure_.isEmpty()) {
    bar.ShowNote(readingFailure_);
    return;
  }
  const PageProposal& p = pageProposal_;
  if (p.file.isEmpty()) return;
  panes_->MD_TIFF1->SetHighlights(p.page + 1, p.highlights, p.pageSize);
  if (p.summary.isEmpty()) {
    bar.ShowNote(p.complete ? QStringLiteral("Nothing on this page names a patient or the kind of document.")
                            : QStringLiteral("Reading the page..."));
    return;
  }
  QStringList people;
  for (const PatientQuery& person : p.patient.people) people << PersonText(person);
  bar.ShowReading(p.summary, p.chosen.has_value(), people);
}

void frmMain::ApplyIndexProposal(const IndexProposal& index) {
  DocumentFrame& d = *document_;
  if (!index.category.isEmpty() && SelectId(d.cboCategory, index.categoryId)) cboCategory_Click();
  if (!(index.typeId != 0 && SelectId(d.cboType, index.typeId)) && !index.typeName.isEmpty()) {
    const int type = d.cboType->findText(index.typeName, Qt::MatchFixedString);
    if (type >= 0) d.cboType->setCurrentIndex(type);
  }
  const CategoryLayout layout = CurrentCategoryLayout();
  if (layout.senderList) {
    if (!(index.laboratoryId != 0 && SelectId(d.cboSender, index.laboratoryId)) && !index.sender.isEmpty()) {
      const int lab = d.cboSender->findText(index.sender, Qt::MatchFixedString);
      if (lab >= 0) d.cboSender->setCurrentIndex(lab);
    }
  } else if (layout.senderTextEnabled && !index.sender.isEmpty()) {
    d.txtSender->setText(index.sender);
  }
  if (index.documentDate.isValid() && index.documentDate <= Now().date()) {
    const auto parts = DateToParts(index.documentDate, Country2());
    d.txtDate1->setText(parts[0]);
    d.txtDate2->setText(parts[1]);
    d.txtDate3->setText(parts[2]);
  }
}

void frmMain::cmdAcceptReading_Click() {
  try {
    const QString file = Viewer().CurrentFileName();
    const int page = Viewer().CurrentPage() - 1;
    // Only the page on screen, as it was read: a page changed since is read again first.
    const PageText* text = pageReader_ ? pageReader_->Text(file, page) : nullptr;
    if (!text || pageProposal_.file != file || pageProposal_.page != page || !pageProposal_.chosen) {
      services_.prompter.Information(QStringLiteral(
          "No patient has been read on the page shown. Find the patient with the search fields."));
      return;
    }
    if (state_.Mode() != QStringLiteral("Indexing")) {
      if (!state_.Enabled(QStringLiteral("cmdIndex"))) {
        services_.prompter.Information(QStringLiteral("This file cannot be indexed now."));
        return;
      }
      cmdIndex_Click();
      // Indexing shows the first page: the reading accepted must still be the one on screen.
      if (state_.Mode() != QStringLiteral("Indexing") || Viewer().CurrentFileName() != file ||
          Viewer().CurrentPage() - 1 != page || pageProposal_.page != page || !pageProposal_.chosen)
        return;
    }
    const PageProposal accepted = pageProposal_;
    if (search_->txtPatientID->text() != accepted.chosen->patientId) {
      UnlockUnusedEncounters();
      subClearSearchFields();
      ShowPatient(*accepted.chosen);
      FollowPatientChange();
      document_->cmdEncounters->setEnabled(true);
    }
    ApplyIndexProposal(accepted.index);
    if (!document_->cmdNew->isEnabled()) {
      services_.prompter.Information(QStringLiteral(
          "The patient and the document's fields are filled in from the page; the document cannot be created now."));
      return;
    }
    cmdNew_Click();
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::cmdFillFromReading_Click(int person) {
  try {
    const PageProposal& p = pageProposal_;
    if (p.file != Viewer().CurrentFileName() || p.page != Viewer().CurrentPage() - 1) return;
    PatientQuery chosen = p.patient.searchFields;
    if (person >= 0 && person < p.patient.people.size()) chosen = p.patient.people.at(person);
    if (chosen.lastName.isEmpty() && chosen.firstName.isEmpty() && chosen.healthCard.isEmpty() &&
        chosen.chart.isEmpty() && !chosen.dateOfBirth.isValid()) {
      services_.prompter.Information(QStringLiteral("Nothing on the page shown names a patient to search for."));
      return;
    }
    UnlockUnusedEncounters();
    subClearSearchFields();
    search_->fields->SetCriteria(CriteriaFor(chosen, Country2()));
    // The clerk searches: the page's words are a start, not a choice.
    search_->cmdSearch->setFocus(Qt::OtherFocusReason);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

QString frmMain::PagesText(const Document& document) const {
  if (!pageReader_ || document.SourceFile.isEmpty()) return {};
  QStringList texts;
  for (const Page& page : document.Pages) {
    const PageText* text = pageReader_->Text(document.SourceFile, page.PageNumber - 1);
    if (!text || !text->complete) return {};
    texts << text->text;
  }
  return texts.join(QStringLiteral("\n\f"));
}

QVector<SenderChoice> frmMain::PastSenderChoices() const {
  try {
    return ReadSenderChoices(counts_.StorePath());
  } catch (const StoreReadError&) {
    // A store that cannot be read now (locked by an upload) only loses the hint of past choices.
    return {};
  }
}

}  // namespace pyxa
