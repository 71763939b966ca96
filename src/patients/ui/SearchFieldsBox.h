// The ten patient search fields with their labels and keyboard rules, shared by the main
// window's search frame and the search results window.
#pragma once

#include <QWidget>

#include "patients/SearchCriteria.h"

class QLabel;
class QLineEdit;

namespace pyxa {

class SearchFieldsBox : public QWidget {
  Q_OBJECT

 public:
  // advancePhone: the area code and the first phone part hand the focus on after their 3rd digit.
  explicit SearchFieldsBox(bool advancePhone, QWidget* parent = nullptr);

  SearchCriteria Criteria() const;
  void SetCriteria(const SearchCriteria& criteria);
  void Clear();

  // Country code "2": no health-card number, and the date of birth reads month, day, year.
  void SetCountry2(bool country2);
  bool Country2() const { return country2_; }

  // A field by its object name ("txtLastName", ... "txtPhone2"); nullptr for another name.
  QLineEdit* Field(const QString& objectName) const;
  QLineEdit* LastNameField() const { return txtLastName_; }
  QLabel* HcnLabel() const { return Label4_; }
  QLabel* DobHint() const { return lblDobHint_; }

 Q_SIGNALS:
  // Enter or Return in any field.
  void searchRequested();
  // The text of a name, chart, health-card or phone field changed, by the user or the program.
  void criteriaChanged();

 private:
  QLineEdit* AddField(const QString& objectName, int maxLength, bool digitsOnly);

  bool country2_ = false;
  QLineEdit* txtLastName_;
  QLineEdit* txtFirstName_;
  QLineEdit* txtChart_;
  QLineEdit* txtHCN_;
  QLineEdit* txtDOB1_;
  QLineEdit* txtDOB2_;
  QLineEdit* txtDOB3_;
  QLineEdit* txtAreaCode_;
  QLineEdit* txtPhone1_;
  QLineEdit* txtPhone2_;
  QLabel* Label4_;
  QLabel* lblDobHint_;
};

}  // namespace pyxa
