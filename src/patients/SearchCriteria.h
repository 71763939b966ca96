// The ten patient search fields as plain text, shared by the main window's search frame and
// the search results window, and the patient a search chose.
#pragma once

#include <QString>

namespace pyxa {

struct SearchCriteria {
  QString lastName, firstName, chart, hcn;
  QString dob1, dob2, dob3;  // day and month in the country's order, then the year
  QString areaCode, phone1, phone2;

  bool operator==(const SearchCriteria&) const = default;
};

// A chosen patient: the fields to show and the identifier ("lID") indexing uses.
struct ChosenPatient {
  SearchCriteria fields;
  QString patientId;
};

}  // namespace pyxa
