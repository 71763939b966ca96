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

#include "BenchPages.h"
#include "document/TiffPageWriter.h"

extern char** environ;

namespace {

constexpr int kPages = 100;

QTemporaryDir* g_dir = nullptr;
QString g_source;

QString Path(const char* name) { return g_dir->filePath(QString::fromLatin1(name)); }

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

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  g_source = dir.filePath(QStringLiteral("batch.tif"));
  if (!pyxa::bench::MakeBatchFile(g_source, kPages)) {
    std::fprintf(stderr, "cannot make the batch file\n");
    return 1;
  }
  std::fprintf(stderr, "batch file: %d pages, %lld bytes\n", kPages, static_cast<long long>(QFile(g_source).size()));
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double ours = times["DeleteOnePageAndSave"];
  const double tiffcp = times["TiffcpBaseline"];
  const double cat = times["CatWithFsync"];
  if (ours > 0 && tiffcp > 0 && cat > 0) {
    std::printf("save/tiffcp = %.3f   save/cat = %.2f\n", ours / tiffcp, ours / cat);
  }
  return 0;
}
