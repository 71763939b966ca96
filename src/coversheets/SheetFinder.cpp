#include "coversheets/SheetFinder.h"

#include <cstdint>
#include <cstring>

#include "scan/processing/PatchCodes.h"

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <vector>

namespace pyxa {

namespace {

// The page reduced by a whole factor for the first look (a 2 in. code of 33 modules keeps 4 pixels a
// module at 75 dpi). A scanned page is mostly 1-bit: its black
// pixels are counted block by block straight from the bits, much faster than a general scaling.
QImage Reduced(const QImage& page, int factor) {
  if (factor <= 1) return page.convertToFormat(QImage::Format_Grayscale8);
  if (page.format() != QImage::Format_Mono && page.format() != QImage::Format_MonoLSB) {
    return page.convertToFormat(QImage::Format_Grayscale8)
        .scaled(page.width() / factor, page.height() / factor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  const bool lsb = page.format() == QImage::Format_MonoLSB;
  const bool oneIsBlack = page.colorCount() == 2 && qGray(page.color(1)) < qGray(page.color(0));
  const int width = page.width() / factor;
  const int height = page.height() / factor;
  QImage small(width, height, QImage::Format_Grayscale8);
  std::vector<int> black(static_cast<size_t>(width));
  const int cells = factor * factor;
  // The grey of a block by its count of black pixels, worked out once: a division per pixel of the
  // reduced page was a third of the first look's own time.
  std::vector<uchar> grey(static_cast<size_t>(cells) + 1);
  for (int count = 0; count <= cells; ++count) grey[static_cast<size_t>(count)] = static_cast<uchar>(255 - 255 * count / cells);
  const int used = width * factor;  // pixels of a row that fall into whole blocks
  const int bytes = (used + 7) / 8;
  for (int y = 0; y < height; ++y) {
    std::fill(black.begin(), black.end(), 0);
    for (int row = 0; row < factor; ++row) {
      const uchar* bits = page.constScanLine(y * factor + row);
      for (int b = 0; b < bytes; ++b) {
        // Sixty-four white pixels at a time: most of a page.
        if ((b & 7) == 0 && b + 8 <= bytes) {
          std::uint64_t word = 0;
          std::memcpy(&word, bits + b, sizeof word);
          if ((oneIsBlack ? word : ~word) == 0) {
            b += 7;
            continue;
          }
        }
        const uchar value = oneIsBlack ? bits[b] : static_cast<uchar>(~bits[b]);
        if (value == 0) continue;  // eight white pixels
        if (!lsb && (factor == 2 || factor == 4) && (b + 1) * 8 <= used) {
          // Whole blocks within the byte: count them a group of bits at a time.
          const int groups = 8 / factor;
          const unsigned mask = (1u << factor) - 1;
          static constexpr int kBitsIn[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
          for (int g = 0; g < groups; ++g)
            black[static_cast<size_t>(b * groups + g)] += kBitsIn[(value >> (8 - factor * (g + 1))) & mask];
          continue;
        }
        for (int k = 0; k < 8; ++k) {
          const int x = b * 8 + k;
          if (x < used && ((lsb ? value >> k : value >> (7 - k)) & 1)) ++black[static_cast<size_t>(x / factor)];
        }
      }
    }
    uchar* out = small.scanLine(y);
    for (int x = 0; x < width; ++x) out[x] = grey[static_cast<size_t>(black[static_cast<size_t>(x)])];
  }
  return small;
}

QImage Grey(const QImage& page) {
  return page.format() == QImage::Format_Grayscale8 ? page : page.convertToFormat(QImage::Format_Grayscale8);
}

// hard: the full page, read the thorough way. counted: a quick look counted from a bilevel page.
ZXing::Results Read(const QImage& grey, ZXing::BarcodeFormats formats, bool hard, bool counted) {
  ZXing::DecodeHints hints;
  hints.setFormats(formats);
  // A 2D code reads in any orientation; the marker is only ever upright or upside down.
  hints.setTryRotate(false);
  hints.setTryHarder(hard);
  // A look counted from a bilevel scan has no shading for a local threshold to even out: a fixed one
  // splits it as well, at a fraction of the cost. Grey and colour pages keep the local one.
  if (counted) hints.setBinarizer(ZXing::Binarizer::FixedThreshold);
  hints.setMaxNumberOfSymbols(formats == ZXing::BarcodeFormat::Code128 ? 1 : 4);
  // ZXing 1.4 fails an assertion merging a linear code found on a downscaled copy with the same code
  // found full size.
  hints.setTryDownscale(false);
  const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                              static_cast<int>(grey.bytesPerLine()));
  return ZXing::ReadBarcodes(view, hints);
}

// Whether the reduced page has a bar as a patch sheet does: black at least 0.7 in long and at least
// 0.06 in thick, across or down. Text and ruled lines have none, so the patch search (the dearest
// step) runs on patch sheets and a few dark pages only.
bool MayBePatchSheet(const QImage& grey, int dpi) {
  const int width = grey.width();
  const int height = grey.height();
  const int length = std::max(2, dpi * 7 / 10);
  const int thickness = std::max(2, dpi * 6 / 100);
  std::vector<int> columnRun(static_cast<size_t>(width), 0);     // black run down each column so far
  std::vector<int> longColumns(static_cast<size_t>(width), 0);   // how many columns in a row end a long run
  int thickRows = 0;
  int bandColumns = 0;
  bool runsDown = false;  // some column has a black run going on
  for (int y = 0; y < height; ++y) {
    const uchar* line = grey.constScanLine(y);
    // A white row ends every run: nothing to look at (most rows of a typed page between its lines).
    if (std::all_of(line, line + width, [](uchar value) { return value >= 128; })) {
      if (runsDown) std::fill(columnRun.begin(), columnRun.end(), 0);
      runsDown = false;
      thickRows = 0;
      continue;
    }
    runsDown = true;
    int run = 0, longest = 0;
    for (int x = 0; x < width; ++x) {
      const bool black = line[x] < 128;
      run = black ? run + 1 : 0;
      longest = std::max(longest, run);
      int& down = columnRun[static_cast<size_t>(x)];
      down = black ? down + 1 : 0;
      // A column whose run just reached the bar length: count it towards a band of such columns.
      if (down == length) ++longColumns[static_cast<size_t>(x)];
    }
    thickRows = longest >= length ? thickRows + 1 : 0;
    if (thickRows >= thickness) return true;
  }
  for (int x = 0; x < width; ++x) {
    bandColumns = longColumns[static_cast<size_t>(x)] > 0 ? bandColumns + 1 : 0;
    if (bandColumns >= thickness) return true;
  }
  return false;
}

// The record's code first; the marker only where no record read.
ZXing::Results Read(const QImage& grey, bool hard, bool counted) {
  ZXing::Results codes = Read(grey, ZXing::BarcodeFormat::QRCode, hard, counted);
  for (const ZXing::Result& code : codes)
    if (ReadCoverRecord(QString::fromStdWString(code.text())).status != CoverReading::Status::NotOurs) return codes;
  for (ZXing::Result& marker : Read(grey, ZXing::BarcodeFormat::Code128, hard, counted)) codes.push_back(std::move(marker));
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
  int xDpi = dpiX > 0 ? dpiX : 200;
  int yDpi = dpiY > 0 ? dpiY : xDpi;
  // A resolution beyond any scanner's, or a pair far more uneven than a fax's (about 2 to 1), comes
  // from a damaged file and says nothing of the page: taken as unknown. Evened out, such a page
  // would be stretched to billions of pixels, beyond what Qt can scale.
  constexpr int kMostDpi = 9600;
  constexpr int kMostUneven = 4;
  if (std::max(xDpi, yDpi) > kMostDpi || std::max(xDpi, yDpi) > kMostUneven * std::min(xDpi, yDpi)) xDpi = yDpi = 200;
  // The cheap first look: the page reduced to about 75 dpi (a fax's uneven resolution evened out).
  // A whole factor of 4 from 300 dpi and 2 from 200 dpi: 75 and 100 dpi, counted fast.
  const int lowest = std::min(xDpi, yDpi);
  QImage look = Reduced(page, lowest >= 250 ? 4 : lowest >= 150 ? 2 : 1);
  if (xDpi != yDpi && !look.isNull())
    look = look.scaled(look.width(), static_cast<int>(qint64{look.height()} * xDpi / yDpi), Qt::IgnoreAspectRatio,
                       Qt::SmoothTransformation);
  bool seen = false;
  const bool bilevel = page.format() == QImage::Format_Mono || page.format() == QImage::Format_MonoLSB;
  SheetFinding finding = FromCodes(Read(look, false, bilevel), &seen);
  if (finding.kind == SheetFinding::Kind::Page && seen) {
    // The marker shows a sheet whose code did not read small: the whole page, once, the hard way.
    bool stillSeen = false;
    finding = FromCodes(Read(Grey(page), true, false), &stillSeen);
    finding.fullRead = true;
    if (finding.kind == SheetFinding::Kind::Page && stillSeen) {
      finding.kind = SheetFinding::Kind::Unreadable;
      finding.problem = QStringLiteral("the sheet's code could not be read");
    }
  }
  if (finding.kind != SheetFinding::Kind::Page) return finding;
  // Patch bars are a fifth of an inch wide: the reduced look shows them as well as the page.
  const int lookDpi = page.width() > 0 ? static_cast<int>(qint64{xDpi} * look.width() / page.width()) : xDpi;
  if (MayBePatchSheet(look, lookDpi) && FindPatchCode(look, lookDpi, lookDpi, PatchSearch::Anywhere) == PatchCode::PatchT) {
    finding.kind = SheetFinding::Kind::Separator;
    finding.record.kind = CoverRecord::Kind::Separator;
    finding.patch = true;
  }
  return finding;
}

}  // namespace pyxa
