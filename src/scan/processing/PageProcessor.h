// Runs a page of the production scanner through the processing chain its page scenario turns on, in a
// fixed order: deskew, black border, despeckle, deshade, lines removal, streak removal, image filtering,
// then reads bar codes and patch codes on the cleaned page, and last prints the annotation and the
// endorsement. Holds no state: one processor may serve several worker threads at once.
#pragma once

#include <QImage>
#include <QList>
#include <QStringList>
#include <optional>

#include "scan/processing/BarCodeReader.h"
#include "scan/processing/PatchCodes.h"
#include "scan/processing/ProcessingSettings.h"

namespace pyxa {

struct ProcessedPage {
  // Bilevel pages come back Format_Mono with white as index 0, grey ones Format_Grayscale8, colour ones
  // Format_RGB32 (image filtering makes a page bilevel). A page no image step changed is the page given.
  QImage image;
  QList<FoundBarCode> barCodes;    // positions on the processed image
  std::optional<PatchCode> patch;  // the patch code found, when a patch option is on
  QStringList notes;               // what a step could not do, for the batch's log; the page is never lost
};

class PageProcessor {
 public:
  // xDpi, yDpi as scanned (0 when unknown: taken as 200); pageNumberInBatch counts from 1 and drives the
  // endorsement's counter. A null page comes back null with a note.
  ProcessedPage Process(const QImage& page, int xDpi, int yDpi, const ProcessingSettings& settings,
                        int pageNumberInBatch) const;
};

}  // namespace pyxa
