// The page engine on files made here with libtiff: every compression and bit depth, paging,
// pending edits and their bookkeeping, fit scales, rendering, and a JPG.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <tiffio.h>

#include <cstring>
#include <vector>

#include "document/ImageDocument.h"

namespace pyxa {
namespace {

struct PageShape {
  int width = 64;
  int height = 48;
  int bits = 1;  // 1, 8 (grey) or 24 (RGB)
  int compression = COMPRESSION_NONE;
  bool palette = false;
  bool tiled = false;
  float xdpi = 300, ydpi = 300;
};

// Pixel x,y of page p: lossless formats must come back exactly like this.
bool Ink(int page, int x, int y) { return (x + 2 * y + 3 * page) % 7 == 0 || x == page; }
int Grey(int page, int x, int y) { return (x * 4 + y * 3 + page * 40) % 256; }

void WritePage(TIFF* tif, const PageShape& shape, int page) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, shape.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, shape.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, shape.bits == 1 ? 1 : 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, shape.bits == 24 ? 3 : 1);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, shape.compression);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, shape.xdpi);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, shape.ydpi);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  int photometric = shape.bits == 1 ? PHOTOMETRIC_MINISWHITE
                    : shape.bits == 24 ? PHOTOMETRIC_RGB
                    : shape.palette ? PHOTOMETRIC_PALETTE
                                   : PHOTOMETRIC_MINISBLACK;
  if (shape.compression == COMPRESSION_JPEG && shape.bits == 24) {
    photometric = PHOTOMETRIC_YCBCR;
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  } else {
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  }
  if (shape.palette) {
    std::vector<uint16_t> r(256), g(256), b(256);
    for (int i = 0; i < 256; ++i) r[i] = g[i] = b[i] = uint16_t(i * 257);
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  const int rowBytes = shape.bits == 1 ? (shape.width + 7) / 8 : shape.width * shape.bits / 8;
  std::vector<std::vector<uint8_t>> rows(size_t(shape.height), std::vector<uint8_t>(size_t(rowBytes), 0));
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x) {
      auto& row = rows[size_t(y)];
      if (shape.bits == 1) {
        if (Ink(page, x, y)) row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
      } else if (shape.bits == 8) {
        row[size_t(x)] = uint8_t(Grey(page, x, y));
      } else {
        row[size_t(x) * 3] = uint8_t(Grey(page, x, y));
        row[size_t(x) * 3 + 1] = uint8_t(255 - Grey(page, x, y));
        row[size_t(x) * 3 + 2] = uint8_t(page * 50);
      }
    }
  if (shape.tiled) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    const tmsize_t tileSize = TIFFTileSize(tif), tileRow = TIFFTileRowSize(tif);
    std::vector<uint8_t> tile(static_cast<size_t>(tileSize));
    for (int ty = 0; ty < shape.height; ty += 16)
      for (int tx = 0; tx < shape.width; tx += 16) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int r = 0; r < 16 && ty + r < shape.height; ++r) {
          const int left = tx * (shape.bits == 1 ? 1 : shape.bits / 8) / (shape.bits == 1 ? 8 : 1);
          const int bytes = std::min<int>(int(tileRow), rowBytes - left);
          std::memcpy(tile.data() + r * tileRow, rows[size_t(ty + r)].data() + left, size_t(bytes));
        }
        TIFFWriteEncodedTile(tif, TIFFComputeTile(tif, uint32_t(tx), uint32_t(ty), 0, 0), tile.data(),
                             tileSize);
      }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    for (int y = 0; y < shape.height; ++y) TIFFWriteScanline(tif, rows[size_t(y)].data(), uint32_t(y), 0);
  }
  TIFFWriteDirectory(tif);
}

QString WriteTiff(const QString& path, const PageShape& shape, int pages) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  EXPECT_NE(tif, nullptr);
  for (int p = 0; p < pages; ++p) WritePage(tif, shape, p);
  TIFFClose(tif);
  return path;
}

class ImageDocumentTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
  ImageDocument doc_;
};

// Compares the decoded page with what was written (exactly, or near enough for JPEG).
void ExpectPagePixels(const QImage& image, const PageShape& shape, int page) {
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(shape.width, shape.height));
  const int tolerance = shape.compression == COMPRESSION_JPEG ? 40 : 0;
  int bad = 0;
  for (int y = 0; y < shape.height; ++y)
    for (int x = 0; x < shape.width; ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (shape.bits == 1) {
        bad += (qGray(pixel) < 128) != Ink(page, x, y);
      } else if (shape.bits == 8) {
        bad += std::abs(qGray(pixel) - Grey(page, x, y)) > tolerance;
      } else {
        bad += std::abs(qRed(pixel) - Grey(page, x, y)) > tolerance ||
               std::abs(qBlue(pixel) - page * 50) > tolerance;
      }
    }
  // JPEG smears the sharp pattern a little; a lossless codec must be exact.
  if (tolerance == 0)
    EXPECT_EQ(bad, 0);
  else
    EXPECT_LT(bad, shape.width * shape.height / 10);
}

struct FormatCase {
  const char* name;
  PageShape shape;
  QImage::Format format;
};

class ImageDocumentFormatTest : public ImageDocumentTest,
                                public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ImageDocumentFormatTest, LoadsEveryPageWithItsOwnPixels) {
  const FormatCase& c = GetParam();
  if (!TIFFIsCODECConfigured(uint16_t(c.shape.compression))) GTEST_SKIP() << "codec not built in";
  const QString path = WriteTiff(Path(QStringLiteral("f.tif")), c.shape, 3);
  ASSERT_TRUE(doc_.Load(path).Ok()) << doc_.LastError().description.toStdString();
  EXPECT_EQ(doc_.PageCount(), 3);
  EXPECT_EQ(doc_.CurrentPage(), 1);
  for (int page : {3, 1, 2}) {
    ASSERT_TRUE(doc_.SetCurrentPage(page).Ok());
    const QImage image = doc_.CurrentImage();
    EXPECT_EQ(image.format(), c.format);
    ExpectPagePixels(image, c.shape, page - 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, ImageDocumentFormatTest,
    ::testing::Values(
        FormatCase{"Bilevel", {64, 48, 1, COMPRESSION_NONE}, QImage::Format_Mono},
        FormatCase{"G3", {70, 40, 1, COMPRESSION_CCITTFAX3}, QImage::Format_Mono},
        FormatCase{"G4", {70, 40, 1, COMPRESSION_CCITTFAX4}, QImage::Format_Mono},
        FormatCase{"LzwBilevel", {64, 48, 1, COMPRESSION_LZW}, QImage::Format_Mono},
        FormatCase{"PackBits", {64, 48, 1, COMPRESSION_PACKBITS}, QImage::Format_Mono},
        FormatCase{"DeflateBilevel", {64, 48, 1, COMPRESSION_ADOBE_DEFLATE}, QImage::Format_Mono},
        FormatCase{"TiledBilevel", {40, 40, 1, COMPRESSION_LZW, false, true}, QImage::Format_Mono},
        FormatCase{"Grey", {64, 48, 8, COMPRESSION_NONE}, QImage::Format_Grayscale8},
        FormatCase{"LzwGrey", {64, 48, 8, COMPRESSION_LZW}, QImage::Format_Grayscale8},
        FormatCase{"JpegGrey", {64, 48, 8, COMPRESSION_JPEG}, QImage::Format_Grayscale8},
        FormatCase{"Palette", {64, 48, 8, COMPRESSION_PACKBITS, true}, QImage::Format_Indexed8},
        FormatCase{"Rgb", {64, 48, 24, COMPRESSION_NONE}, QImage::Format_RGB888},
        FormatCase{"TiledRgb", {40, 40, 24, COMPRESSION_NONE, false, true}, QImage::Format_RGB888},
        FormatCase{"DeflateRgb", {64, 48, 24, COMPRESSION_ADOBE_DEFLATE}, QImage::Format_RGB888},
        FormatCase{"JpegRgb", {64, 48, 24, COMPRESSION_JPEG}, QImage::Format_RGB888}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ImageDocumentTest, PagingRefusesPagesOutsideTheFile) {
  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("p.tif")), {}, 3)).Ok());
  EXPECT_EQ(doc_.SetCurrentPage(0).code, 2008);
  EXPECT_EQ(doc_.SetCurrentPage(4).code, 2008);
  EXPECT_EQ(doc_.CurrentPage(), 1);
  EXPECT_TRUE(doc_.SetCurrentPage(3).Ok());
  EXPECT_EQ(doc_.CurrentPage(), 3);
  doc_.Close();
  EXPECT_FALSE(doc_.IsLoaded());
  EXPECT_EQ(doc_.CurrentPage(), 0);
  EXPECT_EQ(doc_.SetCurrentPage(1).code, 2002);
  EXPECT_EQ(doc_.Rotate().code, 2002);
  EXPECT_TRUE(doc_.RenderPage(1.0).isNull());
}

TEST_F(ImageDocumentTest, EditsAreBookkeptUntilUndo) {
  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("e.tif")), {}, 4)).Ok());
  EXPECT_FALSE(doc_.HasUnsavedChanges());

  // Four quarter turns bring the page back as it was: nothing to save.
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(doc_.Rotate(90).Ok());
  EXPECT_FALSE(doc_.HasUnsavedChanges());
  EXPECT_EQ(doc_.Rotate(45).code, 2051);
  ASSERT_TRUE(doc_.Rotate(90).Ok());
  EXPECT_TRUE(doc_.HasUnsavedChanges());
  EXPECT_EQ(doc_.CurrentImage().size(), QSize(48, 64));

  // Deleting the last page while on it leaves us on the new last page.
  ASSERT_TRUE(doc_.SetCurrentPage(4).Ok());
  ASSERT_TRUE(doc_.DeletePages(4, 1).Ok());
  EXPECT_EQ(doc_.PageCount(), 3);
  EXPECT_EQ(doc_.CurrentPage(), 3);
  ExpectPagePixels(doc_.CurrentImage(), {}, 2);

  // Deleting pages in front of the current one keeps the same page on screen.
  ASSERT_TRUE(doc_.DeletePages(std::vector<int>{1}).Ok());
  EXPECT_EQ(doc_.CurrentPage(), 2);
  ExpectPagePixels(doc_.CurrentImage(), {}, 2);
  EXPECT_EQ(doc_.DeletePages(std::vector<int>{3}).code, 2008);
  EXPECT_EQ(doc_.DeletePages(std::vector<int>{}).code, 2042);

  // The rotated page went with page 1; the new page 1 is the old page 2, unrotated.
  ASSERT_TRUE(doc_.SetCurrentPage(1).Ok());
  EXPECT_EQ(doc_.CurrentImage().size(), QSize(64, 48));

  ASSERT_TRUE(doc_.DeletePages(1, 2).Ok());
  EXPECT_TRUE(doc_.HasNoPages());
  EXPECT_EQ(doc_.CurrentPage(), 0);
  EXPECT_EQ(doc_.Rotate().code, 2005);
  EXPECT_TRUE(doc_.RenderPage(1).isNull());
  EXPECT_EQ(doc_.Save().code, -2002);

  ASSERT_TRUE(doc_.Undo().Ok());
  EXPECT_FALSE(doc_.HasUnsavedChanges());
  EXPECT_EQ(doc_.PageCount(), 4);
  EXPECT_EQ(doc_.CurrentPage(), 1);
  EXPECT_EQ(doc_.CurrentImage().size(), QSize(64, 48));  // the rotation is gone too
}

TEST_F(ImageDocumentTest, FitScalesFollowRotationAndResolution) {
  PageShape shape;
  shape.width = 200;
  shape.height = 100;
  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("s.tif")), shape, 1)).Ok());
  const QSize view(400, 400);
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Width, view), 2.0);
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Height, view), 4.0);
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Window, view), 2.0);
  EXPECT_EQ(doc_.FitScale(PageFit::Window, QSize()), 0.0);
  doc_.Rotate(90);
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Width, view), 4.0);
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Height, view), 2.0);
  EXPECT_EQ(doc_.RenderPage(doc_.FitScale(PageFit::Window, view)).size(), QSize(200, 400));

  // A fine-mode fax (204 x 98 dpi) is shown twice as tall as its rows count.
  shape.xdpi = 200;
  shape.ydpi = 100;
  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("fax.tif")), shape, 1)).Ok());
  EXPECT_EQ(doc_.DisplaySize(1), QSizeF(200, 200));
  EXPECT_DOUBLE_EQ(doc_.FitScale(PageFit::Window, view), 2.0);
  EXPECT_EQ(doc_.RenderPage(0.5).size(), QSize(100, 100));
}

TEST_F(ImageDocumentTest, ZoomIsBoundedAndRenderingIsCached) {
  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("z.tif")), {}, 2)).Ok());
  EXPECT_EQ(doc_.SetZoom(0).code, 2049);
  EXPECT_EQ(doc_.SetZoom(ImageDocument::kMaxZoom + 1).code, 2049);
  ASSERT_TRUE(doc_.SetZoom(50).Ok());
  const int decoded = doc_.DecodeCount();
  const QImage half = doc_.ApplyZoom();
  EXPECT_EQ(half.size(), QSize(32, 24));
  EXPECT_EQ(doc_.ApplyZoom().cacheKey(), half.cacheKey());  // a repaint reuses the rendering
  EXPECT_EQ(doc_.RenderPage(2.0).size(), QSize(128, 96));
  EXPECT_EQ(doc_.DecodeCount(), decoded);  // zooming never decodes again
  doc_.SetCurrentPage(2);
  doc_.RenderPage(1.0);
  EXPECT_EQ(doc_.DecodeCount(), decoded + 1);
  EXPECT_TRUE(doc_.RenderPage(0).isNull());
  EXPECT_EQ(doc_.LastError().code, 2049);
}

TEST_F(ImageDocumentTest, ShrunkBilevelPagesAreAveragedIntoGrey) {
  // A fine checkerboard: nearest-neighbour would give pure black or white, averaging mid grey.
  QImage board(64, 64, QImage::Format_Mono);
  board.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) board.setPixel(x, y, (x + y) % 2);
  const QImage small = AreaAverageBilevel(board, QSize(16, 16));
  ASSERT_EQ(small.format(), QImage::Format_Grayscale8);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) EXPECT_NEAR(qGray(small.pixel(x, y)), 128, 1);
  // A solid black half stays black and the white half white.
  board.fill(0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 32; ++x) board.setPixel(x, y, 1);
  const QImage third = AreaAverageBilevel(board, QSize(21, 21));
  EXPECT_EQ(qGray(third.pixel(0, 5)), 0);
  EXPECT_EQ(qGray(third.pixel(20, 5)), 255);
  EXPECT_TRUE(AreaAverageBilevel(board, QSize(65, 10)).isNull());

  ASSERT_TRUE(doc_.Load(WriteTiff(Path(QStringLiteral("r.tif")), {}, 1)).Ok());
  EXPECT_EQ(doc_.RenderPage(0.5).format(), QImage::Format_Grayscale8);
  EXPECT_EQ(doc_.RenderPage(3.0).size(), QSize(192, 144));
}

TEST_F(ImageDocumentTest, FiveHundredPagesOpenWithoutDecodingThem) {
  PageShape shape;
  shape.width = 32;
  shape.height = 16;
  const QString path = WriteTiff(Path(QStringLiteral("many.tif")), shape, 500);
  QElapsedTimer timer;
  timer.start();
  ASSERT_TRUE(doc_.Load(path).Ok());
  EXPECT_LT(timer.elapsed(), 2000);
  EXPECT_EQ(doc_.PageCount(), 500);
  EXPECT_EQ(doc_.DecodeCount(), 1);  // only the page on screen
  ASSERT_TRUE(doc_.SetCurrentPage(377).Ok());
  ExpectPagePixels(doc_.CurrentImage(), shape, 376);
}

TEST_F(ImageDocumentTest, ShownFileKeepsWorkingWhenDeleted) {
  const QString path = WriteTiff(Path(QStringLiteral("gone.tif")), {}, 3);
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(doc_.SetCurrentPage(3).Ok());
  ExpectPagePixels(doc_.CurrentImage(), {}, 2);
  EXPECT_EQ(doc_.Load(path).code, 2048);
}

TEST_F(ImageDocumentTest, JpgIsOnePageAndSavesItsRotation) {
  QImage photo(40, 20, QImage::Format_RGB32);
  photo.fill(qRgb(200, 30, 30));
  const QString path = Path(QStringLiteral("photo.jpg"));
  ASSERT_TRUE(photo.save(path, "JPG"));
  ASSERT_TRUE(doc_.Load(path).Ok());
  EXPECT_EQ(doc_.FileKind(), ImageDocument::Kind::Jpeg);
  EXPECT_EQ(doc_.PageCount(), 1);
  EXPECT_EQ(doc_.SetCurrentPage(2).code, 2008);
  ASSERT_TRUE(doc_.Rotate(90).Ok());
  EXPECT_TRUE(doc_.HasUnsavedChanges());
  EXPECT_EQ(doc_.RenderPage(1.0).size(), QSize(20, 40));
  ASSERT_TRUE(doc_.Save().Ok());
  EXPECT_FALSE(doc_.HasUnsavedChanges());
  EXPECT_EQ(QImage(path).size(), QSize(20, 40));

  const QString copy = Path(QStringLiteral("copy.jpg"));
  EXPECT_EQ(doc_.WritePages({}, copy).code, -2002);
  EXPECT_EQ(doc_.WritePages({1, 1}, copy).code, 2058);
  ASSERT_TRUE(doc_.WritePages({1}, copy).Ok());
  EXPECT_EQ(QImage(copy).size(), QSize(20, 40));

  ASSERT_TRUE(doc_.DeletePages(1, 1).Ok());
  EXPECT_TRUE(doc_.HasNoPages());
  EXPECT_EQ(doc_.Save().code, -2002);
  EXPECT_EQ(QImage(path).size(), QSize(20, 40));  // the file on disk is untouched
}

// --- Bad input: every damaged file gives a viewer code, never a crash or a hang. ---

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

uint32_t U32(const QByteArray& bytes, qsizetype at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.constData() + at, 4);  // the test files are little-endian
  return value;
}
void SetU32(QByteArray* bytes, qsizetype at, uint32_t value) { std::memcpy(bytes->data() + at, &value, 4); }
uint16_t U16(const QByteArray& bytes, qsizetype at) {
  uint16_t value = 0;
  std::memcpy(&value, bytes.constData() + at, 2);
  return value;
}

// Offsets of the page directories of a file, in chain order.
std::vector<uint32_t> DirectoryOffsets(const QByteArray& bytes) {
  std::vector<uint32_t> offsets;
  for (uint32_t at = U32(bytes, 4); at != 0 && offsets.size() < 100; ) {
    offsets.push_back(at);
    at = U32(bytes, at + 2 + 12 * U16(bytes, at));
  }
  return offsets;
}

TEST_F(ImageDocumentTest, FilesThatAreNotPicturesAreRefused) {
  EXPECT_EQ(doc_.Load(Path(QStringLiteral("missing.tif"))).code, 2048);
  const QString empty = Path(QStringLiteral("empty.tif"));
  WriteAll(empty, {});
  EXPECT_EQ(doc_.Load(empty).code, 2004);
  const QString pdf = Path(QStringLiteral("scan.jpg"));
  WriteAll(pdf, QByteArrayLiteral("%PDF-1.4\n1 0 obj << >> endobj\n%%EOF\n"));
  EXPECT_EQ(doc_.Load(pdf).code, 2055);
  const QString brokenJpg = Path(QStringLiteral("broken.jpg"));
  WriteAll(brokenJpg, QByteArrayLiteral("\xFF\xD8\xFF\xE0 not really a jpeg at all"));
  EXPECT_EQ(doc_.Load(brokenJpg).code, 2026);
  const QString header = Path(QStringLiteral("header.tif"));
  WriteAll(header, QByteArrayLiteral("II*\0"));
  EXPECT_EQ(doc_.Load(header).code, 2024);
  EXPECT_FALSE(doc_.IsLoaded());
  EXPECT_EQ(doc_.PageCount(), 0);
}

TEST_F(ImageDocumentTest, BrokenDirectoryChainsAreShownReadOnlyOrRefused) {
  const QString path = WriteTiff(Path(QStringLiteral("chain.tif")), {}, 3);
  const QByteArray good = ReadAll(path);
  const std::vector<uint32_t> offsets = DirectoryOffsets(good);
  ASSERT_EQ(offsets.size(), 3u);

  // Cut inside the second directory: page 1 is shown, but saving could lose pages 2 and 3.
  const QString cut = Path(QStringLiteral("cut.tif"));
  WriteAll(cut, good.left(offsets[1] + 4));
  ASSERT_TRUE(doc_.Load(cut).Ok());
  EXPECT_EQ(doc_.PageCount(), 1);
  EXPECT_TRUE(doc_.IsReadOnly());
  ASSERT_TRUE(doc_.Rotate().Ok());
  EXPECT_EQ(doc_.Save().code, 2065);
  EXPECT_EQ(ReadAll(cut).size(), qsizetype(offsets[1] + 4));

  // The third page points back at the first: libtiff's loop check stops the walk.
  QByteArray looped = good;
  SetU32(&looped, offsets[2] + 2 + 12 * U16(good, offsets[2]), offsets[0]);
  const QString loop = Path(QStringLiteral("loop.tif"));
  WriteAll(loop, looped);
  ASSERT_TRUE(doc_.Load(loop).Ok());
  EXPECT_EQ(doc_.PageCount(), 3);
  EXPECT_TRUE(doc_.IsReadOnly());

  // The first directory lies past the end of the file.
  QByteArray past = good;
  SetU32(&past, 4, 0x7ffffff0u);
  const QString beyond = Path(QStringLiteral("beyond.tif"));
  WriteAll(beyond, past);
  EXPECT_EQ(doc_.Load(beyond).code, 2024);

  // Cut in the middle of the first page's data: no directory is left at all.
  const QString half = Path(QStringLiteral("half.tif"));
  WriteAll(half, good.left(offsets[0] / 2));
  EXPECT_EQ(doc_.Load(half).code, 2024);
}

TEST_F(ImageDocumentTest, PagesWithMissingDataOrTooManyPixelsAreNotDecoded) {
  PageShape shape;
  shape.height = 16;  // one strip
  const QString path = WriteTiff(Path(QStringLiteral("strip.tif")), shape, 2);
  QByteArray bytes = ReadAll(path);
  const std::vector<uint32_t> offsets = DirectoryOffsets(bytes);
  ASSERT_EQ(offsets.size(), 2u);
  // Point the second page's only strip past the end of the file.
  bool patched = false;
  for (int i = 0; i < U16(bytes, offsets[1]); ++i) {
    const qsizetype entry = offsets[1] + 2 + 12 * i;
    if (U16(bytes, entry) == TIFFTAG_STRIPOFFSETS) {
      SetU32(&bytes, entry + 8, 0x7fffff00u);
      patched = true;
    }
  }
  ASSERT_TRUE(patched);
  WriteAll(path, bytes);
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(doc_.SetCurrentPage(2).Ok());
  EXPECT_TRUE(doc_.RenderPage(1.0).isNull());
  EXPECT_EQ(doc_.LastError().code, 2026);
  ASSERT_TRUE(doc_.SetCurrentPage(1).Ok());  // the good page still shows
  EXPECT_FALSE(doc_.RenderPage(1.0).isNull());

  // A page that declares 40000 x 40000 pixels is refused before anything is allocated.
  const QString huge = Path(QStringLiteral("huge.tif"));
  TIFF* tif = TIFFOpen(QFile::encodeName(huge).constData(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 40000);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 40000);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 40000);
  std::vector<uint8_t> row(5000, 0);
  TIFFWriteScanline(tif, row.data(), 0, 0);
  TIFFClose(tif);
  const DocumentResult refused = doc_.Load(huge);
  EXPECT_EQ(refused.code, 2001);
  EXPECT_TRUE(refused.description.contains(QStringLiteral("40000")));

  // The budget is the caller's to set.
  doc_.SetPixelBudget(1000);
  EXPECT_EQ(doc_.Load(WriteTiff(Path(QStringLiteral("small.tif")), {}, 1)).code, 2001);
}

}  // namespace
}  // namespace pyxa
