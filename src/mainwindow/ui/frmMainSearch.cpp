// The main window's patient search: Search, Clear, and filling the fields from a match.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/PageView.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/ui/SearchFieldsBox.h"
#include "patients/ui/SearchResultsChooser.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ServiceFailures.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace pyxa {

SearchCriteria frmMain::Criteria() const { return search_->fields->Criteria(); }

ChosenPatient frmMain::Patient() const { return {Criteria(), search_->txtPatientID->text()}; }

void frmMain::ShowPatient(const ChosenPatient& patient) {
  // The identifier goes last: filling the criteria empties it.
  search_->fields->SetCriteria(patient.fields);
  search_->txtPatientID->setText(patient.patientId);
}

void frmMain::ResetEncounterChoice() {
  document_->SetEncountersPicture(false);
  search_->txtEncounterID->clear();
}

void frmMain::cmdSearch_Click() {
  try {
    ResetEncounterChoice();
    BusyCursor busy;
    const SearchCriteria criteria = Criteria();
    if (!HasSearchInformation(criteria)) {
      busy.Release();
      services_.prompter.Notice(QStringLiteral("Please enter at least one piece of search information."));
      return;
    }
    PatientResults results;
    try {
      results = FindPatient(services_.session, criteria, Country2());
    } catch (const ServiceError& error) {
      busy.Release();
      ReportServiceFailure(error, services_.prompter, services_.login);
      return;
    }
    if (results.Count() == 0) {
      busy.Release();
      services_.prompter.Information(QStringLiteral("No Patient Information can be found for the current search. "
                                                    "Please refine your search."),
                                     QStringLiteral("Patient Info Not Found"));
      document_->cmdEncounters->setEnabled(false);
      return;
    }
    if (results.Count() > 1) {
      busy.Release();
      PatientChooser* chooser = services_.patients;
      if (!chooser) {
        if (!ownChooser_)
          ownChooser_ = std::make_unique<SearchResultsChooser>(services_.session, services_.prompter, services_.login,
                                                               this, panes_->MD_TIFF1);
        chooser = ownChooser_.get();
      }
      SearchCriteria copied = criteria;
      copied.dob1.clear();
      copied.dob2.clear();
      copied.dob3.clear();
      if (const auto chosen = chooser->Choose(copied, results)) ShowPatient(*chosen);
    } else {
      subPopulateSearchFieldsFromWS(results);
    }
    FollowPatientChange();
    // A cancelled choice leaves no patient to find encounters for.
    const bool chosen = !search_->txtPatientID->text().isEmpty();
    document_->cmdEncounters->setEnabled(chosen);
    // With the patient found, the keyboard goes on to the document's fields.
    if (chosen && document_->cboPhysician->isEnabled() && document_->cboPhysician->isVisible())
      document_->cboPhysician->setFocus(Qt::OtherFocusReason);
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

void frmMain::FocusLastName() {
  QLineEdit* lastName = search_->fields->Field(QStringLiteral("txtLastName"));
  lastName->setFocus(Qt::OtherFocusReason);
  lastName->selectAll();
}

void frmMain::FocusPatientSearch() {
  if (panes_->paneIndexing->isHidden()) return;
  // With a patient chosen, the fields describe that patient: finding the next one starts afresh.
  if (!search_->txtPatientID->text().isEmpty()) cmdClear_Click();
  FocusLastName();
}

void frmMain::subPopulateSearchFieldsFromWS(const PatientResults& results) {
  ShowPatient(PatientFromRow(results, 0, Country2()));
}

void frmMain::cmdClear_Click() {
  UnlockUnusedEncounters();
  subClearSearchFields();
  FocusLastName();
}

void frmMain::subClearSearchFields() {
  ResetEncounterChoice();
  document_->cmdEncounters->setEnabled(false);
  search_->fields->Clear();
  search_->txtPatientID->clear();
}

}  // namespace pyxa
