// How the main window lets the user pick one of several search matches: the results window
// in the program, a script in tests.
#pragma once

#include "patients/PatientSearch.h"

#include <optional>

namespace pyxa {

class PatientChooser {
 public:
  virtual ~PatientChooser() = default;
  // Shows the matches of a search made with `criteria` (the user may search again there);
  // the chosen patient, or nullopt when the user cancels.
  virtual std::optional<ChosenPatient> Choose(const SearchCriteria& criteria, const PatientResults& results) = 0;
};

}  // namespace pyxa
