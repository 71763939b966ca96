// Small G4 TIFF files whose pages can be told apart after edits: page k (from 0) carries a
// black block at byte column 2k, which OriginalPage reads back.
#pragma once

#include "document/ImageDocument.h"

#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <vector>

namespace pyxa::testing {

// The tags of one 200 dpi Group 4 page of the given size.
inline void SetBilevelPageTags(TIFF* tiff, uint32_t width, uint32_t height) {
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 200.0);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 200.0);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

inline bool WriteMarkedTiff(const QString& path, int pages) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) return false;
  const uint32_t width = 200, height = 120;
  for (int page = 0; page < pages; ++page) {
    SetBilevelPageTags(tiff, width, height);
    std::vector<unsigned char> row(width / 8);
    for (uint32_t y = 0; y < height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      if (y >= 20 && y < 60) row[static_cast<size_t>(2 * page)] = 0xff;
      TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return true;
}

// The original page numbers (from 1) of a file's pages, in order; empty when it cannot be read.
inline std::vector<int> OriginalPages(const QString& path) {
  std::vector<int> found;
  ImageDocument document;
  if (!document.Load(path).Ok()) return found;
  for (int page = 1; page <= document.PageCount(); ++page) {
    if (!document.SetCurrentPage(page).Ok()) return {};
    const QImage image = document.CurrentImage().convertToFormat(QImage::Format_Grayscale8);
    int mark = 0;
    for (int column = 0; column < image.width(); column += 8) {
      if (qGray(image.pixel(column + 2, 40)) < 128) {
        mark = column / 16 + 1;
        break;
      }
    }
    found.push_back(mark);
  }
  return found;
}

}  // namespace pyxa::testing
