// Page edits of a long scanned batch: deleting and restoring a duplex sheet, and cutting one and
// pasting it elsewhere, in a 1000-page duplex document. Edits move page objects and touch no file,
// so each must take well under a millisecond; the baseline is the least any edit of an ordered
// list of 1000 pages costs: taking two entries out of a QList and putting them back.
#include <benchmark/benchmark.h>

#include <QList>
#include <cstdio>
#include <memory>

#include "BenchPages.h"
#include "document/Document.h"
#include "platform/Clock.h"

namespace {

constexpr int kPages = 1000;

pyxa::ManualClock g_clock;

std::unique_ptr<pyxa::cDocument> DuplexDocument() {
  auto document = std::make_unique<pyxa::cDocument>(QStringLiteral("/nonexistent"), g_clock);
  for (int page = 1; page <= kPages; ++page)
    document->Pages()->Add(page % 2 == 1 ? 1 : 2, page, 300, 300, 2, 4);
  return document;
}

void Check(std::int32_t result, benchmark::State& state) {
  if (result != 0) state.SkipWithError("an edit failed");
}

// Deletes the sheet in the middle and puts it back.
void DeleteAndUndoASheet(benchmark::State& state) {
  auto document = DuplexDocument();
  std::int32_t result = 0;
  for (auto _ : state) {
    document->DeletePages(501, 2, result);
    Check(result, state);
    document->UndoDeletePage(result);
    Check(result, state);
  }
}

// Cuts a sheet near the end and pastes it before the first page; the next round cuts it from
// the front and pastes it back after the sheet it came from, so the document stays the same size.
void CutAndPasteASheet(benchmark::State& state) {
  auto document = DuplexDocument();
  std::int32_t result = 0;
  for (auto _ : state) {
    document->CutPage(900, result);
    Check(result, state);
    document->PastePage(1, true, result);
    Check(result, state);
    document->CutPage(2, result);
    Check(result, state);
    document->PastePage(897, false, result);
    Check(result, state);
  }
}

// Two entries out and back in at the same places, four times: as many list moves as the two
// edits above make together.
void QListBaseline(benchmark::State& state) {
  QList<std::shared_ptr<int>> pages;
  for (int page = 0; page < kPages; ++page) pages.append(std::make_shared<int>(page));
  for (auto _ : state) {
    for (int round = 0; round < 2; ++round) {
      for (int at : {500, 899}) {
        auto front = pages.takeAt(at);
        auto back = pages.takeAt(at);
        pages.insert(at, back);
        pages.insert(at, front);
      }
    }
    benchmark::DoNotOptimize(pages.data());
  }
}

BENCHMARK(DeleteAndUndoASheet)->Unit(benchmark::kMicrosecond);
BENCHMARK(CutAndPasteASheet)->Unit(benchmark::kMicrosecond);
BENCHMARK(QListBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  const double remove = times["DeleteAndUndoASheet"];
  const double move = times["CutAndPasteASheet"];
  const double baseline = times["QListBaseline"];
  if (remove > 0 && move > 0 && baseline > 0) {
    std::printf("delete+undo/list = %.2f   two cut+paste/list = %.2f\n", remove / baseline, move / baseline);
  }
  return 0;
}
