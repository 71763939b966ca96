// Test material and reporting shared by the benchmarks: letter pages of typed text at 300 dpi in G4
// batch files, the demo clinic, and a console reporter that keeps each case's time for the printed
// ratios.
#pragma once

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "components/DemoClinic.h"

namespace pyxa::bench {

// The demo clinic as clinic.sqlite in folder, its passwords cheap to check; empty, with the reason
// printed, when it cannot be made.
inline QString MakeDemoClinic(const QString& folder, const Clock& clock) {
  const QString path = QDir(folder).filePath(QStringLiteral("clinic.sqlite"));
  QString error;
  if (CreateDemoClinic(path, clock, error, {64})) return path;
  std::fprintf(stderr, "cannot make the demo clinic: %s\n", qPrintable(error));
  return {};
}

constexpr int kWidth = 2550;  // letter at 300 dpi
constexpr int kHeight = 3300;

// A page of typed text, thresholded to 1 bit, rows packed with black as 1 (min-is-white).
inline std::vector<unsigned char> RenderPage(int seed) {
  QImage image(kWidth, kHeight, QImage::Format_Grayscale8);
  image.fill(255);
  {
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(42);  // about 10 pt at 300 dpi
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int line = 0; line < 56; ++line) {
      QString text = QStringLiteral("Line %1 of page %2: patient seen today for follow-up, vitals stable, ")
                         .arg(line + 1)
                         .arg(seed + 1);
      text += QStringLiteral("plan discussed and the next visit in %1 weeks.").arg((seed + line) % 9 + 1);
      painter.drawText(150, 200 + line * 54, text.left(40 + (line * 7 + seed) % 60));
    }
    painter.drawRect(120, 120, kWidth - 240, kHeight - 240);
  }
  const int rowBytes = (kWidth + 7) / 8;
  std::vector<unsigned char> bits(static_cast<std::size_t>(rowBytes) * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    const uchar* line = image.constScanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      if (line[x] < 128)
        bits[static_cast<std::size_t>(y) * rowBytes + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    }
  }
  return bits;
}

inline bool MakeBatchFile(const QString& path, int pageCount) {
  std::vector<std::vector<unsigned char>> rendered;
  for (int i = 0; i < std::min(8, pageCount); ++i) rendered.push_back(RenderPage(i));
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif) return false;
  for (int page = 0; page < pageCount; ++page) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, pageCount);
    auto& bits = rendered[static_cast<std::size_t>(page) % rendered.size()];
    if (TIFFWriteEncodedStrip(tif, 0, bits.data(), static_cast<tmsize_t>(bits.size())) < 0 ||
        !TIFFWriteDirectory(tif)) {
      TIFFClose(tif);
      return false;
    }
  }
  TIFFClose(tif);
  return true;
}

// Keeps each case's time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      // A repeated benchmark's median stands for it: this machine's neighbours make single runs noisy.
      if (run.run_type == Run::RT_Iteration ||
          (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median"))
        times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

// Runs the benchmarks the command line names (all by default) and gives each one's time per
// iteration by name, for the ratios a program prints; false for an argument it does not know.
inline bool RunBenchmarks(int& argc, char** argv, std::map<std::string, double>* times) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  *times = std::move(reporter.times);
  return true;
}


}  // namespace pyxa::bench
