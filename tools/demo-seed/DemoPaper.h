// Puts realistic incoming paper into the demo's "Available Files" folder: scanned batches and
// faxes as Group 4 TIFFs, a photographed ECG and an e-mailed PDF, about the demo clinic's patients.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

#include "PaperCast.h"
#include "platform/Clock.h"

namespace pyxa {

struct DemoPaperOptions {
  int dpi = 0;  // 0: scans at 300 dpi and faxes at 200 dpi, as they arrive; otherwise every TIFF at this
  // Every TIFF as a fax server stores a fine-mode fax: 204 x 196 dpi, one-dimensional Group 3 (dpi unused).
  bool group3Fax = false;
};

// What a page of the demo paper's TIFFs is about, as the clerk who files it knows: its patient
// (none for a fax cover sheet) and the category, sender and date it is filed under (empty
// category: thrown away).
struct PaperPageFacts {
  QString file;
  int page = 0;  // 0-based
  bool namesPatient = false;
  PaperPatient patient;
  QString category, sender;
  QDate date;
};

// The facts of every TIFF page CreateDemoPaper makes on the day today.
std::vector<PaperPageFacts> DemoPaperFacts(const PaperCast& cast, const QDate& today);

// Fills folder (the "Available Files" folder) only when it does not exist yet: the files are made
// in a hidden folder beside it (mode 0700, each file 0600, written then renamed) and that folder is
// renamed into place whole, so a failure leaves no half-filled folder and the next run tries again.
// An existing folder, with whatever the user did in it, is left alone and counts as success.
// The clock's day dates the paper. On failure returns false and says why in error.
bool CreateDemoPaper(const QString& folder, const PaperCast& cast, const Clock& clock, QString& error,
                     const DemoPaperOptions& options = {});

}  // namespace pyxa
