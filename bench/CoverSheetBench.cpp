// Finding the cover and separator sheets of a 100-page 300 dpi batch (a sheet every 10 pages)
// against decoding its pages once with libtiff, in the same run; and the first page opened and fitted
// while the batch is read for its sheets in the background against the same with nothing beside it.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchPages.h"
#include "coversheets/BatchReading.h"
#include "coversheets/CoverSheetDrawing.h"
#include "document/ImageDocument.h"
#include "coversheets/SheetFinder.h"
#include "document/TiffPages.h"

namespace {

QString g_batch;
constexpr int kPages = 100;

void DecodeBatch(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::TiffPages pages;
    pages.Open(g_batch);
    for (int i = 0; i < pages.PageCount(); ++i) {
      QImage image;
      pages.Decode(i, pyxa::kMaxPagePixels, &image);
      benchmark::DoNotOptimize(image);
    }
  }
}

int g_sheets = 0, g_fullReads = 0;

void FindSheets(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::TiffPages pages;
    pages.Open(g_batch);
    int sheets = 0, fullReads = 0;
    for (int i = 0; i < pages.PageCount(); ++i) {
      QImage image;
      pages.Decode(i, pyxa::kMaxPagePixels, &image);
      const pyxa::SheetFinding found = pyxa::FindSheet(image, 300, 300);
      if (found.kind != pyxa::SheetFinding::Kind::Page) ++sheets;
      if (found.fullRead) ++fullReads;
    }
    g_sheets = sheets;
    g_fullReads = fullReads;
  }
}

void FirstPage() {
  pyxa::ImageDocument document;
  document.Load(g_batch);
  benchmark::DoNotOptimize(document.RenderPage(document.FitScale(pyxa::PageFit::Window, QSize(1000, 800))));
}

void FirstPageAlone(benchmark::State& state) {
  for (auto _ : state) FirstPage();
}

void FirstPageWhileReading(benchmark::State& state) {
  pyxa::SheetReader reader;
  for (auto _ : state) {
    state.PauseTiming();
    reader.Start(g_batch, {});
    state.ResumeTiming();
    FirstPage();
  }
  reader.Cancel();
}

BENCHMARK(FirstPageAlone)->Unit(benchmark::kMillisecond)->Iterations(40)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(FirstPageWhileReading)->Unit(benchmark::kMillisecond)->Iterations(40)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(DecodeBatch)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(FindSheets)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

// The batch: pages of typed text, every tenth a cover sheet, all 1-bit G4 at 300 dpi.
bool MakeBatch(const QString& path) {
  if (!pyxa::bench::MakeBatchFile(path, kPages)) return false;
  const QImage sheet = pyxa::DrawCoverSheet({pyxa::CoverRecord::Kind::Cover, 4021, 3, 17, 6, QStringLiteral("O'BRIEN, Siobhan"),
                                                         QDate(1957, 3, 14)},
                                            {QStringLiteral("O'BRIEN, Siobhan"), QStringLiteral("1957-03-14")}, 300)
                           .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r+");
  if (!tif) return false;
  // Every tenth page is replaced by the sheet, written as a new directory chain would be: simpler to
  // rewrite the whole file with the sheet in those places.
  TIFFClose(tif);
  TIFF* out = TIFFOpen(QFile::encodeName(path + QStringLiteral(".tmp")).constData(), "w");
  pyxa::TiffPages pages;
  pages.Open(path);
  for (int i = 0; i < kPages; ++i) {
    QImage image;
    if (i % 10 == 0) {
      image = sheet;
    } else {
      pages.Decode(i, pyxa::kMaxPagePixels, &image);
      image = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    }
    TIFFSetField(out, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, image.width());
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, image.height());
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    // QImage's Mono keeps 1 for the second colour of its table; black is 0 after a threshold.
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, qGray(image.color(0)) < 128 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, image.height());
    TIFFSetField(out, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(out, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    for (int y = 0; y < image.height(); ++y) TIFFWriteScanline(out, image.scanLine(y), static_cast<uint32_t>(y), 0);
    TIFFWriteDirectory(out);
  }
  TIFFClose(out);
  return QFile::remove(path) && QFile::rename(path + QStringLiteral(".tmp"), path);
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_batch = dir.filePath(QStringLiteral("batch.tif"));
  if (!MakeBatch(g_batch)) {
    std::fprintf(stderr, "cannot make the batch\n");
    return 1;
  }
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  if (t["FirstPageAlone"] > 0)
    std::printf("first page while reading/alone = %.2f\n", t["FirstPageWhileReading"] / t["FirstPageAlone"]);
  if (t["DecodeBatch"] > 0)
    std::printf("find sheets/decode = %.2f   sheets found = %d of %d, %d read in full\n",
                t["FindSheets"] / t["DecodeBatch"], g_sheets, kPages / 10, g_fullReads);
  return 0;
}
