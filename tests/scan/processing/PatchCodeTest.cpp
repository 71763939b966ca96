#include <gtest/gtest.h>

#include <QPainter>

#include "TestPages.h"
#include "scan/processing/PageProcessor.h"

namespace pyxa {
namespace {

constexpr PatchCode kAll[] = {PatchCode::Patch1, PatchCode::Patch2, PatchCode::Patch3,
                              PatchCode::Patch4, PatchCode::Patch6, PatchCode::PatchT};

std::optional<PatchCode> Found(const QImage& page, int dpi, bool advanced) {
  ProcessingSettings settings;
  (advanced ? settings.advancedPatchCodes : settings.patchCodes) = true;
  return PageProcessor().Process(page, dpi, dpi, settings, 1).patch;
}

class PatchSheets : public ::testing::TestWithParam<int> {};

TEST_P(PatchSheets, EachSheetIsRecognised) {
  const int dpi = GetParam();
  for (PatchCode code : kAll) {
    SCOPED_TRACE(PatchCodeName(code).toStdString());
    const QImage grey = test::PatchSheet(code, dpi);
    EXPECT_EQ(Found(test::Bilevel(grey), dpi, false), code);
    EXPECT_EQ(Found(grey, dpi, false), code);                                  // a grey scan too
    EXPECT_EQ(Found(test::Bilevel(test::Turned(grey, 3)), dpi, false), code);  // fed askew, not deskewed
    // Fed a quarter or a half turn round, only the advanced search finds it, and reads it right.
    for (double turn : {90.0, -90.0, 180.0}) {
      const QImage turned = test::Bilevel(test::Turned(grey, turn));
      EXPECT_EQ(Found(turned, dpi, true), code) << turn;
      EXPECT_EQ(Found(turned, dpi, false), std::nullopt) << turn;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, PatchSheets, ::testing::Values(200, 300));

TEST(PatchCodes, OrdinaryPagesAreNotPatches) {
  const int dpi = 300;
  QImage text = test::BlankPage(dpi);
  test::DrawText(text, dpi, 0, 45);
  QImage codes = test::BlankPage(dpi);
  test::DrawBarCodes(codes, dpi);
  QImage frames = test::BlankPage(dpi);  // four outlined boxes spaced like a patch's bars
  {
    QPainter painter(&frames);
    painter.setPen(QPen(Qt::black, 12));
    for (int i = 0; i < 4; ++i) painter.drawRect(QRectF(dpi, dpi + i * 0.28 * dpi, 2.5 * dpi, 0.2 * dpi));
  }
  for (const QImage& page : {text, codes, frames}) {
    EXPECT_EQ(Found(test::Bilevel(page), dpi, false), std::nullopt);
    EXPECT_EQ(Found(test::Bilevel(page), dpi, true), std::nullopt);
  }
  EXPECT_EQ(Found(test::Bilevel(test::BlankPage(dpi)), dpi, true), std::nullopt);
}

}  // namespace
}  // namespace pyxa
