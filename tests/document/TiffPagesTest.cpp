// The fast paths of the page engine: the raw walk of the directory chain must agree with libtiff
// in every byte order and offset size, shrinking must average exactly, and kept renderings must
// never show a picture that has changed.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "document/ImageDocument.h"
#include "document/TiffPages.h"

namespace pyxa {
namespace {

struct Shape {
  int width, height, bits, samples;
  bool tiled;
  float xdpi, ydpi;
  int unit;
  int orientation;
};

const Shape kShapes[] = {{40, 30, 1, 1, false, 204, 98, RESUNIT_INCH, ORIENTATION_TOPLEFT},
                         {32, 48, 8, 1, true, 300, 300, RESUNIT_CENTIMETER, ORIENTATION_BOTRIGHT},
                         {33, 17, 8, 3, false, 72, 72, RESUNIT_INCH, ORIENTATION_RIGHTTOP}};

void WritePages(const QString& path, const char* mode) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
  ASSERT_NE(tif, nullptr);
  for (const Shape& s : kShapes) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, s.samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.bits == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, s.xdpi);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, s.ydpi);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, s.unit);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    const int rowBytes = (s.width * s.bits * s.samples + 7) / 8;
    if (s.tiled) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
      std::vector<uint8_t> tile(size_t(TIFFTileSize(tif)), 0x5a);
      for (uint32_t t = 0; t < TIFFNumberOfTiles(tif); ++t)
        ASSERT_GE(TIFFWriteEncodedTile(tif, t, tile.data(), tmsize_t(tile.size())), 0);
    } else {
      std::vector<uint8_t> row(size_t(rowBytes), 0x33);
      for (int y = 0; y < s.height; ++y) ASSERT_EQ(TIFFWriteScanline(tif, row.data(), uint32_t(y), 0), 1);
    }
    ASSERT_TRUE(TIFFWriteDirectory(tif));
  }
  TIFFClose(tif);
}

class TiffPagesTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QTemporaryDir dir_;
};

TEST_F(TiffPagesTest, ChainWalkAgreesWithLibtiffInEveryLayout) {
  for (const char* mode : {"wl", "wb", "w8l", "w8b"}) {
    SCOPED_TRACE(mode);
    const QString path = Path("layout.tif");
    QFile::remove(path);
    WritePages(path, mode);
    TiffPages pages;
    ASSERT_TRUE(pages.Open(path).Ok());
    EXPECT_FALSE(pages.Damaged());
    ASSERT_EQ(pages.PageCount(), 3);
    for (int i = 0; i < 3; ++i) {
      const TiffPageInfo walked = pages.Pages()[size_t(i)];
      const Shape& s = kShapes[i];
      EXPECT_EQ(walked.width, s.width);
      EXPECT_EQ(walked.height, s.height);
      EXPECT_EQ(walked.bitsPerSample, s.bits);
      EXPECT_EQ(walked.samplesPerPixel, s.samples);
      EXPECT_EQ(walked.tiled, s.tiled);
      EXPECT_EQ(walked.resolutionUnit, s.unit);
      EXPECT_DOUBLE_EQ(walked.xResolution, double(s.xdpi));
      EXPECT_DOUBLE_EQ(walked.yResolution, double(s.ydpi));
      EXPECT_EQ(walked.compression, s.bits == 1 ? COMPRESSION_CCITTFAX4 : COMPRESSION_LZW);
      EXPECT_EQ(walked.orientation, s.orientation);
      // Showing the page reads it through libtiff, which must see the same page.
      QImage image;
      ASSERT_TRUE(pages.Decode(i, 1'000'000, &image).Ok());
      EXPECT_EQ(image.size(), walked.Transposed() ? QSize(s.height, s.width) : QSize(s.width, s.height));
      const TiffPageInfo& read = pages.Pages()[size_t(i)];
      EXPECT_EQ(read.offset, walked.offset);
      EXPECT_EQ(read.photometric, walked.photometric);
      EXPECT_EQ(read.tiled, walked.tiled);
      EXPECT_EQ(read.orientation, walked.orientation);
      EXPECT_DOUBLE_EQ(read.xResolution, walked.xResolution);
    }
  }
}

TEST_F(TiffPagesTest, BrokenChainsKeepTheGoodPagesAndAreMarkedDamaged) {
  const QString path = Path("chain.tif");
  WritePages(path, "wl");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  file.close();
  auto u32 = [](const QByteArray& b, qint64 at) {
    return uint32_t(uchar(b[at])) | uint32_t(uchar(b[at + 1])) << 8 | uint32_t(uchar(b[at + 2])) << 16 |
           uint32_t(uchar(b[at + 3])) << 24;
  };
  auto setU32 = [](QByteArray* b, qint64 at, uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = char((v >> (8 * i)) & 0xFF);
  };
  auto nextField = [&](uint32_t ifd) {
    const int entries = uchar(good[ifd]) | uchar(good[ifd + 1]) << 8;
    return qint64(ifd) + 2 + 12 * entries;
  };
  const uint32_t first = u32(good, 4);
  const uint32_t second = u32(good, nextField(first));
  auto check = [&](const QByteArray& bytes, int expectedPages) {
    const QString broken = Path("broken.tif");
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    out.close();
    TiffPages pages;
    ASSERT_TRUE(pages.Open(broken).Ok());
    EXPECT_TRUE(pages.Damaged());
    EXPECT_EQ(pages.PageCount(), expectedPages);
  };
  QByteArray bytes = good;
  setU32(&bytes, nextField(second), second);  // the second page points at itself
  check(bytes, 2);
  bytes = good;
  setU32(&bytes, nextField(first), 0x7ffffff0u);  // past the end of the file
  check(bytes, 1);
  bytes = good;
  (bytes)[second] = 0;  // a directory without entries
  (bytes)[second + 1] = 0;
  check(bytes, 1);
}

// The plain definition: every target pixel the rounded mean of its source pixels' greys.
QImage ReferenceAverage(const QImage& source, const QSize& size) {
  QImage out(size, QImage::Format_Grayscale8);
  const int w = source.width(), h = source.height();
  const int g0 = qGray(source.color(0)), g1 = qGray(source.color(1));
  for (int oy = 0; oy < size.height(); ++oy) {
    const int y0 = int((int64_t(oy) * h + size.height() - 1) / size.height());
    const int y1 = int((int64_t(oy + 1) * h + size.height() - 1) / size.height());
    for (int ox = 0; ox < size.width(); ++ox) {
      int64_t n = 0, set = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = 0; x < w; ++x)
          if (int64_t(x) * size.width() / w == ox) {
            ++n;
            set += source.pixelIndex(x, y);
          }
      out.scanLine(oy)[ox] = uchar((set * g1 + (n - set) * g0 + n / 2) / n);
    }
  }
  return out;
}

TEST(AreaAverageBilevelTest, MatchesThePlainMeanForAnyWidthAndBitOrder) {
  QRandomGenerator random(7);
  const QSize sources[] = {{77, 61}, {64, 40}, {130, 300}, {9, 9}, {50, 200}};
  const QSize targets[] = {{13, 11}, {64, 17}, {40, 290}, {9, 1}, {7, 2}};  // the last, over 31 rows
  for (int i = 0; i < 5; ++i) {
    for (QImage::Format format : {QImage::Format_Mono, QImage::Format_MonoLSB}) {
      QImage source(sources[i], format);
      // Min-is-white and min-is-black both occur.
      source.setColorTable(i % 2 ? QList<QRgb>{qRgb(255, 255, 255), qRgb(0, 0, 0)}
                                 : QList<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)});
      // Random bits everywhere, padding included: the padding must not count.
      for (int y = 0; y < source.height(); ++y)
        for (qsizetype b = 0; b < source.bytesPerLine(); ++b)
          source.scanLine(y)[b] = uchar(random.bounded(256) & (y % 3 ? 0xFF : 0x81));
      const QImage fast = AreaAverageBilevel(source, targets[i]);
      const QImage plain = ReferenceAverage(source, targets[i]);
      ASSERT_EQ(fast.size(), targets[i]);
      for (int y = 0; y < fast.height(); ++y)
        for (int x = 0; x < fast.width(); ++x)
          ASSERT_NEAR(fast.constScanLine(y)[x], plain.constScanLine(y)[x], 1) << i << " " << x << "," << y;
    }
  }
}

TEST_F(TiffPagesTest, KeptRenderingsNeverOutliveTheirPicture) {
  const QString path = Path("photo.jpg");
  QImage photo(40, 20, QImage::Format_RGB32);
  photo.fill(Qt::darkGreen);
  ASSERT_TRUE(photo.save(path, "JPG"));
  ImageDocument document;
  ASSERT_TRUE(document.Load(path).Ok());
  const QImage wide = document.RenderPage(1.0);
  EXPECT_EQ(wide.size(), QSize(40, 20));
  const QImage half = document.RenderPage(0.5);
  EXPECT_EQ(document.RenderPage(1.0).cacheKey(), wide.cacheKey());  // zooming back scales nothing
  EXPECT_EQ(document.RenderPage(0.5).cacheKey(), half.cacheKey());
  ASSERT_TRUE(document.Rotate(90).Ok());
  EXPECT_EQ(document.RenderPage(1.0).size(), QSize(20, 40));
  // Saved, the rotated picture is the unrotated page 1: the old rendering must not come back.
  ASSERT_TRUE(document.Save().Ok());
  EXPECT_EQ(document.RenderPage(1.0).size(), QSize(20, 40));
  EXPECT_EQ(document.RenderPage(0.5).size(), QSize(10, 20));
}

}  // namespace
}  // namespace pyxa
