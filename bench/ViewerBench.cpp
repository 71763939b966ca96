// The viewer's costs on 300 dpi letter G4 batches, each against a baseline in the same run:
// open and fit page 1 against libtiff decoding that page's strips; a repaint and a zoom step
// against one decode; a page turn in a 200-page file against one decode; opening a 500-page
// file against opening a 1-page file.
#include <tiffio.h>

#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "BenchPages.h"
#include "document/ImageDocument.h"

namespace {

QString g_one, g_two_hundred, g_five_hundred;
const QSize kView(1000, 800);

void RawStripDecode(benchmark::State& state) {
  for (auto _ : state) {
    TIFF* tif = TIFFOpen(QFile::encodeName(g_one).constData(), "r");
    std::vector<unsigned char> buffer(static_cast<std::size_t>(TIFFStripSize(tif)));
    for (tstrip_t strip = 0; strip < TIFFNumberOfStrips(tif); ++strip) {
      benchmark::DoNotOptimize(TIFFReadEncodedStrip(tif, strip, buffer.data(), -1));
    }
    TIFFClose(tif);
  }
}

void OpenAndFitPageOne(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::ImageDocument document;
    document.Load(g_one);
    benchmark::DoNotOptimize(document.RenderPage(document.FitScale(pyxa::PageFit::Window, kView)));
  }
}

void RepaintFitted(benchmark::State& state) {
  pyxa::ImageDocument document;
  document.Load(g_one);
  const double scale = document.FitScale(pyxa::PageFit::Window, kView);
  document.RenderPage(scale);
  for (auto _ : state) benchmark::DoNotOptimize(document.RenderPage(scale));
}

// Every step goes to a level not among the kept renders, so each one renders afresh from the
// page held decoded.
void ZoomStep(benchmark::State& state) {
  pyxa::ImageDocument document;
  document.Load(g_one);
  const double levels[] = {0.25, 0.3, 0.35, 0.4, 0.45, 0.5, 0.55, 0.6};
  std::size_t step = 0;
  for (auto _ : state) benchmark::DoNotOptimize(document.RenderPage(levels[++step % std::size(levels)]));
}

void PageTurnIn200(benchmark::State& state) {
  pyxa::ImageDocument document;
  document.Load(g_two_hundred);
  const double scale = document.FitScale(pyxa::PageFit::Window, kView);
  int page = 1;
  for (auto _ : state) {
    page = page % 200 + 1;
    document.SetCurrentPage(page);
    benchmark::DoNotOptimize(document.RenderPage(scale));
  }
}

void OpenOnePage(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::ImageDocument document;
    benchmark::DoNotOptimize(document.Load(g_one));
  }
}

void OpenFiveHundredPages(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::ImageDocument document;
    benchmark::DoNotOptimize(document.Load(g_five_hundred));
  }
}

BENCHMARK(RawStripDecode)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(OpenAndFitPageOne)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(RepaintFitted)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ZoomStep)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(PageTurnIn200)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(OpenOnePage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(OpenFiveHundredPages)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_one = dir.filePath(QStringLiteral("one.tif"));
  g_two_hundred = dir.filePath(QStringLiteral("two-hundred.tif"));
  g_five_hundred = dir.filePath(QStringLiteral("five-hundred.tif"));
  if (!pyxa::bench::MakeBatchFile(g_one, 1) || !pyxa::bench::MakeBatchFile(g_two_hundred, 200) ||
      !pyxa::bench::MakeBatchFile(g_five_hundred, 500)) {
    std::fprintf(stderr, "cannot make the batch files\n");
    return 1;
  }
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  const double decode = t["RawStripDecode"];
  if (decode > 0 && t["OpenOnePage"] > 0) {
    std::printf("open+fit/decode = %.2f   repaint/decode = %.3f   zoom/decode = %.3f   turn/decode = %.2f   "
                "open500/open1 = %.2f\n",
                t["OpenAndFitPageOne"] / decode, t["RepaintFitted"] / decode, t["ZoomStep"] / decode,
                t["PageTurnIn200"] / decode, t["OpenFiveHundredPages"] / t["OpenOnePage"]);
  }
  return 0;
}
