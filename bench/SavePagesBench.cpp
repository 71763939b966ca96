// Cost of saving a scanned batch after deleting one page: our page writer against tiffcp (which decodes and
// re-encodes every page) and against a plain byte copy with fsync (the floor for any save).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "document/TiffPageWriter.h"

extern char** environ;

namespace {

constexpr int kPages = 100;
constexpr int kWidth = 2550;  // letter at 300 dpi
constexpr int kHeight = 3300;

QTemporaryDir* g_dir = nullptr;
QString g_source;

QString Path(const char* name) { return g_dir->filePath(QString::fromLatin1(name)); }

// A page of typed text, thresholded to 1 bit, rows packed with black as 1 (min-is-white).
std::vector<unsigned char> RenderPage(int seed) {
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

bool MakeBatchFile(const QString& path) {
  std::vector<std::vector<unsigned char>> rendered;
  for (int i = 0; i < 8; ++i) rendered.push_back(RenderPage(i));
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif) return false;
  for (int page = 0; page < kPages; ++page) {
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
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, kPages);
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

void DeleteOnePageAndSave(benchmark::State& state) {
  std::vector<pyxa::TiffPageSource> pages;
  for (int i = 0; i < kPages; ++i) {
    if (i != kPages / 2) pages.push_back({g_source, i, 0});
  }
  const QString target = Path("saved.tif");
  for (auto _ : state) {
    const pyxa::TiffWriteResult result = pyxa::WriteTiffPages(pages, target);
    if (!result.Ok()) state.SkipWithError(result.description.toStdString().c_str());
  }
}

void TiffcpBaseline(benchmark::State& state) {
  const QByteArray source = QFile::encodeName(g_source);
  const QByteArray target = QFile::encodeName(Path("tiffcp.tif"));
  for (auto _ : state) {
    char* argv[] = {const_cast<char*>("tiffcp"), const_cast<char*>(source.constData()),
                    const_cast<char*>(target.constData()), nullptr};
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, "/usr/bin/tiffcp", nullptr, nullptr, argv, environ) != 0 || waitpid(pid, &status, 0) != pid ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("tiffcp failed");
    }
  }
}

void CatWithFsync(benchmark::State& state) {
  const QByteArray source = QFile::encodeName(g_source);
  const QByteArray target = QFile::encodeName(Path("cat.tif"));
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    const int in = ::open(source.constData(), O_RDONLY);
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ssize_t n = 0;
    while ((n = ::read(in, buffer.data(), buffer.size())) > 0) {
      if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n) state.SkipWithError("write failed");
    }
    ::fsync(out);
    ::close(out);
    ::close(in);
  }
}

BENCHMARK(DeleteOnePageAndSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TiffcpBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CatWithFsync)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps each case's time per iteration so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration) times[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  g_source = dir.filePath(QStringLiteral("batch.tif"));
  if (!MakeBatchFile(g_source)) {
    std::fprintf(stderr, "cannot make the batch file\n");
    return 1;
  }
  std::fprintf(stderr, "batch file: %d pages, %lld bytes\n", kPages, static_cast<long long>(QFile(g_source).size()));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double ours = reporter.times["DeleteOnePageAndSave"];
  const double tiffcp = reporter.times["TiffcpBaseline"];
  const double cat = reporter.times["CatWithFsync"];
  if (ours > 0 && tiffcp > 0 && cat > 0) {
    std::printf("save/tiffcp = %.3f   save/cat = %.2f\n", ours / tiffcp, ours / cat);
  }
  return 0;
}
