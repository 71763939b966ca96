// The pages a print job draws: the document shown in the page view (TIFF or JPG pages as shown,
// edits applied, or the pages of a PDF), one page image at a time.
#pragma once

#include <QImage>
#include <QString>

namespace pyxa {

// The colour kind of a page as the print dialog hands it on: 1 palette, 2 black and white,
// 3 grey, 4 colour. A palette page is printed as colour (passed on as 4).
enum ColourKind : int { kColourPalette = 1, kColourBlackWhite = 2, kColourGrey = 3, kColourFull = 4 };

struct PrintPage {
  QImage image;
  // Dots per inch of the image across and down; 0 when the file does not say.
  double dpiX = 0;
  double dpiY = 0;
  int code = 0;  // 0, or the viewer error code why the page could not be read
  QString description;
};

class PrintPageSource {
 public:
  virtual ~PrintPageSource() = default;
  virtual int PageCount() const = 0;
  virtual int ColourKind(int page) const = 0;  // 1-based page
  // The 1-based page, upright as shown. deviceDpi is the printer's resolution: a PDF page is
  // rendered at it, an image page comes at its own resolution.
  virtual PrintPage Page(int page, int deviceDpi) = 0;
};

}  // namespace pyxa
