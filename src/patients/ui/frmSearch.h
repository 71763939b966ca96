// The "Search Results" window: the matches of a patient search in a sortable list, the search
// fields to search again, and the patient the user chose.
#pragma once

#include <QDialog>
#include <optional>

#include "patients/PatientSearch.h"
#include "platform/Prompter.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pyxa {

class SearchFieldsBox;

class frmSearch : public QDialog {
  Q_OBJECT

 public:
  // Item data roles of lvResults' first column.
  static constexpr int kKeyRole = Qt::UserRole;      // "K" + lID
  static constexpr int kRowRole = Qt::UserRole + 1;  // the item's row in the current results

  frmSearch(Session& session, Prompter& prompter, LoginPrompt& login, QWidget* parent = nullptr);

  // Asks the user's country, shows the criteria and lists the results; the first row is selected.
  void Load(const SearchCriteria& criteria, const PatientResults& results);
  // The patient chosen with OK, Enter or a double click; nullopt otherwise.
  std::optional<ChosenPatient> Chosen() const { return chosen_; }

  SearchFieldsBox* Fields() const { return fields_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdSearch_Click();
  void cmdOK_Click();
  void cmdClear_Click();
  void ChooseItem(QTreeWidgetItem* item);
  void FillList();
  bool LoadCountry();

  Session& session_;
  Prompter& prompter_;
  LoginPrompt& login_;
  bool country2_ = false;
  PatientResults results_;
  std::optional<ChosenPatient> chosen_;

  SearchFieldsBox* fields_;
  QPushButton* cmdSearch_;
  QPushButton* cmdClear_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
  QTreeWidget* lvResults_;
};

}  // namespace pyxa
