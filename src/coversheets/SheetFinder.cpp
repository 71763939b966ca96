#include "coversheets/SheetFinder.h"

#include "scan/processing/PatchCodes.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>

namespace pyxa {

namespace {

constexpr int kLookDpi = 100;  // a 2 in. code of 33 modules still has 6 pixels a module

QImage Grey(const QImage& page) {
  return page.format() == QImage::Format_Grayscale8 ? page : page.convertToFormat(QImage::Format_Grayscale8);
}

ZXing::Results Read(const QImage& grey, ZXing::BarcodeFormats formats) {
  ZXing::DecodeHints hints;
  hints.setFormats(formats);
  hints.setTryRotate(true);
  hints.setTryHarder(true);
  hints.setMaxNumberOfSymbols(formats == ZXing::BarcodeFormat::Code128 ? 1 : 4);
  // ZXing 1.4 fails an assertion merging a linear code found on a downscaled copy with the same code
  // found full size.
  hints.setTryDownscale(false);
  const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                              static_cast<int>(grey.bytesPerLine()));
  return ZXing::ReadBarcodes(view, hints);
}

ZXing::Results Read(const QImage& grey) {
  ZXing::Results codes = Read(grey, ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::DataMatrix);
  for (ZXing::Result& marker : Read(grey, ZXing::BarcodeFormat::Code128)) codes.push_back(std::move(marker));
  return codes;
}

// The first of our records among the codes; seen says whether a sheet's marker was there.
SheetFinding FromCodes(const ZXing::Results& codes, bool* seen) {
  SheetFinding finding;
  for (const ZXing::Result& code : codes) {
    const QString text = QString::fromStdWString(code.text());
    if (code.format() == ZXing::BarcodeFormat::Code128 && text == kSheetMarker) {
      *seen = true;
      continue;
    }
    if (code.format() == ZXing::BarcodeFormat::Code128) continue;  // another program's label
    const CoverReading reading = ReadCoverRecord(text);
    if (reading.status == CoverReading::Status::NotOurs) continue;  // another program's code
    if (reading.status == CoverReading::Status::Damaged) {
      finding.kind = SheetFinding::Kind::Unreadable;
      finding.problem = reading.problem;
      return finding;
    }
    finding.kind = reading.record.kind == CoverRecord::Kind::Cover ? SheetFinding::Kind::Cover
                                                                     : SheetFinding::Kind::Separator;
    finding.record = reading.record;
    return finding;
  }
  return finding;
}

}  // namespace

SheetFinding FindSheet(const QImage& page, int dpiX, int dpiY) {
  if (page.isNull()) return {};
  const int xDpi = dpiX > 0 ? dpiX : 200;
  const int yDpi = dpiY > 0 ? dpiY : xDpi;
  // The cheap first look: the page reduced to about 100 dpi.
  const QSize reduced(std::max(1, page.width() * kLookDpi / xDpi), std::max(1, page.height() * kLookDpi / yDpi));
  const QImage small = Grey(page.scaled(reduced, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  bool seen = false;
  SheetFinding finding = FromCodes(Read(small), &seen);
  if (finding.kind == SheetFinding::Kind::Page && seen) {
    // A code is there but did not read small: the whole page, once.
    bool stillSeen = false;
    finding = FromCodes(Read(Grey(page)), &stillSeen);
    finding.fullRead = true;
    if (finding.kind == SheetFinding::Kind::Page && stillSeen) {
      finding.kind = SheetFinding::Kind::Unreadable;
      finding.problem = QStringLiteral("the sheet's code could not be read");
    }
  }
  if (finding.kind != SheetFinding::Kind::Page) return finding;
  if (FindPatchCode(page, xDpi, yDpi, PatchSearch::Anywhere) == PatchCode::PatchT) {
    finding.kind = SheetFinding::Kind::Separator;
    finding.record.kind = CoverRecord::Kind::Separator;
  }
  return finding;
}

}  // namespace pyxa
