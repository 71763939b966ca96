#include <gtest/gtest.h>

#include <QPainter>

#include "TestPages.h"
#include "scan/processing/PageProcessor.h"

namespace pyxa {
namespace {

struct CodePage {
  const char* name;
  int dpi;
  double degrees;  // how the page went through the scanner
  bool deskew;
};

class BarCodePages : public ::testing::TestWithParam<CodePage> {};

TEST_P(BarCodePages, FindsEveryCodeWithItsTypeAndValue) {
  const CodePage& c = GetParam();
  QImage grey = test::BlankPage(c.dpi);
  const std::vector<test::DrawnCode> drawn = test::DrawBarCodes(grey, c.dpi);
  test::DrawText(grey, c.dpi, 45, 5);
  const QImage page = test::Bilevel(c.degrees == 0 ? grey : test::Turned(grey, c.degrees));

  ProcessingSettings settings;
  settings.barCodes.enabled = true;
  settings.deskew.enabled = c.deskew;
  const ProcessedPage out = PageProcessor().Process(page, c.dpi, c.dpi, settings, 1);

  for (const test::DrawnCode& code : drawn) {
    const auto found = std::find_if(out.barCodes.begin(), out.barCodes.end(),
                                    [&](const FoundBarCode& bar) { return bar.value == code.value; });
    ASSERT_NE(found, out.barCodes.end()) << code.value.toStdString();
    EXPECT_EQ(found->type, code.type) << code.value.toStdString();
    if (c.degrees == 0) {
      // Where it was drawn: its left edge, and a top within the bars.
      EXPECT_NEAR(found->left, code.where.left(), 3) << code.value.toStdString();
      EXPECT_GE(found->top, code.where.top() - 1);
      EXPECT_LE(found->top, code.where.bottom());
    }
  }
  EXPECT_EQ(out.barCodes.size(), drawn.size());
}

INSTANTIATE_TEST_SUITE_P(Scans, BarCodePages,
                         ::testing::Values(CodePage{"Dpi200", 200, 0, false}, CodePage{"Dpi300", 300, 0, false},
                                           CodePage{"Dpi200QuarterTurn", 200, 90, false},
                                           CodePage{"Dpi300QuarterTurn", 300, -90, false},
                                           CodePage{"Dpi200Skewed", 200, 3, false},
                                           CodePage{"Dpi300Skewed", 300, -3, false},
                                           CodePage{"Dpi300SkewedThenDeskewed", 300, 3, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(BarCodes, OnlyTheChosenTypesAndNothingFromADamagedCode) {
  const int dpi = 200;
  QImage grey = test::BlankPage(dpi);
  const std::vector<test::DrawnCode> drawn = test::DrawBarCodes(grey, dpi);
  {
    // Ink over the middle of the Code 128 and the EAN: neither can be decoded any more.
    QPainter painter(&grey);
    for (int i : {1, 2}) painter.fillRect(drawn[std::size_t(i)].where.adjusted(40, -5, -40, 5), Qt::black);
  }
  ProcessingSettings settings;
  settings.barCodes = {true, BarCodeTypeBit(1) | BarCodeTypeBit(2) | BarCodeTypeBit(4)};
  ProcessedPage out = PageProcessor().Process(test::Bilevel(grey), dpi, dpi, settings, 1);
  std::sort(out.barCodes.begin(), out.barCodes.end(), [](const auto& a, const auto& b) { return a.top < b.top; });
  // The Code 39, and the UPC-A, which is an EAN-13 with a leading 0 when only EAN is asked for.
  ASSERT_EQ(out.barCodes.size(), 2);
  EXPECT_EQ(out.barCodes[0].type, 2);
  EXPECT_EQ(out.barCodes[0].value, "PYXA-12345");
  EXPECT_EQ(out.barCodes[1].type, 4);
  EXPECT_EQ(out.barCodes[1].value, "0036000291452");
  EXPECT_TRUE(out.notes.isEmpty());

  // Symbologies the reader cannot read find nothing, and say why.
  settings.barCodes.types = BarCodeTypeBit(6) | BarCodeTypeBit(7);
  const ProcessedPage none = PageProcessor().Process(test::Bilevel(grey), dpi, dpi, settings, 1);
  EXPECT_TRUE(none.barCodes.isEmpty());
  EXPECT_EQ(none.notes.size(), 1);
}

}  // namespace
}  // namespace pyxa
