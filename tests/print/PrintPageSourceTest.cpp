#include "common/TestTiff.h"
#include "document/ImageDocument.h"
#include "print/ImagePageSource.h"
#include "print/PdfPageSource.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

namespace pyxa {
namespace {

// One uncompressed 40 x 30 page of each colour kind; the bilevel one a 204 x 98 dpi fax page,
// the colour one without resolution.
bool WriteKindsTiff(const QString& path) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tiff) return false;
  const uint32_t width = 40, height = 30;
  struct Kind {
    int bits, samples, photometric;
    float dpiX, dpiY;
  };
  const Kind kinds[] = {{1, 1, PHOTOMETRIC_MINISWHITE, 204, 98},
                        {8, 1, PHOTOMETRIC_MINISBLACK, 300, 300},
                        {8, 1, PHOTOMETRIC_PALETTE, 100, 100},
                        {8, 3, PHOTOMETRIC_RGB, 0, 0}};
  std::vector<uint16_t> map(256, 0);
  for (const Kind& kind : kinds) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, kind.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, kind.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    if (kind.photometric == PHOTOMETRIC_PALETTE) TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    if (kind.dpiX > 0) {
      TIFFSetField(tiff, TIFFTAG_XRESOLUTION, kind.dpiX);
      TIFFSetField(tiff, TIFFTAG_YRESOLUTION, kind.dpiY);
      TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    std::vector<unsigned char> row((width * kind.bits * kind.samples + 7) / 8, 0);
    for (uint32_t y = 0; y < height; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
  return true;
}

TEST(ImagePageSource, ColourKindsAndResolutions) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("kinds.tif"));
  ASSERT_TRUE(WriteKindsTiff(path));
  ImageDocument document;
  ASSERT_TRUE(document.Load(path).Ok());
  ASSERT_TRUE(document.Rotate(90).Ok());  // the fax page turns: its resolutions trade places
  ImagePageSource source(document);
  ASSERT_EQ(source.PageCount(), 4);
  struct Expected {
    int kind;
    double dpiX, dpiY;
    QSize size;
  };
  const Expected expected[] = {{kColourBlackWhite, 98, 204, {30, 40}},
                               {kColourGrey, 300, 300, {40, 30}},
                               {kColourPalette, 100, 100, {40, 30}},
                               {kColourFull, 0, 0, {40, 30}}};
  for (int page = 1; page <= 4; ++page) {
    const Expected& e = expected[page - 1];
    const PrintPage printed = source.Page(page, 600);
    ASSERT_EQ(printed.code, 0) << page << printed.description.toStdString();
    EXPECT_EQ(source.ColourKind(page), e.kind) << page;
    EXPECT_DOUBLE_EQ(printed.dpiX, e.dpiX) << page;
    EXPECT_DOUBLE_EQ(printed.dpiY, e.dpiY) << page;
    EXPECT_EQ(printed.image.size(), e.size) << page;
  }
  EXPECT_EQ(source.Page(5, 300).code, 2008);
}

TEST(ImagePageSource, ReadsPagesAsShownWithoutDisturbingTheView) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("marked.tif"));
  ASSERT_TRUE(testing::WriteMarkedTiff(path, 6));
  ImageDocument document;
  ASSERT_TRUE(document.Load(path).Ok());
  ASSERT_TRUE(document.DeletePages(1, 1).Ok());  // the view now shows original page 2
  ASSERT_TRUE(document.Rotate(90).Ok());
  const QImage shown = document.RenderPage(0.5);
  ASSERT_FALSE(shown.isNull());
  const int decodes = document.DecodeCount();
  ImagePageSource source(document);
  ASSERT_EQ(source.PageCount(), 5);

  // The current page comes from the decoded page: nothing is decoded again.
  const PrintPage current = source.Page(1, 300);
  ASSERT_EQ(current.code, 0);
  EXPECT_EQ(current.image.size(), QSize(120, 200));
  EXPECT_EQ(document.DecodeCount(), decodes);

  // Another page is decoded apart; the view keeps its page and its rendering.
  const PrintPage other = source.Page(3, 300);  // original page 4: its mark at columns 48..55
  ASSERT_EQ(other.code, 0);
  const QImage grey = other.image.convertToFormat(QImage::Format_Grayscale8);
  EXPECT_LT(qGray(grey.pixel(50, 40)), 128);
  EXPECT_GT(qGray(grey.pixel(34, 40)), 128);
  EXPECT_EQ(document.DecodeCount(), decodes + 1);
  EXPECT_EQ(document.CurrentPage(), 1);
  EXPECT_EQ(document.RenderPage(0.5).cacheKey(), shown.cacheKey());
  EXPECT_EQ(document.DecodeCount(), decodes + 1);

  document.SetPixelBudget(200 * 119);  // the view's pixel budget holds for printing too
  EXPECT_EQ(source.Page(2, 300).code, 2001);
}

TEST(ImagePageSource, JpegResolutionAndColour) {
  QTemporaryDir dir;
  struct Case {
    QImage::Format format;
    int kind;
  };
  for (const Case& c : {Case{QImage::Format_RGB32, kColourFull}, Case{QImage::Format_Grayscale8, kColourGrey}}) {
    QImage image(60, 40, c.format);
    image.fill(Qt::gray);
    image.setDotsPerMeterX(5906);  // 150 dpi
    image.setDotsPerMeterY(5906);
    const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(c.kind));
    ASSERT_TRUE(image.save(path, "JPG"));
    ImageDocument document;
    ASSERT_TRUE(document.Load(path).Ok());
    ImagePageSource source(document);
    const PrintPage page = source.Page(1, 300);
    ASSERT_EQ(page.code, 0);
    EXPECT_NEAR(page.dpiX, 150, 0.5);
    EXPECT_NEAR(page.dpiY, 150, 0.5);
    EXPECT_EQ(source.ColourKind(1), c.kind);
  }
}

TEST(PdfPageSource, RendersAtThePrintersResolutionUpTo300) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("two.pdf"));
  {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF());
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.fillRect(QRect(0, 0, 612, 396), Qt::black);  // the top half
    writer.newPage();
  }
  PdfPageSource source(path);
  ASSERT_TRUE(source.IsOpen());
  ASSERT_EQ(source.PageCount(), 2);
  EXPECT_EQ(source.ColourKind(1), kColourFull);
  for (const auto& [deviceDpi, dpi] : {std::pair{600, 300}, std::pair{100, 100}}) {
    const PrintPage page = source.Page(1, deviceDpi);
    ASSERT_EQ(page.code, 0);
    EXPECT_EQ(page.dpiX, dpi);
    EXPECT_EQ(page.image.size(), QSize(dpi * 17 / 2, dpi * 11));
    EXPECT_LT(qGray(page.image.pixel(dpi, dpi)), 32);
    EXPECT_GT(qGray(page.image.pixel(dpi, dpi * 10)), 224);
  }
  const PrintPage outside = source.Page(3, 300);
  EXPECT_EQ(outside.code, 2069);
  EXPECT_TRUE(outside.description.contains(QLatin1String("3")));
}

TEST(PdfPageSource, DamagedFileHasNoPages) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("damaged.pdf"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4\n1 0 obj << /Type /Catalog >> garbage");
  file.close();
  for (const QString& name : {path, dir.filePath(QStringLiteral("missing.pdf"))}) {
    PdfPageSource source(name);
    EXPECT_FALSE(source.IsOpen());
    EXPECT_EQ(source.PageCount(), 0);
    EXPECT_EQ(source.Page(1, 300).code, 2004);
  }
}

}  // namespace
}  // namespace pyxa
