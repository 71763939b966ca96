#include "scan/ScanPageAssembler.h"

#include <QColor>
#include <cmath>
#include <cstring>

namespace pyxa {
namespace {

qsizetype MinBytesPerLine(const PageFormat& f) {
  const qsizetype channels = f.frame == scanwire::Frame::Rgb ? 3 : 1;
  return (qsizetype(f.width) * channels * f.depth + 7) / 8;
}

QImage::Format ImageFormat(const PageFormat& f) {
  if (f.frame == scanwire::Frame::Rgb) return f.depth == 16 ? QImage::Format_RGBX64 : QImage::Format_RGB888;
  if (f.depth == 1) return QImage::Format_Mono;
  return f.depth == 16 ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8;
}

int Dpi(double dpi) { return dpi > 0 && dpi < 100000 ? int(std::lround(dpi)) : 0; }

}  // namespace

bool ScanPageAssembler::Begin(const PageFormat& format) {
  data_.clear();
  expected_ = -1;
  format_ = format;
  const bool rgb = format.frame == scanwire::Frame::Rgb;
  const bool depthOk = rgb ? (format.depth == 8 || format.depth == 16)
                           : (format.depth == 1 || format.depth == 8 || format.depth == 16);
  if (!depthOk || format.width <= 0 || format.width > 1000000 || format.bytesPerLine <= 0) return false;
  if (format.lines == 0 || format.lines < -1) return false;
  if (format.bytesPerLine < MinBytesPerLine(format)) return false;
  if (format.lines > 0) {
    expected_ = qsizetype(format.lines) * format.bytesPerLine;
    if (expected_ > kMaxPageBytes) return false;
    data_.reserve(expected_);
  }
  return true;
}

bool ScanPageAssembler::Append(std::string_view data) {
  auto n = qsizetype(data.size());
  if (expected_ >= 0) {
    n = std::min(n, expected_ - data_.size());
  } else if (data_.size() + n > kMaxPageBytes) {
    return false;
  }
  data_.append(data.data(), n);
  return true;
}

double ScanPageAssembler::Fraction() const {
  if (expected_ <= 0) return -1;
  return double(data_.size()) / double(expected_);
}

std::optional<ScannedPage> ScanPageAssembler::Finish() {
  const qsizetype bpl = format_.bytesPerLine;
  const qsizetype lines = bpl > 0 ? data_.size() / bpl : 0;
  if (lines <= 0 || lines > 10000000) return std::nullopt;
  QImage image(format_.width, int(lines), ImageFormat(format_));
  if (image.isNull()) return std::nullopt;
  const bool rgb16 = format_.frame == scanwire::Frame::Rgb && format_.depth == 16;
  if (format_.depth == 1) image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // SANE lineart: 1 is black
  const qsizetype copy = MinBytesPerLine(format_);
  for (qsizetype y = 0; y < lines; ++y) {
    const char* src = data_.constData() + y * bpl;
    uchar* dst = image.scanLine(int(y));
    if (!rgb16) {
      std::memcpy(dst, src, size_t(copy));
      continue;
    }
    auto* out = reinterpret_cast<quint16*>(dst);
    for (int x = 0; x < format_.width; ++x) {
      quint16 rgbSamples[3];
      std::memcpy(rgbSamples, src + qsizetype(x) * 6, sizeof rgbSamples);
      out[4 * x] = rgbSamples[0];
      out[4 * x + 1] = rgbSamples[1];
      out[4 * x + 2] = rgbSamples[2];
      out[4 * x + 3] = 0xFFFF;
    }
  }
  ScannedPage page;
  page.xDpi = Dpi(format_.xDpi);
  page.yDpi = Dpi(format_.yDpi);
  if (page.xDpi > 0) image.setDotsPerMeterX(int(std::lround(page.xDpi / 0.0254)));
  if (page.yDpi > 0) image.setDotsPerMeterY(int(std::lround(page.yDpi / 0.0254)));
  page.image = std::move(image);
  data_.clear();
  return page;
}

}  // namespace pyxa
