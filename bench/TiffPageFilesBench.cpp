// Cost of turning a 100-page scanned batch into page files and joining the page files again.
// Splitting is set against tiffsplit of the same file; joining against the floor of any join (each
// page file's bytes appended to one file, then one fsync) and against tiffcp joining the same page
// files. Each external tool runs as its own process, as a user would run it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchPages.h"
#include "document/Pages.h"
#include "document/TiffPageFiles.h"

extern char** environ;

namespace {

constexpr int kPages = 100;

QTemporaryDir* g_dir = nullptr;
QString g_batch;                      // the 100-page G4 batch
pyxa::cPages* g_pageFiles = nullptr;  // the batch split once: what the joins read
pyxa::PageFileTable g_table;

const pyxa::TiffStamp& Stamp() {
  static const pyxa::TiffStamp stamp{pyxa::ScanSoftwareText(), QStringLiteral("2026:12:07 10:11:12")};
  return stamp;
}

QString Path(const char* name) { return g_dir->filePath(QString::fromLatin1(name)); }

// An empty folder of that name, whatever it held before.
QString FreshFolder(const char* name) {
  QDir folder(Path(name));
  folder.removeRecursively();
  QDir().mkpath(folder.path());
  return folder.path();
}

// Runs the program with its arguments and waits; false unless it exits with 0.
bool Run(const char* program, const std::vector<QByteArray>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program));
  for (const QByteArray& arg : args) argv.push_back(const_cast<char*>(arg.constData()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  return posix_spawnp(&pid, program, nullptr, nullptr, argv.data(), environ) == 0 && waitpid(pid, &status, 0) == pid &&
         WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void SplitWithLoadTIFFFile(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const QString folder = FreshFolder("split-ours");
    pyxa::cPages pages;
    state.ResumeTiming();
    const int code = pyxa::LoadTIFFFile(g_batch, pages, folder, Stamp());
    if (code != 0 || pages.Count() != kPages) state.SkipWithError("LoadTIFFFile failed");
  }
}

void SplitWithTiffsplit(benchmark::State& state) {
  const QByteArray source = QFile::encodeName(g_batch);
  for (auto _ : state) {
    state.PauseTiming();
    const QByteArray prefix = QFile::encodeName(FreshFolder("split-tiffsplit") + QStringLiteral("/page"));
    state.ResumeTiming();
    if (!Run("tiffsplit", {source, prefix})) state.SkipWithError("tiffsplit failed");
  }
}

void JoinWithSaveTIFFFile(benchmark::State& state) {
  const QString target = Path("joined-ours.tif");
  for (auto _ : state) {
    if (pyxa::SaveTIFFFile(target, g_table, 1, kPages, *g_pageFiles, Stamp()) != 0)
      state.SkipWithError("SaveTIFFFile failed");
  }
}

void JoinWithCatAndFsync(benchmark::State& state) {
  const QByteArray target = QFile::encodeName(Path("joined-cat.tif"));
  std::vector<QByteArray> files;
  for (const auto& row : g_table) files.push_back(QFile::encodeName(row.first));
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    const int out = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    for (const QByteArray& file : files) {
      const int in = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
      ok = ok && in >= 0;
      ssize_t n = 0;
      while (ok && (n = ::read(in, buffer.data(), buffer.size())) > 0)
        ok = ::write(out, buffer.data(), std::size_t(n)) == n;
      if (in >= 0) ::close(in);
    }
    ok = ok && ::fsync(out) == 0;
    if (out >= 0) ::close(out);
    if (!ok) state.SkipWithError("cat with fsync failed");
  }
}

void JoinWithTiffcp(benchmark::State& state) {
  std::vector<QByteArray> args;
  for (const auto& row : g_table) args.push_back(QFile::encodeName(row.first));
  const QByteArray target = QFile::encodeName(Path("joined-tiffcp.tif"));
  args.push_back(target);
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(target.constData());
    state.ResumeTiming();
    if (!Run("tiffcp", args)) state.SkipWithError("tiffcp failed");
  }
}

BENCHMARK(SplitWithLoadTIFFFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SplitWithTiffsplit)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JoinWithSaveTIFFFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JoinWithCatAndFsync)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JoinWithTiffcp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  g_dir = &dir;
  g_batch = dir.filePath(QStringLiteral("batch.tif"));
  if (!pyxa::bench::MakeBatchFile(g_batch, kPages)) {
    std::fprintf(stderr, "cannot make the batch file\n");
    return 1;
  }
  pyxa::cPages pageFiles;
  if (pyxa::LoadTIFFFile(g_batch, pageFiles, FreshFolder("page-files"), Stamp()) != 0 || pageFiles.Count() != kPages) {
    std::fprintf(stderr, "cannot split the batch file\n");
    return 1;
  }
  g_pageFiles = &pageFiles;
  for (const auto& page : pageFiles) g_table.push_back({page->FileName, false});
  std::fprintf(stderr, "batch file: %d pages, %lld bytes\n", kPages, static_cast<long long>(QFile(g_batch).size()));

  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double split = times["SplitWithLoadTIFFFile"];
  const double tiffsplit = times["SplitWithTiffsplit"];
  const double join = times["JoinWithSaveTIFFFile"];
  const double cat = times["JoinWithCatAndFsync"];
  const double tiffcp = times["JoinWithTiffcp"];
  if (split > 0 && tiffsplit > 0) std::printf("split/tiffsplit = %.3f\n", split / tiffsplit);
  if (join > 0 && cat > 0 && tiffcp > 0)
    std::printf("join/cat+fsync = %.2f   join/tiffcp = %.3f\n", join / cat, join / tiffcp);
  return 0;
}
