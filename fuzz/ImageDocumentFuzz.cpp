// libFuzzer target for the page engine: any bytes, loaded as a file, must give a viewer code or
// pages, never a crash, a hang or runaway memory. Built with PYXA_FUZZ_SEEDS it is instead a small
// program that writes the seed files (tiny TIFFs in every codec, a multi-page file, a JPG).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QString>
#include <tiffio.h>
#include <unistd.h>

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "document/ImageDocument.h"

#ifndef PYXA_FUZZ_SEEDS

namespace {

QString InputPath() {
  const QString folder = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                   : QDir::tempPath();
  return folder + QStringLiteral("/pyxa-fuzz-%1.bin").arg(::getpid());
}

}  // namespace

// Qt's JPEG reader reports every damaged stream on stderr; the fuzzer's own output matters more.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QString path = InputPath();
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  pyxa::ImageDocument doc;
  doc.SetPixelBudget(4'000'000);  // small pages only: keeps each run fast and bounded
  if (!doc.Load(path).Ok()) return 0;
  const int pages = std::min(doc.PageCount(), 8);
  for (int page = 1; page <= pages; ++page) {
    if (!doc.SetCurrentPage(page).Ok()) continue;
    const double fit = doc.FitScale(pyxa::PageFit::Window, QSize(300, 400));
    if (fit > 0 && fit <= 64) doc.RenderPage(fit);
    doc.Rotate(90);
    doc.RenderPage(0.5);
  }
  doc.DeletePages(1, 1);
  doc.Undo();
  return 0;
}

#else

namespace {

// Page p carries Orientation orientation + p (wrapping within 1-8).
void WriteTiff(const QString& path, int bits, int compression, int pages, bool tiled = false,
               int orientation = ORIENTATION_TOPLEFT) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif) return;
  const int width = 24, height = 16;
  for (int p = 0; p < pages; ++p) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits == 1 ? 1 : 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, bits == 24 ? 3 : 1);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, bits == 1    ? PHOTOMETRIC_MINISWHITE
                                           : bits == 24 ? PHOTOMETRIC_RGB
                                                        : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 98.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, uint16_t(1 + (orientation - 1 + p) % 8));
    const int rowBytes = bits == 1 ? (width + 7) / 8 : width * bits / 8;
    std::vector<uint8_t> rows(static_cast<size_t>(rowBytes * height));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = uint8_t(i * 37 + size_t(p) * 11);
    if (tiled) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
      std::vector<uint8_t> tile(static_cast<size_t>(TIFFTileSize(tif)), 0x5A);
      for (int x = 0; x < width; x += 16)
        TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, uint32_t(x), 0, 0, 0), tile.data(),
                             tmsize_t(tile.size()));
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
      for (int y = 0; y < height; ++y)
        TIFFWriteScanline(tif, rows.data() + size_t(y) * size_t(rowBytes), uint32_t(y), 0);
    }
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  auto seed = [&folder](const char* name) { return folder.filePath(QString::fromUtf8(name)); };
  WriteTiff(seed("bilevel.tif"), 1, COMPRESSION_NONE, 1);
  WriteTiff(seed("g3.tif"), 1, COMPRESSION_CCITTFAX3, 1);
  WriteTiff(seed("g4.tif"), 1, COMPRESSION_CCITTFAX4, 3);
  WriteTiff(seed("lzw.tif"), 1, COMPRESSION_LZW, 1);
  WriteTiff(seed("packbits.tif"), 1, COMPRESSION_PACKBITS, 2);
  WriteTiff(seed("tiled.tif"), 1, COMPRESSION_NONE, 1, true);
  WriteTiff(seed("grey.tif"), 8, COMPRESSION_ADOBE_DEFLATE, 1);
  WriteTiff(seed("rgb.tif"), 24, COMPRESSION_LZW, 1);
  WriteTiff(seed("jpeg.tif"), 24, COMPRESSION_JPEG, 1);
  WriteTiff(seed("oriented.tif"), 1, COMPRESSION_CCITTFAX4, 8, false, ORIENTATION_TOPRIGHT);
  QImage photo(20, 12, QImage::Format_RGB32);
  photo.fill(qRgb(180, 40, 90));
  photo.save(seed("photo.jpg"), "JPG", 60);
  return 0;
}

#endif
