#include "scan/processing/PageProcessor.h"

#include "scan/processing/PageEndorser.h"
#include "scan/processing/PageSteps.h"
#include "scan/processing/PixImage.h"

namespace pyxa {

namespace {

constexpr int kAssumedDpi = 200;

bool AnyImageStep(const ProcessingSettings& s) {
  return s.deskew.enabled || s.blackBorder.enabled || s.despeckle.enabled || s.deshade.enabled ||
         s.linesRemoval.enabled || s.streakRemoval.enabled || s.imageFiltering.enabled;
}

// Runs one step: its result replaces the page, its note joins the page's notes.
template <typename Step>
void Apply(PixPtr& pix, QStringList& notes, Step step) {
  QString note;
  PixPtr next = step(pix.get(), &note);
  if (next) pix = std::move(next);
  if (!note.isEmpty()) notes.append(note);
}

QImage CleanPage(const QImage& page, int xDpi, int yDpi, const ProcessingSettings& s, QStringList& notes) {
  PixPtr pix = PixFromImage(page);
  if (!pix) {
    notes.append(QStringLiteral("the page image could not be prepared for processing; page left as scanned"));
    return page;
  }
  const int dpi = std::max(xDpi, yDpi);
  if (s.deskew.enabled) Apply(pix, notes, [&](PIX* p, QString* n) { return DeskewPage(p, s.deskew, n); });
  if (s.blackBorder.enabled)
    Apply(pix, notes, [&](PIX* p, QString* n) { return RemoveBlackBorder(p, s.blackBorder, dpi, n); });
  if (s.despeckle.enabled) Apply(pix, notes, [&](PIX* p, QString* n) { return Despeckle(p, s.despeckle, n); });
  if (s.deshade.enabled) Apply(pix, notes, [&](PIX* p, QString* n) { return Deshade(p, s.deshade, n); });
  if (s.linesRemoval.enabled)
    Apply(pix, notes, [&](PIX* p, QString* n) { return RemoveLines(p, s.linesRemoval, xDpi, yDpi, n); });
  if (s.streakRemoval.enabled)
    Apply(pix, notes, [&](PIX* p, QString* n) { return RemoveStreaks(p, s.streakRemoval, n); });
  if (s.imageFiltering.enabled)
    Apply(pix, notes, [&](PIX* p, QString* n) { return FilterImage(p, s.imageFiltering, n); });
  QImage cleaned = ImageFromPix(pix.get());
  if (cleaned.isNull()) {
    notes.append(QStringLiteral("the processed page could not be taken back; page left as scanned"));
    return page;
  }
  return cleaned;
}

}  // namespace

ProcessedPage PageProcessor::Process(const QImage& page, int xDpi, int yDpi, const ProcessingSettings& s,
                                     int pageNumberInBatch) const {
  ProcessedPage out;
  if (page.isNull()) {
    out.notes.append(QStringLiteral("the page has no image; nothing was processed"));
    return out;
  }
  xDpi = xDpi > 0 ? xDpi : kAssumedDpi;
  yDpi = yDpi > 0 ? yDpi : kAssumedDpi;
  out.image = AnyImageStep(s) ? CleanPage(page, xDpi, yDpi, s, out.notes) : page;
  if (s.barCodes.enabled) {
    QString note;
    out.barCodes = ReadBarCodes(out.image, s.barCodes.types, &note);
    if (!note.isEmpty()) out.notes.append(note);
  }
  if (s.patchCodes || s.advancedPatchCodes)
    out.patch =
        FindPatchCode(out.image, xDpi, yDpi, s.advancedPatchCodes ? PatchSearch::Anywhere : PatchSearch::LeadingEdge);
  if (s.annotation.enabled)
    out.image = PrintOnPage(out.image, s.annotation.text, s.annotation.corner, s.annotation.fontPoints, xDpi, yDpi);
  if (s.autoAnnotate.enabled)
    out.image = PrintOnPage(out.image, EndorsementText(s.autoAnnotate, pageNumberInBatch), s.autoAnnotate.corner,
                            s.autoAnnotate.fontPoints, xDpi, yDpi);
  return out;
}

}  // namespace pyxa
