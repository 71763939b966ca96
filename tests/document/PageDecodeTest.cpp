// Decoding pages as they are meant to be seen: every decode path under every Orientation, alpha,
// old-style JPEG, codings the installed libtiff cannot decode, and oriented pages saved after a
// turn. Each page is made here with libtiff from a known upright picture.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTransform>

#include <cstring>
#include <string>
#include <vector>

#include "document/ImageDocument.h"

namespace pyxa {
namespace {

// One page: its layout, its Orientation and its upright size.
struct TestPage {
  int bits = 8;
  int samples = 1;
  int photometric = PHOTOMETRIC_MINISBLACK;
  int compression = COMPRESSION_NONE;
  int extra = -1;  // ExtraSamples kind of the last sample; -1 for none
  bool separate = false;
  int orientation = ORIENTATION_TOPLEFT;
  int width = 13, height = 9;
};

// Sample s of upright pixel (x, y) on a 0-255 scale: no row or column repeats another.
int Level(int x, int y, int s) { return (x * 37 + y * 71 + s * 101) % 256; }
int Alpha(int x, int y) { return (x + y) % 2 ? 255 : 128; }
QColor PaletteColour(int index) { return QColor((index * 53) % 256, 255 - (index * 53) % 256, (index * 29) % 256); }

// The stored value of sample s of upright pixel (x, y).
unsigned Sample(const TestPage& p, int x, int y, int s) {
  if (p.bits == 1) return Level(x, y, 0) < 128 ? 1 : 0;  // ink, min-is-white
  if (p.bits == 4) return unsigned(Level(x, y, 0) % 16);
  const bool alpha = p.extra >= 0 && s == p.samples - 1;
  int value = alpha ? Alpha(x, y) : Level(x, y, s);
  if (p.extra == EXTRASAMPLE_ASSOCALPHA && !alpha) value = (value * Alpha(x, y) + 127) / 255;
  return p.bits == 16 ? unsigned(value) * 257 : unsigned(value);
}

// The upright picture the page must show, in straight (not premultiplied) colours.
QImage Picture(const TestPage& p) {
  QImage picture(p.width, p.height, QImage::Format_ARGB32);
  const int colours = p.samples - (p.extra >= 0 ? 1 : 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      QColor colour;
      if (p.photometric == PHOTOMETRIC_PALETTE) colour = PaletteColour(int(Sample(p, x, y, 0)));
      else if (p.bits == 1) colour = Level(x, y, 0) < 128 ? Qt::black : Qt::white;
      else if (colours == 1) colour = QColor(Level(x, y, 0), Level(x, y, 0), Level(x, y, 0));
      else colour = QColor(Level(x, y, 0), Level(x, y, 1), Level(x, y, 2));
      if (p.extra >= 0) colour.setAlpha(Alpha(x, y));
      picture.setPixelColor(x, y, colour);
    }
  return picture;
}

// Where stored pixel (x, y) of a w x h raster lies on the upright page, by the tag's definitions:
// 2 is row 0 at the top and column 0 at the right, 5 row 0 at the left and column 0 at the top...
QPoint UprightPixel(int orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT: return {w - 1 - x, y};
    case ORIENTATION_BOTRIGHT: return {w - 1 - x, h - 1 - y};
    case ORIENTATION_BOTLEFT: return {x, h - 1 - y};
    case ORIENTATION_LEFTTOP: return {y, x};
    case ORIENTATION_RIGHTTOP: return {h - 1 - y, x};
    case ORIENTATION_RIGHTBOT: return {h - 1 - y, w - 1 - x};
    case ORIENTATION_LEFTBOT: return {y, w - 1 - x};
    default: return {x, y};
  }
}

// Writes the page, stored so that its Orientation brings back Picture(p); 200 x 100 dpi.
void WritePage(TIFF* tif, const TestPage& p) {
  const bool transposed = p.orientation >= ORIENTATION_LEFTTOP;
  const int w = transposed ? p.height : p.width, h = transposed ? p.width : p.height;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, h);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 200.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 100.0);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  if (p.extra >= 0) {
    const uint16_t kind = uint16_t(p.extra);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
  }
  if (p.photometric == PHOTOMETRIC_PALETTE) {
    const int entries = 1 << p.bits;
    std::vector<uint16_t> map(size_t(3 * entries));
    for (int i = 0; i < entries; ++i) {
      const QColor colour = PaletteColour(i);
      map[size_t(i)] = uint16_t(colour.red() * 257);
      map[size_t(entries + i)] = uint16_t(colour.green() * 257);
      map[size_t(2 * entries + i)] = uint16_t(colour.blue() * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
  }
  const int perPixel = p.separate ? 1 : p.samples;
  const size_t rowBytes = (size_t(w) * size_t(p.bits * perPixel) + 7) / 8;
  for (int plane = 0; plane < (p.separate ? p.samples : 1); ++plane) {
    std::vector<uint8_t> data(rowBytes * size_t(h), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const QPoint u = UprightPixel(p.orientation, x, y, w, h);
        for (int k = 0; k < perPixel; ++k) {
          const unsigned value = Sample(p, u.x(), u.y(), p.separate ? plane : k);
          const size_t index = size_t(x * perPixel + k);
          uint8_t* row = data.data() + rowBytes * size_t(y);
          if (p.bits == 16) {
            const uint16_t wide = uint16_t(value);
            std::memcpy(row + 2 * index, &wide, 2);
          } else if (p.bits == 8) {
            row[index] = uint8_t(value);
          } else {
            const size_t bit = index * size_t(p.bits);
            row[bit / 8] = uint8_t(row[bit / 8] | value << (8 - p.bits - bit % 8));
          }
        }
      }
    ASSERT_GE(TIFFWriteEncodedStrip(tif, uint32_t(plane), data.data(), tmsize_t(data.size())), 0);
  }
  ASSERT_TRUE(TIFFWriteDirectory(tif));
}

void WriteFile(const QString& path, const std::vector<TestPage>& pages) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tif, nullptr);
  for (const TestPage& page : pages) WritePage(tif, page);
  TIFFClose(tif);
}

// Pixels whose straight colour or alpha differs by more than the tolerance (all of them when the
// sizes differ).
int Mismatches(const QImage& shown, const QImage& expected, int tolerance) {
  if (shown.size() != expected.size()) return expected.width() * expected.height();
  const QImage got = shown.convertToFormat(QImage::Format_ARGB32);
  int bad = 0;
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x) {
      const QRgb a = got.pixel(x, y), b = expected.pixel(x, y);
      bad += std::abs(qRed(a) - qRed(b)) > tolerance || std::abs(qGreen(a) - qGreen(b)) > tolerance ||
             std::abs(qBlue(a) - qBlue(b)) > tolerance || std::abs(qAlpha(a) - qAlpha(b)) > tolerance;
    }
  return bad;
}

// Unpremultiplying loses a little at half alpha; libtiff rounds 16-bit samples to 8 bits.
int Tolerance(const TestPage& p) { return p.extra >= 0 ? 2 : p.bits == 16 ? 1 : 0; }

struct Layout {
  const char* name;
  TestPage page;
};

const Layout kLayouts[] = {
    {"BilevelG4", {1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4}},
    {"Grey", {8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW}},
    {"Grey16", {16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_ADOBE_DEFLATE}},
    {"Palette", {8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS}},
    {"Palette4", {4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_LZW}},
    {"Rgb", {8, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE}},
    {"Rgb16", {16, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW}},
    {"RgbPlanes", {8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE, -1, true}},
    {"GreyAlpha", {8, 2, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, EXTRASAMPLE_UNASSALPHA}},
    {"RgbAlpha", {8, 4, PHOTOMETRIC_RGB, COMPRESSION_LZW, EXTRASAMPLE_UNASSALPHA}},
    {"RgbPremultipliedAlpha", {8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, EXTRASAMPLE_ASSOCALPHA}},
};

class PageDecodeTest : public ::testing::Test {
 protected:
  QString Path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }
  QTemporaryDir dir_;
  ImageDocument doc_;
};

class LayoutTest : public PageDecodeTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(LayoutTest, EveryOrientationShowsThePageUpright) {
  for (int orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
    SCOPED_TRACE(orientation);
    TestPage page = GetParam().page;
    page.orientation = orientation;
    const QString path = Path("page.tif");
    WriteFile(path, {page});
    const DocumentResult loaded = doc_.Load(path);
    ASSERT_TRUE(loaded.Ok()) << loaded.description.toStdString();
    const QImage shown = doc_.CurrentImage();
    EXPECT_EQ(Mismatches(shown, Picture(page), Tolerance(page)), 0);
    // Stored at 200 x 100 dpi: a transposed page's rows are its 200 dpi direction.
    const bool transposed = orientation >= ORIENTATION_LEFTTOP;
    EXPECT_EQ(doc_.DisplaySize(1), QSizeF(page.width, page.height * (transposed ? 0.5 : 2.0)));
    EXPECT_EQ(shown.dotsPerMeterX(), transposed ? 3937 : 7874);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, LayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const auto& p) { return std::string(p.param.name); });

// A turned page is written upright, its Orientation applied once; a page left as it was keeps its
// coded data and its tag. Either way it shows as before the save.
TEST_F(PageDecodeTest, OrientedPagesShowTheSameAfterATurnIsSaved) {
  for (const Layout& layout : {kLayouts[0], kLayouts[2], kLayouts[5], kLayouts[6]}) {
    for (int orientation = ORIENTATION_TOPLEFT; orientation <= ORIENTATION_LEFTBOT; ++orientation) {
      SCOPED_TRACE(std::string(layout.name) + " " + std::to_string(orientation));
      TestPage page = layout.page;
      page.orientation = orientation;
      const QString path = Path("saved.tif");
      WriteFile(path, {page, page});
      ASSERT_TRUE(doc_.Load(path).Ok());
      ASSERT_TRUE(doc_.Rotate(90).Ok());
      const QSizeF shape = doc_.DisplaySize(1);
      const DocumentResult saved = doc_.Save();
      ASSERT_TRUE(saved.Ok()) << saved.description.toStdString();

      ImageDocument again;
      ASSERT_TRUE(again.Load(path).Ok());
      const QImage upright = Picture(page);
      EXPECT_EQ(Mismatches(again.CurrentImage(), upright.transformed(QTransform().rotate(90)), Tolerance(page)), 0);
      // The resolutions turn with the pixels: the page keeps the proportions it was shown in.
      const QSizeF after = again.DisplaySize(1);
      EXPECT_DOUBLE_EQ(after.width() / after.height(), shape.width() / shape.height());
      ASSERT_TRUE(again.SetCurrentPage(2).Ok());
      EXPECT_EQ(Mismatches(again.CurrentImage(), upright, Tolerance(page)), 0);
    }
  }
}

// An old-style JPEG page as old scanners wrote it: a whole JFIF stream that both the strip and
// JPEGInterchangeFormat point at. libtiff writes neither that compression nor those tags, so the
// page is written uncompressed with stand-in tags that are then renamed in place.
TEST_F(PageDecodeTest, OldStyleJpegPagesAreShown) {
  if (!TIFFIsCODECConfigured(COMPRESSION_OJPEG)) GTEST_SKIP() << "old-style JPEG not built in";
  QImage picture(32, 16, QImage::Format_RGB32);
  picture.fill(QColor(200, 40, 40));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) picture.setPixel(x, y, qRgb(20, 40, 220));
  QByteArray jfif;
  QBuffer buffer(&jfif);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPG", 95));

  constexpr ttag_t kOffsetStandIn = 65000, kLengthStandIn = 65001;
  static const TIFFFieldInfo standIns[] = {
      {kOffsetStandIn, 1, 1, TIFF_LONG, FIELD_CUSTOM, 1, 0, const_cast<char*>("JfifOffset")},
      {kLengthStandIn, 1, 1, TIFF_LONG, FIELD_CUSTOM, 1, 0, const_cast<char*>("JfifLength")}};
  const QString path = Path("ojpeg.tif");
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tif, nullptr);
  ASSERT_EQ(TIFFMergeFieldInfo(tif, standIns, 2), 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 32);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 16);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
  ASSERT_EQ(TIFFWriteRawStrip(tif, 0, jfif.data(), jfif.size()), jfif.size());
  TIFFSetField(tif, kOffsetStandIn, uint32_t(TIFFGetStrileOffset(tif, 0)));
  TIFFSetField(tif, kLengthStandIn, uint32_t(jfif.size()));
  ASSERT_TRUE(TIFFWriteDirectory(tif));
  TIFFClose(tif);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  QByteArray bytes = file.readAll();
  uint32_t directory = 0;
  uint16_t entries = 0;
  std::memcpy(&directory, bytes.constData() + 4, 4);
  std::memcpy(&entries, bytes.constData() + directory, 2);
  for (int i = 0; i < entries; ++i) {
    char* entry = bytes.data() + directory + 2 + 12 * i;
    uint16_t tag = 0;
    std::memcpy(&tag, entry, 2);
    // The stand-ins are the directory's last two entries, so the renamed tags stay in order.
    const uint16_t renamed = tag == kOffsetStandIn   ? uint16_t(TIFFTAG_JPEGIFOFFSET)
                             : tag == kLengthStandIn ? uint16_t(TIFFTAG_JPEGIFBYTECOUNT)
                                                     : tag;
    std::memcpy(entry, &renamed, 2);
    if (tag == TIFFTAG_COMPRESSION) {
      const uint16_t ojpeg = COMPRESSION_OJPEG;
      std::memcpy(entry + 8, &ojpeg, 2);
    }
  }
  ASSERT_TRUE(file.seek(0));
  ASSERT_EQ(file.write(bytes), bytes.size());
  file.close();

  const DocumentResult loaded = doc_.Load(path);
  ASSERT_TRUE(loaded.Ok()) << loaded.description.toStdString();
  const QImage shown = doc_.CurrentImage();
  ASSERT_EQ(shown.size(), QSize(32, 16));
  EXPECT_EQ(Mismatches(shown, picture.convertToFormat(QImage::Format_ARGB32), 24), 0);
}

// A Group 3 page (2-D coding) whose first row switches to uncompressed mode: libtiff reports the
// row and leaves it blank, yet answers success.
QByteArray FaxWithUncompressedRow() {
  const std::string bits = std::string("000000000001") + "0" + "0000001111" + "1010" + "0000001" + "0" +
                           "000000000001" + "1" + "10011";  // row 2: one 8-pixel white run
  QByteArray bytes((qsizetype(bits.size()) + 7) / 8, '\0');
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') bytes[qsizetype(i / 8)] = char(uchar(bytes[qsizetype(i / 8)]) | 0x80 >> (i % 8));
  return bytes;
}

TEST_F(PageDecodeTest, CodingsTheInstalledLibraryCannotDecodeAreNamed) {
  struct Case {
    const char* name;
    uint16_t compression;
    uint32_t options;
    QByteArray data;
    const char* named;
  };
  const Case cases[] = {
      {"fax with uncompressed mode", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_UNCOMPRESSED,
       FaxWithUncompressedRow(), "Group 3 fax that uses uncompressed mode"},
      {"fax not declaring it", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, FaxWithUncompressedRow(),
       "Group 3 fax that uses uncompressed mode"},
      {"unknown compression", 34712, 0, QByteArray(4, '\x55'), "compression number 34712, which the installed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = Path("fax.tif");
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 8);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, c.compression);
    if (c.compression == COMPRESSION_CCITTFAX3) TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, c.options);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
    ASSERT_EQ(TIFFWriteRawStrip(tif, 0, const_cast<char*>(c.data.constData()), c.data.size()), c.data.size());
    ASSERT_TRUE(TIFFWriteDirectory(tif));
    TIFFClose(tif);
    const DocumentResult loaded = doc_.Load(path);
    EXPECT_EQ(loaded.code, 2026);
    EXPECT_TRUE(loaded.description.contains(QString::fromUtf8(c.named))) << loaded.description.toStdString();
    EXPECT_FALSE(doc_.IsLoaded());
  }
}

}  // namespace
}  // namespace pyxa
