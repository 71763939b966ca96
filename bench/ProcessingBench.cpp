// Cost of the production scanner's processing chain on a 300 dpi letter page (typed text, a Code 128
// label, a scanner border, fed 1.5 degrees askew): deskew, black border, despeckle and bar codes, against
// one Group 4 decode of the same page with libtiff (the baseline), the least any page of a batch costs.
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchPages.h"
#include "scan/processing/PageProcessor.h"

namespace {

using pyxa::bench::kHeight;
using pyxa::bench::kWidth;

QImage g_page;     // as the scanner hands it over: Format_Mono, white as index 0
QString g_g4Path;  // the same page as a one-strip Group 4 TIFF
pyxa::ProcessingSettings g_settings;

QImage ScannedPage() {
  const std::vector<unsigned char> bits = pyxa::bench::RenderPage(0);
  const std::size_t rowBytes = (kWidth + 7) / 8;
  QImage grey(kWidth, kHeight, QImage::Format_Grayscale8);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      grey.scanLine(y)[x] = (bits[rowBytes * std::size_t(y) + std::size_t(x / 8)] & (0x80 >> (x % 8))) ? 0 : 255;
  {
    QPainter painter(&grey);
    painter.fillRect(1400, 140, 1000, 180, Qt::white);  // room for the label
    const ZXing::BitMatrix code =
        ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128).setMargin(0).encode("PYXA-2026-000417", 0, 1);
    for (int x = 0; x < code.width(); ++x)
      if (code.get(x, 0)) painter.fillRect(1450 + x * 3, 160, 3, 140, Qt::black);
  }
  QImage fed(kWidth, kHeight, QImage::Format_Grayscale8);
  fed.fill(0);  // the scanner's black backing shows round the paper
  {
    QPainter painter(&fed);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(kWidth / 2.0, kHeight / 2.0);
    painter.rotate(1.5);
    painter.scale(0.97, 0.97);
    painter.drawImage(QPointF(-kWidth / 2.0, -kHeight / 2.0), grey);
  }
  QImage mono(kWidth, kHeight, QImage::Format_Mono);
  mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  mono.fill(0);
  for (int y = 0; y < kHeight; ++y) {
    const uchar* line = fed.constScanLine(y);
    for (int x = 0; x < kWidth; ++x)
      if (line[x] < 128 || (x * 31 + y * 17) % 4001 == 0) mono.setPixel(x, y, 1);  // and some dust
  }
  return mono;
}

bool WriteG4(const QImage& page, const QString& path) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif) return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, page.width());
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, page.height());
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.height());
  // Rows packed to whole bytes, as a TIFF strip holds them (the image pads its rows to 32 bits).
  const std::size_t rowBytes = std::size_t(page.width() + 7) / 8;
  std::vector<unsigned char> bits(rowBytes * std::size_t(page.height()));
  for (int y = 0; y < page.height(); ++y)
    std::copy_n(page.constScanLine(y), rowBytes, bits.begin() + std::ptrdiff_t(rowBytes) * y);
  const bool ok = TIFFWriteEncodedStrip(tif, 0, bits.data(), tmsize_t(bits.size())) >= 0 && TIFFWriteDirectory(tif);
  TIFFClose(tif);
  return ok;
}

void ProcessPage(benchmark::State& state) {
  const pyxa::PageProcessor processor;
  pyxa::ProcessedPage out;
  for (auto _ : state) {
    out = processor.Process(g_page, 300, 300, g_settings, 1);
    benchmark::DoNotOptimize(out.image.constBits());
  }
  // A chain that skipped its work would look fast: every step must have done it.
  if (out.barCodes.size() != 1 || !out.notes.isEmpty()) state.SkipWithError("the chain did not do its work");
}

void G4Decode(benchmark::State& state) {
  const QByteArray path = QFile::encodeName(g_g4Path);
  std::vector<unsigned char> bits(std::size_t((kWidth + 7) / 8) * kHeight);
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(path.constData(), "r");
    if (!tif || TIFFReadEncodedStrip(tif, 0, bits.data(), tmsize_t(bits.size())) < 0) {
      if (tif) TIFFClose(tif);
      state.SkipWithError("libtiff could not decode the page");
      break;
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(bits.data());
  }
}

BENCHMARK(ProcessPage)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(G4Decode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_page = ScannedPage();
  g_g4Path = dir.filePath(QStringLiteral("page.tif"));
  if (!WriteG4(g_page, g_g4Path)) {
    std::fprintf(stderr, "cannot write the Group 4 page\n");
    return 1;
  }
  g_settings.deskew.enabled = true;
  g_settings.blackBorder.enabled = true;
  g_settings.despeckle.enabled = true;
  g_settings.barCodes.enabled = true;
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double ours = times["ProcessPage"];
  const double baseline = times["G4Decode"];
  if (ours > 0 && baseline > 0) std::printf("chain %.1f ms per page; chain/G4 decode = %.1f\n", ours, ours / baseline);
  return 0;
}
