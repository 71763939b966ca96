// Cost of scanning a batch page by page: our writer, which leaves a whole TIFF on disk after every page
// (each page is written after the batch's end and synced, then linked in and synced), against libtiff
// writing the same pages into one multi-page TIFF in one go (the baseline). The first and last append
// times show whether a page's cost grows with the batch; a colour batch shows it where pages are large.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchPages.h"
#include "scan/BatchWriter.h"

namespace {

constexpr int kPages = 50;
constexpr int kDistinctPages = 8;
constexpr int kColourPages = 30;  // a thick colour batch: where rewriting the grown batch costs most

QTemporaryDir* g_dir = nullptr;
std::vector<std::vector<unsigned char>> g_bits;  // rows packed, black as 1
std::vector<QImage> g_images;                     // the same pages as the scanner hands them over
std::vector<QImage> g_colour;                     // letter pages at 200 dpi in colour

QImage ColourPage(int seed) {
  QImage page(1700, 2200, QImage::Format_RGB888);
  page.fill(QColor(250, 248, 240));
  QPainter painter(&page);
  painter.fillRect(100, 100, 1500, 180, QColor(30 + seed * 20, 90, 160));
  painter.setPen(QColor(20, 20, 60));
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPixelSize(28);
  painter.setFont(font);
  for (int line = 0; line < 60; ++line)
    painter.drawText(120, 360 + line * 30, QStringLiteral("Colour form %1, line %2: results and remarks").arg(seed).arg(line));
  painter.end();
  return page;
}

QImage AsScannedImage(const std::vector<unsigned char>& bits) {
  using pyxa::bench::kHeight;
  using pyxa::bench::kWidth;
  QImage image(kWidth, kHeight, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  const std::size_t rowBytes = (kWidth + 7) / 8;
  for (int y = 0; y < kHeight; ++y) std::memcpy(image.scanLine(y), bits.data() + rowBytes * std::size_t(y), rowBytes);
  return image;
}

void AppendBatch(benchmark::State& state) {
  const QString path = g_dir->filePath(QStringLiteral("Batch_20260309_103000.tif"));
  long long bytes = 0;
  double firstMs = 0, lastMs = 0;  // whether a page costs more as the batch grows
  for (auto _ : state) {
    QFile::remove(path);
    pyxa::BatchWriter writer(path);
    for (int page = 0; page < kPages; ++page) {
      QElapsedTimer clock;
      clock.start();
      const pyxa::BatchAppendResult result = writer.Append({g_images[std::size_t(page % kDistinctPages)], 300, 300});
      if (!result.Ok()) {
        state.SkipWithError(result.message.toStdString().c_str());
        break;
      }
      bytes = result.pageBytes;
      (page == 0 ? firstMs : lastMs) = double(clock.nsecsElapsed()) / 1e6;
    }
  }
  state.counters["last page bytes"] = double(bytes);
  state.counters["batch bytes"] = double(QFile(path).size());
  state.counters["first append ms"] = firstMs;
  state.counters["last append ms"] = lastMs;
}

void AppendColourBatch(benchmark::State& state) {
  const QString path = g_dir->filePath(QStringLiteral("Batch_20260309_110000.tif"));
  double firstMs = 0, lastMs = 0;
  for (auto _ : state) {
    QFile::remove(path);
    pyxa::BatchWriter writer(path);
    for (int page = 0; page < kColourPages; ++page) {
      QElapsedTimer clock;
      clock.start();
      if (!writer.Append({g_colour[std::size_t(page % kDistinctPages)], 200, 200}).Ok()) {
        state.SkipWithError("append failed");
        break;
      }
      (page == 0 ? firstMs : lastMs) = double(clock.nsecsElapsed()) / 1e6;
    }
  }
  state.counters["batch bytes"] = double(QFile(path).size());
  state.counters["first append ms"] = firstMs;
  state.counters["last append ms"] = lastMs;
}

void LibtiffBaseline(benchmark::State& state) {
  const QByteArray path = QFile::encodeName(g_dir->filePath(QStringLiteral("baseline.tif")));
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(path.constData(), "w");
    if (!tif) {
      state.SkipWithError("cannot open the baseline file");
      break;
    }
    for (int page = 0; page < kPages; ++page) {
      TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
      TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, pyxa::bench::kWidth);
      TIFFSetField(tif, TIFFTAG_IMAGELENGTH, pyxa::bench::kHeight);
      TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
      TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
      TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 20000);
      TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
      TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0f);
      TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
      auto& bits = g_bits[std::size_t(page % kDistinctPages)];
      if (TIFFWriteEncodedStrip(tif, 0, bits.data(), static_cast<tmsize_t>(bits.size())) < 0 ||
          !TIFFWriteDirectory(tif)) {
        state.SkipWithError("libtiff failed");
        break;
      }
    }
    ::fsync(TIFFFileno(tif));  // a saved file, as the batch is after every page
    TIFFClose(tif);
  }
}

BENCHMARK(AppendBatch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AppendColourBatch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LibtiffBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  for (int i = 0; i < kDistinctPages; ++i) {
    g_bits.push_back(pyxa::bench::RenderPage(i));
    g_images.push_back(AsScannedImage(g_bits.back()));
    g_colour.push_back(ColourPage(i));
  }
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double ours = times["AppendBatch"];
  const double baseline = times["LibtiffBaseline"];
  if (ours > 0 && baseline > 0) std::printf("append/baseline = %.2f\n", ours / baseline);
  return 0;
}
