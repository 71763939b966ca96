// The controls of the search frame ("Search Criteria"): the search fields, Search and Clear,
// and the hidden fields that hold the chosen patient and encounter.
#pragma once

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace pyxa {

class SearchFieldsBox;

struct SearchFrame {
  explicit SearchFrame(QGroupBox* frame);

  SearchFieldsBox* fields;
  QPushButton* cmdSearch;
  QPushButton* cmdClear;
  QLineEdit* txtPatientID;    // never shown
  QLineEdit* txtEncounterID;  // never shown
};

}  // namespace pyxa
