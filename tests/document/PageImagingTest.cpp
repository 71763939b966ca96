// Converting one page file to what a file import asks for, in place or beside: the result must be
// a file libtiff and the viewer read, of the asked kind, keeping size and resolution.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "TestTiffs.h"
#include "document/PageImaging.h"

namespace pyxa {
namespace {

struct Conversion {
  const char* name;
  bool sourceIsColourJpeg;  // else a black-and-white G4 TIFF
  PageOutputType type;
  int compression;
  int colourModel;
};

TEST(PageImaging, ConvertsEachKindOfPageInPlace) {
  const Conversion cases[] = {
      {"G4 page to JPEG", false, PageOutputType::Jpeg, 0, 2},
      {"colour JPEG to G4", true, PageOutputType::Tiff, 4, 1},
      {"colour JPEG to G3", true, PageOutputType::Tiff, 3, 1},
      {"G4 page to uncompressed", false, PageOutputType::Tiff, 1, 1},
  };
  QTemporaryDir dir;
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.name);
    const QString page = dir.filePath(QStringLiteral("page"));
    if (c.sourceIsColourJpeg) {
      QImage colour(64, 48, QImage::Format_RGB888);
      colour.fill(QColor(250, 235, 200));  // cream paper
      for (int y = 10; y < 20; ++y)
        for (int x = 0; x < 64; ++x) colour.setPixelColor(x, y, Qt::black);
      colour.setDotsPerMeterX(7874);  // 200 dpi
      colour.setDotsPerMeterY(3937);
      ASSERT_TRUE(colour.save(page, "jpeg"));
    } else {
      ASSERT_TRUE(testing::WriteTiff(page, {testing::TestPage{}}));
    }
    const ConvertedPage result = ConvertPageFile(page, page, c.type, c.compression);
    ASSERT_EQ(result.code, 0) << result.detail.toStdString();
    EXPECT_EQ(result.colourModel, c.colourModel);
    EXPECT_EQ(result.xResolution, 200);
    EXPECT_EQ(result.yResolution, 100);
    if (c.type == PageOutputType::Jpeg) {
      EXPECT_EQ(QImage(page, "jpeg").size(), QSize(64, 48));
      continue;
    }
    EXPECT_EQ(testing::TiffinfoComplaint(page), QString());
    TIFF* tif = TIFFOpen(QFile::encodeName(page).constData(), "r");
    ASSERT_NE(tif, nullptr);
    std::uint16_t compression = 0, bits = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFClose(tif);
    EXPECT_EQ(compression, c.compression);
    EXPECT_EQ(bits, 1);
    const QImage mono = testing::Decoded(page, 0);
    ASSERT_EQ(mono.size(), QSize(64, 48));
    if (c.sourceIsColourJpeg) {  // the black band stays black, the cream paper turns white
      EXPECT_EQ(qGray(mono.pixel(5, 15)), 0);
      EXPECT_EQ(qGray(mono.pixel(5, 40)), 255);
    }
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("page")});
}

TEST(PageImaging, UnreadablePagesAreRefusedAndTheTargetKept) {
  QTemporaryDir dir;
  const QString garbage = dir.filePath(QStringLiteral("garbage.jpg"));
  QFile file(garbage);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not an image at all");
  file.close();
  const QString target = dir.filePath(QStringLiteral("target.tif"));
  ASSERT_TRUE(testing::WriteTiff(target, {testing::TestPage{}}));
  const QByteArray before = [&] {
    QFile t(target);
    return t.open(QIODevice::ReadOnly) ? t.readAll() : QByteArray();
  }();

  EXPECT_EQ(ConvertPageFile(garbage, target, PageOutputType::Tiff, 4).code, kTiffImagingFailed);
  EXPECT_EQ(ConvertPageFile(dir.filePath(QStringLiteral("none")), target, PageOutputType::Tiff, 4).code,
            kTiffCannotOpen);
  EXPECT_EQ(ConvertPageFile(target, target, PageOutputType::Tiff, 7).code, kTiffImagingFailed);
  QFile t(target);
  ASSERT_TRUE(t.open(QIODevice::ReadOnly));
  EXPECT_EQ(t.readAll(), before);
}

}  // namespace
}  // namespace pyxa
