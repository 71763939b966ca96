// Scanning 50 lineart pages at 300 dpi from SANE's test device into one batch file, as the
// scanning window does (our helper process, the page appended to the batch as it arrives),
// against `scanimage --batch --format=tiff` scanning the same pages in the same run. The test
// device's feeder holds 10 sheets and its widest area is 200 x 200 mm, so both sides scan five
// feeder loads of 10 pages of that area. While ours scans, a timer measures the longest time the
// event loop went without turning: what a user would feel as a frozen window.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "BenchPages.h"
#include "scan/BatchWriter.h"
#include "scan/SaneScanner.h"

namespace {

constexpr int kLoads = 5;  // feeder loads of 10 sheets
QTemporaryDir* g_dir = nullptr;
QProcessEnvironment g_environment;
qint64 g_longestStallMs = 0;
int g_pages = 0;

const QList<pyxa::OptionSetting> kSettings = {
    {QStringLiteral("source"), QStringLiteral("Automatic Document Feeder")},
    {QStringLiteral("mode"), QStringLiteral("Gray")},
    {QStringLiteral("depth"), 1},
    {QStringLiteral("resolution"), 300},
    {QStringLiteral("tl-x"), 0.0},
    {QStringLiteral("tl-y"), 0.0},
    {QStringLiteral("br-x"), 200.0},
    {QStringLiteral("br-y"), 200.0},
    {QStringLiteral("test-picture"), QStringLiteral("Grid")},  // lines to code, not a blank sheet
};

void ScanIntoBatch(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::SaneScanner scanner(QStringLiteral(PYXA_SCAN_HELPER));
    scanner.SetHelperEnvironment(g_environment);
    const QString path = g_dir->filePath(QStringLiteral("batch.tif"));
    QFile::remove(path);
    pyxa::BatchWriter writer(path);
    QObject::connect(&scanner, &pyxa::ScannerSource::PageScanned, [&](const pyxa::ScannedPage& page) {
      if (!writer.Append(page).Ok()) state.SkipWithError("a page could not be appended");
    });
    QElapsedTimer turn;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      g_longestStallMs = std::max(g_longestStallMs, turn.restart());
    });
    for (int load = 0; load < kLoads; ++load) {
      QEventLoop loop;
      QObject::connect(&scanner, &pyxa::ScannerSource::BatchEnded, &loop, &QEventLoop::quit);
      if (!scanner.StartBatch(QStringLiteral("test:0"), kSettings, 10)) state.SkipWithError("no batch");
      turn.start();
      ticker.start();
      loop.exec();
      ticker.stop();
    }
    g_pages = writer.PageCount();
  }
}

void ScanimageBaseline(benchmark::State& state) {
  for (auto _ : state) {
    QTemporaryDir out;
    for (int load = 0; load < kLoads; ++load) {
      QProcess scanimage;
      scanimage.setProcessEnvironment(g_environment);
      scanimage.start(QStringLiteral("scanimage"),
                      {QStringLiteral("-d"), QStringLiteral("test:0"), QStringLiteral("--source"),
                       QStringLiteral("Automatic Document Feeder"), QStringLiteral("--mode"), QStringLiteral("Gray"),
                       QStringLiteral("--depth"), QStringLiteral("1"), QStringLiteral("--resolution"),
                       QStringLiteral("300"), QStringLiteral("-l"), QStringLiteral("0"), QStringLiteral("-t"),
                       QStringLiteral("0"), QStringLiteral("-x"), QStringLiteral("200"), QStringLiteral("-y"),
                       QStringLiteral("200"), QStringLiteral("--test-picture"), QStringLiteral("Grid"),
                       QStringLiteral("--batch-count=10"),
                       QStringLiteral("--batch=") + out.filePath(QStringLiteral("load%1-page%d.tif").arg(load)),
                       QStringLiteral("--format=tiff")});
      if (!scanimage.waitForFinished(300000) || scanimage.exitCode() != 0) state.SkipWithError("scanimage failed");
    }
  }
}

BENCHMARK(ScanIntoBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);
BENCHMARK(ScanimageBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  // SANE's test device only: no real scanner is ever touched.
  QFile dll(dir.filePath(QStringLiteral("dll.conf")));
  if (!dll.open(QIODevice::WriteOnly) || dll.write("test\n") != 5) return 1;
  dll.close();
  g_environment = QProcessEnvironment::systemEnvironment();
  g_environment.insert(QStringLiteral("SANE_CONFIG_DIR"), dir.path());

  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double ours = times["ScanIntoBatch"];
  const double scanimage = times["ScanimageBaseline"];
  if (ours > 0 && scanimage > 0)
    std::printf("scan into batch/scanimage = %.2f   pages = %d   longest event-loop stall = %lld ms\n",
                ours / scanimage, g_pages, static_cast<long long>(g_longestStallMs));
  return 0;
}
