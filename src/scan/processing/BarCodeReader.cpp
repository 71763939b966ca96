#include "scan/processing/BarCodeReader.h"

#define ZX_USE_UTF8
#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <array>
#include <utility>

#include "scan/processing/ProcessingSettings.h"

namespace pyxa {

namespace {

// Our symbology code for each of ZXing's formats that we take.
constexpr std::array<std::pair<ZXing::BarcodeFormat, int>, 9> kFormats = {{
    {ZXing::BarcodeFormat::Codabar, 0},
    {ZXing::BarcodeFormat::Code128, 1},
    {ZXing::BarcodeFormat::Code39, 2},
    {ZXing::BarcodeFormat::Code93, 3},
    {ZXing::BarcodeFormat::EAN13, 4},
    {ZXing::BarcodeFormat::EAN8, 4},
    {ZXing::BarcodeFormat::ITF, 5},
    {ZXing::BarcodeFormat::UPCA, 8},
    {ZXing::BarcodeFormat::UPCE, 9},
}};

int CodeOf(ZXing::BarcodeFormat format) {
  for (const auto& [zx, code] : kFormats)
    if (zx == format) return code;
  return -1;
}

}  // namespace

bool BarCodeTypeReadable(int code) {
  return std::any_of(kFormats.begin(), kFormats.end(), [code](const auto& entry) { return entry.second == code; });
}

QList<FoundBarCode> ReadBarCodes(const QImage& page, std::uint32_t types, QString* note) {
  ZXing::BarcodeFormats formats;
  for (const auto& [zx, code] : kFormats)
    if (types & BarCodeTypeBit(code)) formats |= zx;
  if (formats.empty()) {
    if (note) *note = QStringLiteral("none of the chosen bar code types can be read");
    return {};
  }
  if (page.isNull()) return {};
  const bool bilevel = page.depth() == 1;
  const QImage grey =
      page.format() == QImage::Format_Grayscale8 ? page : page.convertToFormat(QImage::Format_Grayscale8);
  QList<FoundBarCode> found;
  try {
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    // Linear codes on a page scanned at office resolutions lose their narrow bars when scaled down.
    hints.setTryDownscale(false);
    // A bilevel page needs no threshold of its own; a grey one gets ZXing's local one.
    hints.setBinarizer(bilevel ? ZXing::Binarizer::FixedThreshold : ZXing::Binarizer::LocalAverage);
    const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                int(grey.bytesPerLine()));
    for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints)) {
      const int code = CodeOf(result.format());
      if (!result.isValid() || code < 0) continue;
      const auto& corners = result.position();
      FoundBarCode bar;
      bar.type = code;
      bar.left = corners[0].x;
      bar.top = corners[0].y;
      for (const auto& corner : corners) {
        bar.left = std::min(bar.left, corner.x);
        bar.top = std::min(bar.top, corner.y);
      }
      bar.value = QString::fromStdString(result.text()).trimmed();
      found.append(bar);
    }
  } catch (...) {
    // The reader is a library of its own: whatever it throws ends the reading of this page only.
    if (note) *note = QStringLiteral("bar code reading failed on this page");
  }
  return found;
}

}  // namespace pyxa
