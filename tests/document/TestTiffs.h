// Small TIFF files for the document tests, written by libtiff: black-and-white pages in any
// compression, strip layout and byte order, and greyscale or colour pages.
#pragma once

#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <cstdint>
#include <vector>

#include "document/TiffPages.h"

namespace pyxa::testing {

struct TestPage {
  int width = 64, height = 48;
  int rowsPerStrip = 0;  // 0: one strip
  std::uint16_t compression = COMPRESSION_CCITTFAX4;
  bool resolution = true;
  int samples = 1;  // 1 with 1 bit: black and white; 1 with 8 bits: grey; 3: colour
  int bits = 1;
  bool reverseStrips = false;  // strips stored last first, so they do not lie in order
  int seed = 0;
};

// The page's pixels: a pattern that differs from seed to seed.
inline std::vector<unsigned char> PagePixels(const TestPage& p) {
  const int rowBytes = p.bits == 1 ? (p.width + 7) / 8 : p.width * p.samples;
  std::vector<unsigned char> data(std::size_t(rowBytes) * std::size_t(p.height));
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<unsigned char>((i * 7 + std::size_t(p.seed) * 13 + (i / std::size_t(rowBytes)) * 3) % 251);
  return data;
}

// Writes the pages to path; big selects big-endian.
inline bool WriteTiff(const QString& path, const std::vector<TestPage>& pages, bool big = false) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), big ? "wb" : "wl");
  if (!tif) return false;
  for (const TestPage& p : pages) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 p.samples == 3 ? PHOTOMETRIC_RGB : p.bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    const int rows = p.rowsPerStrip > 0 ? p.rowsPerStrip : p.height;
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    if (p.resolution) {
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, 200.0f);
      TIFFSetField(tif, TIFFTAG_YRESOLUTION, 100.0f);
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    const std::vector<unsigned char> data = PagePixels(p);
    const std::size_t rowBytes = data.size() / std::size_t(p.height);
    const int strips = (p.height + rows - 1) / rows;
    for (int k = 0; k < strips; ++k) {
      const int s = p.reverseStrips ? strips - 1 - k : k;
      const std::size_t first = std::size_t(s) * std::size_t(rows) * rowBytes;
      const std::size_t size = std::min(data.size() - first, std::size_t(rows) * rowBytes);
      if (TIFFWriteEncodedStrip(tif, std::uint32_t(s), const_cast<unsigned char*>(data.data() + first),
                                tmsize_t(size)) < 0)
        return TIFFClose(tif), false;
    }
    if (!TIFFWriteDirectory(tif)) return TIFFClose(tif), false;
  }
  TIFFClose(tif);
  return true;
}

// Page index of a TIFF as the viewer decodes it, in a format that compares pixel by pixel.
inline QImage Decoded(const QString& path, int index) {
  TiffPages pages;
  QImage image;
  if (!pages.Open(path).Ok() || !pages.Decode(index, 100'000'000, &image).Ok()) return {};
  return image.convertToFormat(image.isGrayscale() ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
}

// What `tiffinfo -D` (every directory, every strip decoded) says when it fails; empty when it
// reads the file cleanly.
inline QString TiffinfoComplaint(const QString& path) {
  QProcess tiffinfo;
  tiffinfo.start(QStringLiteral("tiffinfo"), {QStringLiteral("-D"), path});
  if (!tiffinfo.waitForFinished(60000)) return QStringLiteral("tiffinfo did not finish");
  const QString errors = QString::fromLocal8Bit(tiffinfo.readAllStandardError());
  if (tiffinfo.exitCode() != 0 || errors.contains(QStringLiteral("rror"))) return errors + QStringLiteral(" exit ") +
                                                                                   QString::number(tiffinfo.exitCode());
  return {};
}

}  // namespace pyxa::testing
