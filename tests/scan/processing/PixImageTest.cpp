#include <gtest/gtest.h>

#include <QImage>

#include "scan/processing/PixImage.h"

namespace pyxa {
namespace {

QImage Pattern(QImage::Format format, bool blackFirst = false) {
  QImage image(53, 17, format);  // an odd width: the rows' padding must not leak into pixels
  if (image.depth() == 1) {
    image.setColorTable(blackFirst ? QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}
                                   : QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)});
  }
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const bool dark = (x * 7 + y * 3) % 5 == 0;
      if (image.depth() == 1)
        image.setPixel(x, y, dark == blackFirst ? 0 : 1);
      else if (format == QImage::Format_Grayscale8)
        image.setPixel(x, y, qRgb((x * 5 + y) % 256, (x * 5 + y) % 256, (x * 5 + y) % 256));
      else
        image.setPixel(x, y, qRgb(x * 4, y * 13, (x * y) % 256));
    }
  return image;
}

struct RoundTrip {
  const char* name;
  QImage::Format format;
  bool blackFirst;
  int depth;
  QImage::Format back;
};

class PixRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(PixRoundTrip, KeepsEveryPixelAndTheDarkSide) {
  const RoundTrip& c = GetParam();
  const QImage image = Pattern(c.format, c.blackFirst);
  PixPtr pix = PixFromImage(image);
  ASSERT_TRUE(pix);
  EXPECT_EQ(pixGetDepth(pix.get()), c.depth);
  const QImage back = ImageFromPix(pix.get());
  EXPECT_EQ(back.format(), c.back);
  ASSERT_EQ(back.size(), image.size());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, image.pixel(x, y) & 0xFFFFFF) << x << "," << y;
  if (c.depth == 1) {
    // Leptonica's 1 is black, whatever the image's table said.
    l_uint32 value = 0;
    pixGetPixel(pix.get(), 0, 0, &value);
    EXPECT_EQ(value, 1u);  // (0,0) is dark in the pattern
    EXPECT_EQ(back.color(0), qRgb(255, 255, 255));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PixRoundTrip,
    ::testing::Values(RoundTrip{"MonoWhiteFirst", QImage::Format_Mono, false, 1, QImage::Format_Mono},
                      RoundTrip{"MonoBlackFirst", QImage::Format_Mono, true, 1, QImage::Format_Mono},
                      RoundTrip{"MonoLsb", QImage::Format_MonoLSB, false, 1, QImage::Format_Mono},
                      RoundTrip{"Grey", QImage::Format_Grayscale8, false, 8, QImage::Format_Grayscale8},
                      RoundTrip{"Colour", QImage::Format_RGB32, false, 32, QImage::Format_RGB32},
                      RoundTrip{"Rgb888", QImage::Format_RGB888, false, 32, QImage::Format_RGB32}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(PixImage, NullAndUnusualInputs) {
  EXPECT_FALSE(PixFromImage(QImage()));
  EXPECT_TRUE(ImageFromPix(nullptr).isNull());
  // Transparency is laid on white paper, not on black.
  QImage clear(4, 4, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  PixPtr pix = PixFromImage(clear);
  ASSERT_TRUE(pix);
  EXPECT_EQ(ImageFromPix(pix.get()).pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
  // A 16-bit grey page comes through as 8-bit grey.
  QImage deep(5, 5, QImage::Format_Grayscale16);
  deep.fill(Qt::gray);
  pix = PixFromImage(deep);
  ASSERT_TRUE(pix);
  EXPECT_EQ(pixGetDepth(pix.get()), 8);
}

}  // namespace
}  // namespace pyxa
