#include "coversheets/CoverSheetPages.h"

#include <algorithm>

namespace pyxa {

PrintPage CoverSheetPages::Page(int page, int deviceDpi) {
  if (page < 1 || page > PageCount()) return {{}, 0, 0, 2008, QStringLiteral("Illegal page number")};
  // Drawn at the printer's resolution up to 300 dpi: sharp enough for any reader, and a page of
  // 1-bit pixels stays small.
  const int dpi = std::clamp(deviceDpi, 150, 300);
  const Sheet& sheet = sheets_[static_cast<size_t>(page - 1)];
  QImage image = DrawCoverSheet(sheet.record, sheet.text, dpi).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  return {image, static_cast<double>(dpi), static_cast<double>(dpi), 0, {}};
}

}  // namespace pyxa
