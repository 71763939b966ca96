// The cover sheet of a chosen patient: the record its code holds and the text printed on it, made in
// one place for the indexing frame's sheet and for a whole list's sheets.
#pragma once

#include "coversheets/CoverSheetDrawing.h"
#include "patients/SearchCriteria.h"

namespace pyxa {

// A list chosen for the pages behind the sheet: -1 (and no name) when not chosen.
struct SheetChoice {
  qint64 id = -1;
  QString name = {};
};

struct PatientSheet {
  CoverRecord record;
  CoverSheetText text;
};

// country2: the date-of-birth parts are month first.
PatientSheet SheetForPatient(const ChosenPatient& patient, bool country2, const SheetChoice& category = {},
                             const SheetChoice& type = {}, const SheetChoice& provider = {});

// "LAST, First" as the sheet prints and its code holds it.
QString SheetPatientName(const QString& lastName, const QString& firstName);

}  // namespace pyxa
