#include "scan/processing/PixImage.h"

#include <QPainter>
#include <cstring>

namespace pyxa {

namespace {

// Both sides keep rows in 32-bit aligned lines; Leptonica reads them as native 32-bit words with the
// first pixel in the high byte, so on a little-endian machine each word's bytes are swapped.
PixPtr CopyRows(const QImage& image, int depth) {
  PixPtr pix(pixCreate(image.width(), image.height(), depth));
  if (!pix) return nullptr;
  const auto rowBytes = static_cast<std::size_t>(pixGetWpl(pix.get())) * 4;
  const auto copied = std::min(rowBytes, static_cast<std::size_t>(image.bytesPerLine()));
  auto* data = reinterpret_cast<unsigned char*>(pixGetData(pix.get()));
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(data + rowBytes * std::size_t(y), image.constScanLine(y), copied);
  pixEndianByteSwap(pix.get());
  return pix;
}

bool IndexZeroIsDark(const QImage& image) {
  if (image.colorCount() < 2) return false;
  return qGray(image.color(0)) < qGray(image.color(1));
}

}  // namespace

PixPtr PixFromImage(const QImage& source) {
  if (source.isNull()) return nullptr;
  switch (source.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB: {
      const QImage mono = source.convertToFormat(QImage::Format_Mono);
      PixPtr pix = CopyRows(mono, 1);
      // Leptonica's 1 is black; a table with black first has the bits the other way round.
      if (pix && IndexZeroIsDark(mono)) pixInvert(pix.get(), pix.get());
      if (pix) pixSetPadBits(pix.get(), 0);
      return pix;
    }
    case QImage::Format_Grayscale8:
      return CopyRows(source, 8);
    case QImage::Format_Grayscale16:
      return CopyRows(source.convertToFormat(QImage::Format_Grayscale8), 8);
    default:
      break;
  }
  if (source.format() == QImage::Format_Indexed8 && source.allGray())
    return CopyRows(source.convertToFormat(QImage::Format_Grayscale8), 8);
  QImage rgb;
  if (source.hasAlphaChannel()) {
    rgb = QImage(source.size(), QImage::Format_RGB32);
    rgb.fill(Qt::white);
    QPainter painter(&rgb);
    painter.drawImage(0, 0, source);
  } else {
    rgb = source.convertToFormat(QImage::Format_RGB32);
  }
  PixPtr pix(pixCreate(rgb.width(), rgb.height(), 32));
  if (!pix) return nullptr;
  const int wpl = pixGetWpl(pix.get());
  l_uint32* data = pixGetData(pix.get());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    l_uint32* out = data + std::size_t(wpl) * std::size_t(y);
    for (int x = 0; x < rgb.width(); ++x) out[x] = (l_uint32(in[x]) << 8) | 0xFF;  // RRGGBBAA
  }
  return pix;
}

QImage ImageFromPix(PIX* source) {
  if (!source) return QImage();
  PixPtr expanded;
  PIX* pix = source;
  if (pixGetColormap(pix)) {
    expanded.reset(pixRemoveColormap(pix, REMOVE_CMAP_BASED_ON_SRC));
    if (!expanded) return QImage();
    pix = expanded.get();
  }
  const int width = pixGetWidth(pix), height = pixGetHeight(pix), depth = pixGetDepth(pix);
  const int wpl = pixGetWpl(pix);
  const l_uint32* data = pixGetData(pix);
  if (depth == 1 || depth == 8) {
    QImage image(width, height, depth == 1 ? QImage::Format_Mono : QImage::Format_Grayscale8);
    if (image.isNull()) return QImage();
    if (depth == 1) image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const auto rowBytes = std::min(static_cast<std::size_t>(wpl) * 4, static_cast<std::size_t>(image.bytesPerLine()));
    for (int y = 0; y < height; ++y) {
      const l_uint32* line = data + std::size_t(wpl) * std::size_t(y);
      uchar* out = image.scanLine(y);
      // Word by word into the image's byte order (high byte first), whatever the machine's.
      for (std::size_t b = 0; b < rowBytes; ++b) out[b] = static_cast<uchar>(line[b / 4] >> (24 - 8 * (b % 4)));
    }
    return image;
  }
  if (depth == 32) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return QImage();
    for (int y = 0; y < height; ++y) {
      const l_uint32* line = data + std::size_t(wpl) * std::size_t(y);
      auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) out[x] = 0xFF000000u | (line[x] >> 8);
    }
    return image;
  }
  return QImage();
}

}  // namespace pyxa
