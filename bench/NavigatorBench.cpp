// The navigator's drag against the page decode it must never repeat: one drag step (the rectangle
// moved, the page view scrolled and repainted) on a 300 dpi letter page shown at 200 %, against
// opening and decoding that page once.
#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "BenchPages.h"
#include "document/ImageDocument.h"
#include "mainwindow/ui/PageView.h"
#include "thumbnail/ui/frmThumbnail.h"

namespace {

QString g_page;

void DecodePage(benchmark::State& state) {
  for (auto _ : state) {
    pyxa::ImageDocument document;
    document.Load(g_page);
    benchmark::DoNotOptimize(document.CurrentImage());
  }
}

void Send(QWidget* widget, QEvent::Type type, const QPoint& at) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

int g_decodes = -1;
double g_scrolled = 0;

void DragStep(benchmark::State& state) {
  pyxa::PageView view;
  view.resize(900, 700);
  view.show();
  view.DisplayFile(g_page);
  view.Zoom(200);
  pyxa::frmThumbnail navigator;
  QObject::connect(&view, &pyxa::PageView::PageChanged, &navigator, &pyxa::frmThumbnail::FollowPage);
  QObject::connect(&view, &pyxa::PageView::ScrollChanged, &navigator, &pyxa::frmThumbnail::FollowScroll);
  navigator.MD_TIFF_Ref(&view);
  navigator.resize(200, 260);
  navigator.show();
  QApplication::processEvents();  // shown and exposed, so that a repaint paints
  auto* rectangle = navigator.findChild<QFrame*>(QStringLiteral("Image1"));
  Send(rectangle, QEvent::MouseButtonPress, QPoint(4, 4));
  if (!navigator.Dragging() || view.Extent().Empty()) state.SkipWithError("the rectangle was not taken hold of");
  const int before = view.Image().DecodeCount();
  int step = 0;
  for (auto _ : state) {
    // Back and forth across the miniature, one pixel a step, as a hand drags.
    const int x = 4 + (step % 80 < 40 ? 1 : -1);
    ++step;
    Send(rectangle, QEvent::MouseMove, QPoint(x, 4 + (step % 3 == 0 ? 1 : 0)));
    QApplication::processEvents();  // the repaint the scroll asked for, as the event loop would do it
  }
  g_scrolled = view.Extent().scroll.x();
  Send(rectangle, QEvent::MouseButtonRelease, QPoint(4, 4));
  g_decodes = view.Image().DecodeCount() - before;
}

BENCHMARK(DecodePage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(DragStep)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QTemporaryDir dir;
  g_page = dir.filePath(QStringLiteral("page.tif"));
  if (!pyxa::bench::MakeBatchFile(g_page, 1)) {
    std::fprintf(stderr, "cannot make the page file\n");
    return 1;
  }
  std::map<std::string, double> times;
  if (!pyxa::bench::RunBenchmarks(argc, argv, &times)) return 1;
  auto& t = times;
  if (t["DecodePage"] > 0)
    std::printf("drag step/decode = %.4f   pages decoded while dragging = %d   last scroll = %.0f\n",
                t["DragStep"] / t["DecodePage"], g_decodes, g_scrolled);
  return 0;
}
