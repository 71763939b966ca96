#include "print/PagePlacement.h"
#include "print/PrintState.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

// Letter at 300 dpi less margins of 1/4 in. at the sides and bottom and 1/2 in. at the top.
const QSize kLetterArea(2400, 3075);

struct PlacementCase {
  const char* name;
  QSize image;
  double dpiX, dpiY;
  int mode;
  int scale;
  QSize destination;
  QSize source;
  bool turned;
};

class PlacementTable : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTable, PlacesThePage) {
  const PlacementCase& c = GetParam();
  const PagePlacement placed = PlacePage({c.image, c.dpiX, c.dpiY, kLetterArea, 300, c.mode, c.scale});
  EXPECT_EQ(placed.destination.topLeft(), QPoint(0, 0));
  EXPECT_EQ(placed.destination.size(), c.destination);
  EXPECT_EQ(placed.source, QRect(QPoint(0, 0), c.source));
  EXPECT_EQ(placed.quarterTurn, c.turned);
  EXPECT_LE(placed.destination.width(), kLetterArea.width());
  EXPECT_LE(placed.destination.height(), kLetterArea.height());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PlacementTable,
    ::testing::Values(
        // 8.5 x 11 in. does not fit 8 x 10.25 in.: cut at the printable area, not squeezed.
        PlacementCase{"RealSizeLetterIsCut", {1700, 2200}, 200, 200, kPrintRealSize, 100, {2400, 3075}, {1600, 2050}, false},
        PlacementCase{"RealSizeSmall", {200, 120}, 200, 200, kPrintRealSize, 100, {300, 180}, {200, 120}, false},
        PlacementCase{"ScaledHalf", {1700, 2200}, 200, 200, kPrintScaled, 50, {1275, 1650}, {1700, 2200}, false},
        PlacementCase{"ScaledUpIsCut", {200, 120}, 200, 200, kPrintScaled, 1000, {2400, 1800}, {160, 120}, false},
        PlacementCase{"FitLandscapeIntoPortrait", {2200, 1700}, 200, 200, kPrintFitToPage, 100, {2400, 1855}, {2200, 1700}, false},
        PlacementCase{"FitEnlarges", {200, 120}, 200, 200, kPrintFitToPage, 100, {2400, 1440}, {200, 120}, false},
        PlacementCase{"AutoTurnsLandscape", {2200, 1700}, 200, 200, kPrintAutoOrientation, 100, {2376, 3075}, {2200, 1700}, true},
        PlacementCase{"AutoTurnsSmallAtRealSize", {200, 120}, 200, 200, kPrintAutoOrientation, 100, {180, 300}, {200, 120}, true},
        PlacementCase{"AutoKeepsPortrait", {1700, 2200}, 200, 200, kPrintAutoOrientation, 100, {2376, 3075}, {1700, 2200}, false},
        // 1728 x 1078 at 204 x 98 dpi is 8.47 x 11 in.: portrait, though its pixels are wider than tall.
        PlacementCase{"FaxFitKeepsShape", {1728, 1078}, 204, 98, kPrintFitToPage, 100, {2368, 3075}, {1728, 1078}, false},
        PlacementCase{"FaxAutoStaysUpright", {1728, 1078}, 204, 98, kPrintAutoOrientation, 100, {2368, 3075}, {1728, 1078}, false},
        PlacementCase{"FaxRealSizeIsCut", {1728, 1078}, 204, 98, kPrintRealSize, 100, {2400, 3073}, {1632, 1004}, false},
        PlacementCase{"UnknownDpiPixelForPixel", {1000, 500}, 0, 0, kPrintRealSize, 100, {1000, 500}, {1000, 500}, false},
        PlacementCase{"OneDpiServesBoth", {300, 300}, 150, 0, kPrintRealSize, 100, {600, 600}, {300, 300}, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PagePlacement, DegenerateInputsDrawNothing) {
  const PagePlacementInput good{{200, 120}, 200, 200, kLetterArea, 300, kPrintScaled, 100};
  std::vector<PagePlacementInput> inputs(6, good);
  inputs[0].imagePixels = {};
  inputs[1].printablePixels = {0, 3075};
  inputs[2].scalePercent = 0;
  inputs[3].scalePercent = -5;
  inputs[4].mode = 7;
  inputs[5].deviceDpi = 0;
  for (size_t i = 0; i < inputs.size(); ++i) EXPECT_TRUE(PlacePage(inputs[i]).destination.isEmpty()) << i;
  EXPECT_FALSE(PlacePage(good).destination.isEmpty());
}

}  // namespace
}  // namespace pyxa
