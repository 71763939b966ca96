// Draws a cover or separator sheet as a Letter page: what the sheet is, the patient's name, date of
// birth and chart number in large type, and the record's QR code, large and with the highest error
// correction so that a fax or a crooked scan still reads it.
#pragma once

#include "coversheets/CoverRecord.h"

#include <QImage>
#include <QString>

namespace pyxa {

struct CoverSheetText {
  QString patientName = {};
  QString dateOfBirth = {};
  QString chartNumber = {};
  QString category = {};  // empty when not chosen
  QString type = {};
  QString provider = {};
};

// The page at dpi, black and white.
QImage DrawCoverSheet(const CoverRecord& record, const CoverSheetText& text, int dpi = 300);

}  // namespace pyxa
