// Finds a cover or separator sheet on a page: our QR code (at a reduced size first, the full page
// only where a sheet's marker was seen but its code not read), or a patch T separator. A page with another program's
// code, or none, is an ordinary page; a code that cannot be read makes an ordinary page that the
// clerk is told about.
#pragma once

#include "coversheets/CoverRecord.h"

#include <QImage>
#include <QString>

namespace pyxa {

struct SheetFinding {
  enum class Kind { Page, Cover, Separator, Unreadable };
  Kind kind = Kind::Page;
  CoverRecord record;  // of a cover or separator of ours
  QString problem;     // why a sheet could not be read
  bool fullRead = false;  // the full page had to be read
  bool patch = false;     // a separator found by its patch T, not by our code
};

// dpiX and dpiY: the page's resolution; 0 when unknown (taken as 200), as is a resolution no scanner
// gives or a pair far more uneven than a fax's.
SheetFinding FindSheet(const QImage& page, int dpiX, int dpiY);

}  // namespace pyxa
