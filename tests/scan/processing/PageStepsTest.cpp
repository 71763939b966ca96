#include <gtest/gtest.h>

#include <QPainter>
#include <thread>

#include "TestPages.h"
#include "scan/processing/PageProcessor.h"
#include "scan/processing/PixImage.h"

namespace pyxa {
namespace {

using test::Bilevel;
using test::BlankPage;
using test::Turned;

int Black(const QImage& image, QRect area = {}) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  if (area.isNull()) area = grey.rect();
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += qGray(grey.pixel(x, y)) < 128;
  return count;
}

float MeasuredSkew(const QImage& image) {
  PixPtr pix = PixFromImage(image);
  PixPtr binary(pixGetDepth(pix.get()) == 1 ? pixClone(pix.get()) : pixConvertTo1(pix.get(), 128));
  float angle = 99, confidence = 0;
  pixFindSkew(binary.get(), &angle, &confidence);
  return angle;
}

QImage TextPage(int dpi) {
  QImage page = BlankPage(dpi);
  test::DrawText(page, dpi, 0, 40);
  return page;
}

ProcessedPage Processed(const QImage& page, int dpi, const std::function<void(ProcessingSettings&)>& set) {
  ProcessingSettings settings;
  set(settings);
  return PageProcessor().Process(page, dpi, dpi, settings, 1);
}

struct SkewCase {
  const char* name;
  double degrees;
  bool bilevel;
};

class DeskewTest : public ::testing::TestWithParam<SkewCase> {};

TEST_P(DeskewTest, BringsATurnedPageLevel) {
  const SkewCase& c = GetParam();
  QImage page = Turned(TextPage(200), c.degrees);
  if (c.bilevel) page = Bilevel(page);
  ASSERT_GT(std::fabs(MeasuredSkew(page)), 2.5);
  const ProcessedPage out = Processed(page, 200, [](ProcessingSettings& s) { s.deskew.enabled = true; });
  EXPECT_TRUE(out.notes.isEmpty()) << out.notes.join('\n').toStdString();
  EXPECT_EQ(out.image.format(), c.bilevel ? QImage::Format_Mono : QImage::Format_Grayscale8);
  EXPECT_EQ(out.image.size(), page.size());
  EXPECT_LT(std::fabs(MeasuredSkew(out.image)), 0.2);
}

INSTANTIATE_TEST_SUITE_P(Pages, DeskewTest,
                         ::testing::Values(SkewCase{"BilevelClockwise", 3.0, true},
                                           SkewCase{"BilevelAnticlockwise", -3.0, true}, SkewCase{"Grey", 3.0, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Deskew, LeavesAPageWithoutTextAsScanned) {
  const QImage page = Bilevel(BlankPage(100));
  const ProcessedPage out = Processed(page, 100, [](ProcessingSettings& s) { s.deskew.enabled = true; });
  EXPECT_EQ(out.image, page);
  ASSERT_EQ(out.notes.size(), 1);
  EXPECT_TRUE(out.notes[0].contains("deskew could not measure"));
}

TEST(CleanupSteps, DespeckleBorderLinesAndStreaks) {
  const int dpi = 150;
  QImage grey = BlankPage(dpi);
  test::DrawText(grey, dpi, 2, 6);
  const QRect text(dpi, dpi, dpi * 6 - 10, dpi * 2);  // left of the streak
  {
    QPainter painter(&grey);
    painter.fillRect(0, 0, grey.width(), 20, Qt::black);                  // scanner border along the top
    painter.fillRect(0, 0, 15, grey.height(), Qt::black);                 // and the left
    painter.fillRect(dpi, dpi * 5, dpi * 5, 3, Qt::black);                // a form line
    painter.fillRect(dpi * 7, 0 + 40, 2, grey.height() - 80, Qt::black);  // a streak, off the border
    for (int i = 0; i < 50; ++i) painter.fillRect(dpi + i * 20, dpi * 7, 2, 2, Qt::black);  // specks
  }
  const QImage page = Bilevel(grey);
  const int textBefore = Black(page, text);
  const ProcessedPage out = Processed(page, dpi, [](ProcessingSettings& s) {
    s.blackBorder.enabled = s.despeckle.enabled = s.linesRemoval.enabled = s.streakRemoval.enabled = true;
  });
  EXPECT_EQ(out.image.format(), QImage::Format_Mono);
  EXPECT_EQ(Black(out.image, QRect(0, 0, out.image.width(), 20)), 0) << "top border";
  EXPECT_EQ(Black(out.image, QRect(0, 0, 15, out.image.height())), 0) << "left border";
  EXPECT_EQ(Black(out.image, QRect(dpi, dpi * 5, dpi * 5, 3)), 0) << "form line";
  EXPECT_EQ(Black(out.image, QRect(dpi * 7, dpi * 4, 2, dpi * 2)), 0) << "streak";
  EXPECT_EQ(Black(out.image, QRect(dpi, dpi * 7, 1000, 2)), 0) << "specks";
  // The text keeps its ink.
  EXPECT_GT(Black(out.image, text), textBefore * 99 / 100);
}

TEST(ToneSteps, DeshadeAndFilterTurnAShadedGreyPageBilevel) {
  const int dpi = 150;
  QImage page = BlankPage(dpi);
  {
    QPainter painter(&page);
    QLinearGradient shade(0, 0, page.width(), 0);  // a page whose right side came out dark
    shade.setColorAt(0, QColor(235, 235, 235));
    shade.setColorAt(1, QColor(120, 120, 120));
    painter.fillRect(page.rect(), shade);
  }
  test::DrawText(page, dpi, 0, 10);
  const ProcessedPage out =
      Processed(page, dpi, [](ProcessingSettings& s) { s.deshade.enabled = s.imageFiltering.enabled = true; });
  EXPECT_TRUE(out.notes.isEmpty()) << out.notes.join('\n').toStdString();
  ASSERT_EQ(out.image.format(), QImage::Format_Mono);
  // The dark side is paper again, not a black slab; the text is still there.
  const QRect darkSide(page.width() * 3 / 4, dpi * 5, page.width() / 4 - 10, dpi * 4);
  EXPECT_LT(Black(out.image, darkSide), darkSide.width() * darkSide.height() / 50);
  EXPECT_GT(Black(out.image, QRect(dpi, dpi / 2, dpi * 6, dpi * 2)), 2000);

  // On a page that is already bilevel both steps have nothing to do, and say so.
  const ProcessedPage bilevel =
      Processed(Bilevel(page), dpi, [](ProcessingSettings& s) { s.deshade.enabled = s.imageFiltering.enabled = true; });
  EXPECT_EQ(bilevel.notes.size(), 2);
}

TEST(PageProcessor, NullPageAndNoStepsLeaveThePage) {
  EXPECT_TRUE(PageProcessor().Process(QImage(), 300, 300, ProcessingSettings{}, 1).image.isNull());
  const QImage page = Bilevel(TextPage(100));
  const ProcessedPage out = PageProcessor().Process(page, 100, 100, ProcessingSettings{}, 1);
  EXPECT_EQ(out.image.constBits(), page.constBits());  // untouched, not even copied
  EXPECT_TRUE(out.notes.isEmpty());
}

// Scanning hands pages to worker threads: one processor, several pages at once, the same results.
TEST(PageProcessor, PagesProcessedAtOnceComeOutAsOneByOne) {
  const int dpi = 100;
  QImage grey = BlankPage(dpi);
  test::DrawBarCodes(grey, dpi);
  test::DrawText(grey, dpi, 30, 20);
  const QImage page = Bilevel(Turned(grey, 2));
  ProcessingSettings settings;
  settings.deskew.enabled = settings.despeckle.enabled = settings.barCodes.enabled = true;
  settings.autoAnnotate.enabled = settings.advancedPatchCodes = true;
  const PageProcessor processor;
  const ProcessedPage alone = processor.Process(page, dpi, dpi, settings, 3);
  ASSERT_FALSE(alone.barCodes.isEmpty());
  std::vector<ProcessedPage> results(4);
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < results.size(); ++i)
    workers.emplace_back([&, i] { results[i] = processor.Process(page, dpi, dpi, settings, 3); });
  for (std::thread& worker : workers) worker.join();
  for (const ProcessedPage& result : results) {
    EXPECT_EQ(result.image, alone.image);
    EXPECT_EQ(result.barCodes, alone.barCodes);
    EXPECT_EQ(result.notes, alone.notes);
  }
}

}  // namespace
}  // namespace pyxa
