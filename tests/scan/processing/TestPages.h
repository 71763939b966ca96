// Pages the processing tests scan: typed text, bar codes drawn with ZXing's writer and patch sheets,
// made bilevel or turned as a scanner would deliver them.
#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "scan/processing/PatchCodes.h"

namespace pyxa::test {

struct DrawnCode {
  int type;       // our symbology code
  QString value;  // what the reader should give
  QRect where;    // where it was drawn
};

// A white letter page at dpi, Grayscale8.
QImage BlankPage(int dpi);
// Lines of typed text over the page's middle.
void DrawText(QImage& page, int dpi, int firstLine = 0, int lines = 20);
// The six codes the tests expect (Code 39, Code 128, EAN-13, UPC-A, Codabar, Interleaved 2 of 5),
// one under the other from an inch down; returns what was drawn where.
std::vector<DrawnCode> DrawBarCodes(QImage& page, int dpi);
// A patch sheet: the patch's bars lying, an inch below the top, or nowhere near (at the bottom) when asked.
QImage PatchSheet(PatchCode code, int dpi);

// Black where darker than mid-grey; Format_Mono with white as index 0.
QImage Bilevel(const QImage& grey);
// The page turned by degrees (clockwise) about its centre onto white paper; a quarter turn swaps the sides.
QImage Turned(const QImage& grey, double degrees);

}  // namespace pyxa::test
