#include <gtest/gtest.h>

#include "TestPages.h"
#include "scan/processing/PageEndorser.h"
#include "scan/processing/PageProcessor.h"

namespace pyxa {
namespace {

TEST(Endorsement, CountsThePagesOfTheBatch) {
  struct Case {
    QString text;
    int start, step, page;
    QString expected;
  };
  const Case cases[] = {
      {"Scanned {counter}", 1, 1, 1, "Scanned 1"},
      {"Scanned {counter}", 1, 1, 7, "Scanned 7"},
      {"#{counter} of box {counter}", 100, 10, 3, "#120 of box 120"},
      {"No counter", 5, 5, 9, "No counter"},
      // No wrap-round into a wrong count.
      {"{counter}", 2000000000, 1000000, 1000, "2999000000"},
  };
  for (const Case& c : cases) {
    AutoAnnotateSettings settings;
    settings.text = c.text;
    settings.counterStart = c.start;
    settings.counterStep = c.step;
    EXPECT_EQ(EndorsementText(settings, c.page), c.expected);
  }
}

int BlackIn(const QImage& image, const QRect& area) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += qGray(image.pixel(x, y)) < 128;
  return count;
}

TEST(Endorsement, PrintsInTheChosenCornerAndKeepsTheFormat) {
  const int dpi = 200;
  for (const QImage& page : {test::Bilevel(test::BlankPage(dpi)), test::BlankPage(dpi)}) {
    ProcessingSettings settings;
    settings.annotation = {true, QStringLiteral("COPY"), PageCorner::TopRight, 12};
    settings.autoAnnotate.enabled = true;  // "Scanned {counter}" at the bottom right
    const ProcessedPage out = PageProcessor().Process(page, dpi, dpi, settings, 4);
    EXPECT_EQ(out.image.format(), page.format());
    const int w = page.width(), h = page.height();
    EXPECT_GT(BlackIn(out.image, QRect(w / 2, 0, w / 2, h / 10)), 100) << "top right";
    EXPECT_GT(BlackIn(out.image, QRect(w / 2, h * 9 / 10, w / 2, h / 10)), 100) << "bottom right";
    EXPECT_EQ(BlackIn(out.image, QRect(0, h / 10, w, h * 8 / 10)), 0) << "nothing elsewhere";
    EXPECT_EQ(BlackIn(page, page.rect()), 0) << "the page given is not changed";
  }
}

}  // namespace
}  // namespace pyxa
