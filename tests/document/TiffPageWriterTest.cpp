// Page writer: untouched pages keep their compressed bytes and tags, rotated pages decode to the turned
// pixels, a file can be saved onto itself, and failures leave the target as it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "TestTiffs.h"
#include "document/TiffPageWriter.h"
#include "document/TiffPages.h"

namespace pyxa {
namespace {

constexpr ttag_t kBarCodeTag = 600;

struct TestPage {
  std::uint32_t width = 64;
  std::uint32_t height = 48;
  std::uint16_t bits = 8;
  std::uint16_t samples = 1;
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t compression = COMPRESSION_NONE;
  std::uint32_t rowsPerStrip = 0;  // 0: one strip
  std::uint32_t tile = 0;          // tile side, 0: strips
  float xres = 200;
  float yres = 200;
  std::uint16_t unit = RESUNIT_INCH;
  QByteArray barCode;  // private tag 600 when not empty
  bool separatePlanes = false;
  std::uint32_t seed = 1;

  std::size_t RowBytes() const { return (static_cast<std::size_t>(width) * bits * samples + 7) / 8; }
};

// Deterministic pixels with runs (so every codec has something to squeeze) and no symmetry.
std::vector<unsigned char> MakePixels(const TestPage& p) {
  std::vector<unsigned char> pixels(p.RowBytes() * p.height);
  for (std::uint32_t y = 0; y < p.height; ++y) {
    for (std::size_t i = 0; i < p.RowBytes(); ++i) {
      const std::uint32_t h = (static_cast<std::uint32_t>(i) / 3 * 2654435761u) ^ ((y / 2 + p.seed) * 40503u);
      pixels[y * p.RowBytes() + i] = p.bits == 1 ? static_cast<unsigned char>(h >> 13)
                                                 : static_cast<unsigned char>((i * 3 + y * 5 + (h >> 28)) & 0xFF);
    }
  }
  return pixels;
}

void WriteTiff(const QString& path, const std::vector<TestPage>& pages) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tif, nullptr);
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const TestPage& p = pages[n];
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.separatePlanes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    if (p.photometric == PHOTOMETRIC_PALETTE) {
      std::vector<std::uint16_t> map(3u << p.bits);
      for (std::size_t i = 0; i < map.size(); ++i) map[i] = static_cast<std::uint16_t>(i * 997);
      const std::size_t entries = 1u << p.bits;
      TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
    }
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.xres);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.yres);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
    TIFFSetField(tif, TIFFTAG_SOFTWARE, "scanner 7");
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(n), static_cast<std::uint16_t>(pages.size()));
    if ((p.compression == COMPRESSION_LZW || p.compression == COMPRESSION_ADOBE_DEFLATE) && p.bits >= 8) {
      TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    if (p.compression == COMPRESSION_JPEG) {
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 75);
      if (p.photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (!p.barCode.isEmpty()) {
      static const TIFFFieldInfo info{
          kBarCodeTag, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_BYTE, FIELD_CUSTOM, 1, 1, const_cast<char*>("BarCodes")};
      if (!TIFFFindField(tif, kBarCodeTag, TIFF_ANY)) {
        ASSERT_EQ(TIFFMergeFieldInfo(tif, &info, 1), 0);
      }
      TIFFSetField(tif, kBarCodeTag, static_cast<std::uint32_t>(p.barCode.size()), p.barCode.constData());
    }
    const std::vector<unsigned char> pixels = MakePixels(p);
    if (p.tile) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
      std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
      const std::size_t pixelBytes = p.bits * p.samples / 8;
      for (std::uint32_t y = 0; y < p.height; y += p.tile) {
        for (std::uint32_t x = 0; x < p.width; x += p.tile) {
          std::fill(tile.begin(), tile.end(), 0);
          for (std::uint32_t r = 0; r < p.tile && y + r < p.height; ++r) {
            for (std::uint32_t c = 0; c < p.tile && x + c < p.width; ++c) {
              std::memcpy(&tile[(r * p.tile + c) * pixelBytes], &pixels[(y + r) * p.RowBytes() + (x + c) * pixelBytes],
                          pixelBytes);
            }
          }
          ASSERT_GE(TIFFWriteTile(tif, tile.data(), x, y, 0, 0), 0);
        }
      }
    } else if (p.separatePlanes) {  // 8-bit samples, one strip per plane
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.height);
      for (std::uint16_t plane = 0; plane < p.samples; ++plane) {
        std::vector<unsigned char> samples(static_cast<std::size_t>(p.width) * p.height);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = pixels[i * p.samples + plane];
        ASSERT_GE(TIFFWriteEncodedStrip(tif, plane, samples.data(), static_cast<tmsize_t>(samples.size())), 0);
      }
    } else {
      const std::uint32_t rows = p.rowsPerStrip ? p.rowsPerStrip : p.height;
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
      for (std::uint32_t row = 0, strip = 0; row < p.height; row += rows, ++strip) {
        const std::uint32_t n2 = std::min(rows, p.height - row);
        ASSERT_GE(TIFFWriteEncodedStrip(tif, strip, const_cast<unsigned char*>(&pixels[row * p.RowBytes()]),
                                        static_cast<tmsize_t>(n2 * p.RowBytes())),
                  0);
      }
    }
    ASSERT_TRUE(TIFFWriteDirectory(tif));
  }
  TIFFClose(tif);
}

struct PageRead {
  std::uint32_t width = 0, height = 0, rowsPerStrip = 0;
  std::uint16_t compression = 0, photometric = 0, unit = 0, bits = 0, samples = 0, pageIndex = 0, pageCount = 0;
  std::uint16_t predictor = 0;
  float xres = 0, yres = 0;
  std::vector<QByteArray> raw;
  std::vector<unsigned char> pixels;  // decoded, rows packed
  QByteArray barCode;
};

PageRead ReadPage(const QString& path, int directory) {
  PageRead r;
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (!tif) return r;
  if (!TIFFSetDirectory(tif, static_cast<tdir_t>(directory))) {
    TIFFClose(tif);
    return r;
  }
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &r.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &r.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &r.rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &r.compression);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &r.photometric);
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &r.unit);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &r.bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &r.samples);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &r.xres);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &r.yres);
  TIFFGetField(tif, TIFFTAG_PAGENUMBER, &r.pageIndex, &r.pageCount);
  if (TIFFFindField(tif, TIFFTAG_PREDICTOR, TIFF_ANY)) TIFFGetField(tif, TIFFTAG_PREDICTOR, &r.predictor);
  std::uint32_t count = 0;
  void* data = nullptr;
  if (TIFFFindField(tif, kBarCodeTag, TIFF_ANY) && TIFFGetField(tif, kBarCodeTag, &count, &data)) {
    r.barCode = QByteArray(static_cast<const char*>(data), static_cast<int>(count));
  }
  const std::uint32_t pieces = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  for (std::uint32_t i = 0; i < pieces; ++i) {
    QByteArray bytes(static_cast<int>(TIFFGetStrileByteCount(tif, i)), '\0');
    if (TIFFIsTiled(tif)) {
      TIFFReadRawTile(tif, i, bytes.data(), bytes.size());
    } else {
      TIFFReadRawStrip(tif, i, bytes.data(), bytes.size());
    }
    r.raw.push_back(bytes);
  }
  if (r.photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  const std::size_t rowBytes = (static_cast<std::size_t>(r.width) * r.bits * r.samples + 7) / 8;
  r.pixels.assign(rowBytes * r.height, 0);
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (planar == PLANARCONFIG_SEPARATE) {  // 8-bit samples: interleave the planes for comparison
    std::vector<unsigned char> plane(static_cast<std::size_t>(r.width) * r.height);
    for (std::uint16_t s = 0; s < r.samples; ++s) {
      for (std::uint32_t row = 0; row < r.height; row += r.rowsPerStrip) {
        const std::uint32_t n = std::min(r.rowsPerStrip, r.height - row);
        TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, row, s), &plane[row * r.width],
                             static_cast<tmsize_t>(n * r.width));
      }
      for (std::size_t i = 0; i < plane.size(); ++i) r.pixels[i * r.samples + s] = plane[i];
    }
  } else if (!TIFFIsTiled(tif)) {
    for (std::uint32_t row = 0; row < r.height; row += r.rowsPerStrip) {
      const std::uint32_t n = std::min(r.rowsPerStrip, r.height - row);
      if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, row, 0), &r.pixels[row * rowBytes],
                               static_cast<tmsize_t>(n * rowBytes)) < 0) {
        r.pixels.clear();
        break;
      }
    }
  }
  TIFFClose(tif);
  return r;
}

// Reference quarter turns, written from the source pixel's point of view.
std::vector<unsigned char> Turn(const std::vector<unsigned char>& in, std::uint32_t w, std::uint32_t h, unsigned bits,
                                int rotation) {
  const std::uint32_t ow = rotation == 180 ? w : h;
  const std::uint32_t oh = rotation == 180 ? h : w;
  const std::size_t inRow = (static_cast<std::size_t>(w) * bits + 7) / 8;
  const std::size_t outRow = (static_cast<std::size_t>(ow) * bits + 7) / 8;
  std::vector<unsigned char> out(outRow * oh, 0);
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint32_t nx = 0, ny = 0;
      if (rotation == 90) {
        nx = h - 1 - y;
        ny = x;
      } else if (rotation == 180) {
        nx = w - 1 - x;
        ny = h - 1 - y;
      } else {
        nx = y;
        ny = w - 1 - x;
      }
      if (bits < 8) {
        const unsigned shiftIn = 8 - bits - (x * bits) % 8;
        const unsigned value = (in[y * inRow + x * bits / 8] >> shiftIn) & ((1u << bits) - 1);
        const unsigned shiftOut = 8 - bits - (nx * bits) % 8;
        out[ny * outRow + nx * bits / 8] |= static_cast<unsigned char>(value << shiftOut);
      } else {
        std::memcpy(&out[ny * outRow + nx * bits / 8], &in[y * inRow + x * bits / 8], bits / 8);
      }
    }
  }
  return out;
}

class TiffPageWriterTest : public ::testing::Test {
 protected:
  // The private bar-code tag is unknown to libtiff when the checks read it back: no warning noise.
  static void SetUpTestSuite() { previousWarning_ = TIFFSetWarningHandler(nullptr); }
  static void TearDownTestSuite() { TIFFSetWarningHandler(previousWarning_); }
  static inline TIFFErrorHandler previousWarning_ = nullptr;

  QString Path(const QString& name) const { return dir_.filePath(name); }
  QByteArray ReadAll(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

  static TestPage G4(float xres, float yres) {
    TestPage p;
    p.width = 301;  // not a byte multiple: rows carry padding bits
    p.height = 211;
    p.bits = 1;
    p.photometric = PHOTOMETRIC_MINISWHITE;
    p.compression = COMPRESSION_CCITTFAX4;
    p.xres = xres;
    p.yres = yres;
    p.rowsPerStrip = 64;
    return p;
  }
  static TestPage Gray(std::uint16_t compression) {
    TestPage p;
    p.width = 70;
    p.height = 45;
    p.compression = compression;
    p.rowsPerStrip = 16;
    return p;
  }
  static TestPage Rgb(std::uint16_t compression) {
    TestPage p;
    p.width = 80;
    p.height = 48;
    p.samples = 3;
    p.photometric = compression == COMPRESSION_JPEG ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB;
    p.compression = compression;
    p.rowsPerStrip = 16;
    return p;
  }

  QTemporaryDir dir_;
};

TEST_F(TiffPageWriterTest, CopiedPagesKeepTheirCompressedBytesAndTags) {
  TestPage g4 = G4(200, 200);
  g4.barCode = QByteArray("CODE39:12345\0", 13);
  TestPage packbits = Gray(COMPRESSION_PACKBITS);
  packbits.xres = packbits.yres = 300;
  packbits.unit = RESUNIT_CENTIMETER;
  TestPage tiled = Gray(COMPRESSION_ADOBE_DEFLATE);
  tiled.width = 40;
  tiled.height = 40;
  tiled.tile = 16;
  const std::vector<TestPage> layouts{g4,
                                    Gray(COMPRESSION_LZW),
                                    Rgb(COMPRESSION_ADOBE_DEFLATE),
                                    Rgb(COMPRESSION_JPEG),
                                    Gray(COMPRESSION_NONE),
                                    packbits,
                                    tiled};
  const QString source = Path(QStringLiteral("source.tif"));
  WriteTiff(source, layouts);
  const QString target = Path(QStringLiteral("out.tif"));
  const std::vector<int> order{5, 3, 0, 2, 1, 4, 6};
  std::vector<TiffPageSource> pages;
  for (int d : order) pages.push_back({source, d, 0});

  const TiffWriteResult result = WriteTiffPages(pages, target);
  ASSERT_TRUE(result.Ok()) << result.code << " " << result.description.toStdString();
  for (std::size_t i = 0; i < order.size(); ++i) {
    SCOPED_TRACE(i);
    const PageRead in = ReadPage(source, order[i]);
    const PageRead out = ReadPage(target, static_cast<int>(i));
    EXPECT_EQ(out.raw, in.raw);
    EXPECT_EQ(out.width, in.width);
    EXPECT_EQ(out.height, in.height);
    EXPECT_EQ(out.compression, in.compression);
    EXPECT_EQ(out.photometric, in.photometric);
    EXPECT_EQ(out.unit, in.unit);
    EXPECT_EQ(out.xres, in.xres);
    EXPECT_EQ(out.yres, in.yres);
    EXPECT_EQ(out.rowsPerStrip, in.rowsPerStrip);
    EXPECT_EQ(out.predictor, in.predictor);
    EXPECT_EQ(out.barCode, in.barCode);
    EXPECT_EQ(out.pageIndex, i);
    EXPECT_EQ(out.pageCount, order.size());
    EXPECT_FALSE(out.pixels.empty());
    EXPECT_EQ(out.pixels, in.pixels);  // the JPEG page decodes too, thanks to its tables
  }
  EXPECT_EQ(ReadPage(target, 2).barCode, g4.barCode);
  EXPECT_EQ(Entries(), (QStringList{QStringLiteral("out.tif"), QStringLiteral("source.tif")}));
}

TEST_F(TiffPageWriterTest, RotatedPagesDecodeToTheTurnedPixels) {
  const std::vector<TestPage> layouts{G4(200, 300), Gray(COMPRESSION_LZW), Rgb(COMPRESSION_ADOBE_DEFLATE),
                                    Gray(COMPRESSION_PACKBITS)};
  const QString source = Path(QStringLiteral("source.tif"));
  WriteTiff(source, layouts);
  std::vector<TiffPageSource> pages;
  for (int d = 0; d < 4; ++d) {
    for (int rotation : {90, 180, 270}) pages.push_back({source, d, rotation});
  }
  const QString target = Path(QStringLiteral("turned.tif"));
  const TiffWriteResult result = WriteTiffPages(pages, target);
  ASSERT_TRUE(result.Ok()) << result.code << " " << result.description.toStdString();

  for (std::size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    const PageRead in = ReadPage(source, pages[i].directory);
    const PageRead out = ReadPage(target, static_cast<int>(i));
    const bool swap = pages[i].rotation != 180;
    EXPECT_EQ(out.width, swap ? in.height : in.width);
    EXPECT_EQ(out.height, swap ? in.width : in.height);
    EXPECT_EQ(out.xres, swap ? in.yres : in.xres);
    EXPECT_EQ(out.yres, swap ? in.xres : in.yres);
    EXPECT_EQ(out.compression, in.compression);
    EXPECT_EQ(out.photometric, in.photometric);
    EXPECT_EQ(out.pageIndex, i);
    EXPECT_EQ(out.pixels, Turn(in.pixels, in.width, in.height, in.bits * in.samples, pages[i].rotation));
  }
}

TEST_F(TiffPageWriterTest, RotatedPalettePlanarAndOddWidthPages) {
  TestPage palette = Gray(COMPRESSION_LZW);
  palette.bits = 4;
  palette.width = 37;
  palette.photometric = PHOTOMETRIC_PALETTE;
  TestPage planes = Rgb(COMPRESSION_ADOBE_DEFLATE);
  planes.separatePlanes = true;
  const QString source = Path(QStringLiteral("source.tif"));
  WriteTiff(source, {palette, planes});
  const QString target = Path(QStringLiteral("turned.tif"));
  const TiffWriteResult result =
      WriteTiffPages({{source, 0, 90}, {source, 0, 270}, {source, 1, 90}, {source, 1, 180}}, target);
  ASSERT_TRUE(result.Ok()) << result.description.toStdString();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const PageRead in = ReadPage(source, i / 2);
    const PageRead out = ReadPage(target, i);
    const int rotation = std::vector<int>{90, 270, 90, 180}[static_cast<std::size_t>(i)];
    EXPECT_EQ(out.photometric, in.photometric);
    EXPECT_EQ(out.pixels, Turn(in.pixels, in.width, in.height, in.bits * in.samples, rotation));
  }
  TIFF* tif = TIFFOpen(QFile::encodeName(target).constData(), "r");
  ASSERT_NE(tif, nullptr);
  std::uint16_t* red = nullptr;
  std::uint16_t* green = nullptr;
  std::uint16_t* blue = nullptr;
  ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue));
  EXPECT_EQ(green[1], 17 * 997);  // the palette travels with the page
  TIFFClose(tif);
}

TEST_F(TiffPageWriterTest, RotatedJpegAndTiledPagesAreReadable) {
  TestPage jpeg = Rgb(COMPRESSION_JPEG);
  TestPage tiled = Gray(COMPRESSION_LZW);
  tiled.width = 40;
  tiled.height = 24;
  tiled.tile = 16;
  const QString source = Path(QStringLiteral("source.tif"));
  WriteTiff(source, {jpeg, tiled});
  const QString target = Path(QStringLiteral("turned.tif"));
  ASSERT_TRUE(WriteTiffPages({{source, 0, 90}, {source, 1, 270}}, target).Ok());

  const PageRead in = ReadPage(source, 0);
  const PageRead out = ReadPage(target, 0);
  EXPECT_EQ(out.compression, COMPRESSION_JPEG);
  EXPECT_EQ(out.width, in.height);
  EXPECT_EQ(out.height, in.width);
  ASSERT_EQ(out.pixels.size(), in.pixels.size());
  // Lossy: the turned page stays close to the turned source.
  const std::vector<unsigned char> expected = Turn(in.pixels, in.width, in.height, 24, 90);
  double difference = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) difference += std::abs(int(expected[i]) - int(out.pixels[i]));
  EXPECT_LT(difference / static_cast<double>(expected.size()), 12.0);

  // The tiled page comes out in strips; compare by decoding the source through a copied strip page.
  const PageRead turned = ReadPage(target, 1);
  EXPECT_EQ(turned.width, 24u);
  EXPECT_EQ(turned.height, 40u);
  TestPage plain = tiled;
  plain.tile = 0;
  EXPECT_EQ(turned.pixels, Turn(MakePixels(plain), 40, 24, 8, 270));
}

TEST_F(TiffPageWriterTest, SavingAFileOntoItself) {
  const QString file = Path(QStringLiteral("batch.tif"));
  WriteTiff(file, {G4(300, 300), Gray(COMPRESSION_LZW), Rgb(COMPRESSION_ADOBE_DEFLATE)});
  const PageRead first = ReadPage(file, 0);
  const PageRead third = ReadPage(file, 2);

  const TiffWriteResult result = WriteTiffPages({{file, 2, 0}, {file, 0, 180}}, file);
  ASSERT_TRUE(result.Ok()) << result.description.toStdString();
  EXPECT_EQ(ReadPage(file, 0).raw, third.raw);
  EXPECT_EQ(ReadPage(file, 1).pixels, Turn(first.pixels, first.width, first.height, 1, 180));
  EXPECT_EQ(ReadPage(file, 2).width, 0u);  // only two pages left
  EXPECT_EQ(Entries(), QStringList{QStringLiteral("batch.tif")});
}

TEST_F(TiffPageWriterTest, FailuresLeaveTheTargetAsItWas) {
  const QString source = Path(QStringLiteral("source.tif"));
  TestPage big = Gray(COMPRESSION_NONE);
  big.width = big.height = 300;
  WriteTiff(source, {big, big});
  const QString target = Path(QStringLiteral("target.tif"));
  WriteTiff(target, {Gray(COMPRESSION_LZW)});
  const QByteArray before = ReadAll(target);
  const QStringList entries = Entries();

  EXPECT_EQ(WriteTiffPages({}, target).code, -2002);
  EXPECT_EQ(WriteTiffPages({{Path(QStringLiteral("missing.tif")), 0, 0}}, target).code, 2004);
  EXPECT_EQ(WriteTiffPages({{source, 5, 0}}, target).code, 2008);
  EXPECT_EQ(WriteTiffPages({{source, 0, 45}}, target).code, 2051);
  const TiffWriteResult noFolder = WriteTiffPages({{source, 0, 0}}, Path(QStringLiteral("gone/out.tif")));
  EXPECT_EQ(noFolder.code, 2011);
  EXPECT_EQ(noFolder.description.left(21), QStringLiteral("Error writing to file"));

  // Files may not grow past 64 KiB for a moment: the disk is "full" halfway through the pages.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const TiffWriteResult copied = WriteTiffPages({{source, 0, 0}, {source, 1, 0}}, target);
  const TiffWriteResult turned = WriteTiffPages({{source, 0, 90}, {source, 1, 90}}, target);
  const TiffWriteResult inPlace = AppendTiffPagesInPlace(target, source);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(copied.code, 2011);
  EXPECT_EQ(turned.code, 2011);
  EXPECT_EQ(inPlace.code, 2011);
  EXPECT_EQ(ReadAll(target), before);
  EXPECT_EQ(Entries(), entries);  // no temporary file left behind
}

// Pages added in place follow the old ones untouched; until the one link to them lands (a crash just
// before it), the file reads as its old pages.
TEST_F(TiffPageWriterTest, PagesAddedInPlaceLeaveTheOldPagesAndAreLinkedLast) {
  TestPage tiled = Gray(COMPRESSION_ADOBE_DEFLATE);
  tiled.width = tiled.height = 40;
  tiled.tile = 16;
  const std::vector<TestPage> old{G4(200, 200), Gray(COMPRESSION_LZW)};
  const std::vector<TestPage> added{Rgb(COMPRESSION_JPEG), tiled};
  const QString target = Path(QStringLiteral("batch.tif"));
  const QString addition = Path(QStringLiteral("page.tif"));
  WriteTiff(target, old);
  WriteTiff(addition, added);
  const QByteArray before = ReadAll(target);

  const TiffWriteResult result = AppendTiffPagesInPlace(target, addition);
  ASSERT_TRUE(result.Ok()) << result.description.toStdString();
  const QByteArray after = ReadAll(target);
  ASSERT_GT(after.size(), before.size());
  int changed = 0;
  for (qsizetype i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_GT(changed, 0);
  EXPECT_LE(changed, 4);  // the old last page's link, nothing else
  EXPECT_EQ(testing::TiffinfoComplaint(target), QString());
  for (int i = 2; i < 4; ++i) {
    SCOPED_TRACE(i);
    const PageRead in = ReadPage(addition, i - 2);
    const PageRead out = ReadPage(target, i);
    EXPECT_EQ(out.raw, in.raw);
    EXPECT_EQ(out.pixels, in.pixels);
    EXPECT_EQ(out.pageIndex, unsigned(i));
    EXPECT_EQ(out.pageCount, 0u);
  }

  QFile crashed(Path(QStringLiteral("crashed.tif")));
  ASSERT_TRUE(crashed.open(QIODevice::WriteOnly));
  crashed.write(before + after.mid(before.size()));
  crashed.close();
  TiffPages pages;
  ASSERT_TRUE(pages.Open(crashed.fileName()).Ok());
  EXPECT_EQ(pages.PageCount(), 2);
  EXPECT_FALSE(pages.Damaged());
  EXPECT_EQ(testing::TiffinfoComplaint(crashed.fileName()), QString());

  // A file whose chain breaks off is refused as it is.
  QByteArray broken = after;
  broken.truncate(before.size() - 1);
  QFile damaged(Path(QStringLiteral("damaged.tif")));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(broken);
  damaged.close();
  EXPECT_EQ(AppendTiffPagesInPlace(damaged.fileName(), addition).code, 2004);
  EXPECT_EQ(ReadAll(damaged.fileName()), broken);
}

TEST_F(TiffPageWriterTest, NewFilesArePrivateAndReplacedFilesKeepTheirMode) {
  const auto mode = [](const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0u;
  };
  const QString source = Path(QStringLiteral("source.tif"));
  WriteTiff(source, {Gray(COMPRESSION_LZW)});
  const QString fresh = Path(QStringLiteral("fresh.tif"));
  ASSERT_TRUE(WriteTiffPages({{source, 0, 0}}, fresh).Ok());
  EXPECT_EQ(mode(fresh), 0600u);
  ASSERT_EQ(::chmod(QFile::encodeName(source).constData(), 0644), 0);
  ASSERT_TRUE(WriteTiffPages({{source, 0, 90}}, source).Ok());
  EXPECT_EQ(mode(source), 0644u);
}

}  // namespace
}  // namespace pyxa
