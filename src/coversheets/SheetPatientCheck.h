// Checks a cover sheet's patient with the service: the sheet's code is never trusted alone. The
// patient it names must still be known, under the name and date of birth printed on the sheet.
#pragma once

#include "coversheets/CoverRecord.h"
#include "patients/SearchCriteria.h"
#include "shell/Session.h"

namespace pyxa {

struct SheetPatient {
  enum class Status {
    Matched,   // the service's patient, as the sheet names them
    Mismatch,  // the service's patient has another name or date of birth: printed for someone else
    Unknown,   // the service no longer knows the patient
  };
  Status status = Status::Unknown;
  ChosenPatient patient;  // the service's own fields, when matched
  QString problem;        // what the clerk is told otherwise, ending with a full stop
};

// country2: the date-of-birth parts are month first. Throws ServiceError when the service fails.
SheetPatient CheckSheetPatient(Session& session, const CoverRecord& record, bool country2);

}  // namespace pyxa
