// Saving the page engine's edits back to the TIFF it shows, and writing chosen pages elsewhere.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <tiffio.h>

#include <vector>

#include "document/ImageDocument.h"

namespace pyxa {
namespace {

// Page p of a test file: w x 32 pixels, bilevel G4, with column p inked from top to bottom.
QString WriteG4File(const QString& path, const std::vector<int>& widths) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  EXPECT_NE(tif, nullptr);
  for (size_t p = 0; p < widths.size(); ++p) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, widths[p]);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 32);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 32);
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    std::vector<uint8_t> row(size_t((widths[p] + 7) / 8), 0);
    row[p / 8] = uint8_t(0x80 >> (p % 8));
    for (uint32_t y = 0; y < 32; ++y) TIFFWriteScanline(tif, row.data(), y, 0);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return path;
}

// Which column of row 0 is inked: tells the pages apart.
int InkedColumn(const QImage& image) {
  for (int x = 0; x < image.width(); ++x)
    if (qGray(image.pixel(x, 0)) < 128) return x;
  return -1;
}

class ImageDocumentSaveTest : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
  ImageDocument doc_;
};

TEST_F(ImageDocumentSaveTest, SaveWritesTheEditsAndReloads) {
  const QString path = WriteG4File(Path(QStringLiteral("doc.tif")), {40, 48, 56});
  ASSERT_TRUE(doc_.Load(path).Ok());
  EXPECT_TRUE(doc_.Save().Ok());  // nothing pending: nothing written
  ASSERT_TRUE(doc_.DeletePages(1, 1).Ok());
  ASSERT_TRUE(doc_.SetCurrentPage(2).Ok());
  ASSERT_TRUE(doc_.Rotate(90).Ok());
  const DocumentResult saved = doc_.Save();
  ASSERT_TRUE(saved.Ok()) << saved.code << " " << saved.description.toStdString();
  EXPECT_FALSE(doc_.HasUnsavedChanges());
  EXPECT_EQ(doc_.PageCount(), 2);
  EXPECT_EQ(doc_.CurrentPage(), 2);
  EXPECT_EQ(doc_.CurrentImage().size(), QSize(32, 56));  // the old third page, turned

  ImageDocument again;
  ASSERT_TRUE(again.Load(path).Ok());
  ASSERT_EQ(again.PageCount(), 2);
  EXPECT_EQ(InkedColumn(again.CurrentImage()), 1);
  ASSERT_TRUE(again.SetCurrentPage(2).Ok());
  EXPECT_EQ(again.CurrentImage().size(), QSize(32, 56));
}

TEST_F(ImageDocumentSaveTest, AFileWithoutPagesIsNotWritten) {
  const QString path = WriteG4File(Path(QStringLiteral("two.tif")), {40, 48});
  const qint64 size = QFileInfo(path).size();
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(doc_.DeletePages(std::vector<int>{2, 1}).Ok());
  EXPECT_TRUE(doc_.HasNoPages());
  EXPECT_EQ(doc_.Save().code, -2002);
  EXPECT_EQ(QFileInfo(path).size(), size);
  EXPECT_TRUE(doc_.HasUnsavedChanges());
}

TEST_F(ImageDocumentSaveTest, WritePagesStoresTheChosenPagesInOrder) {
  const QString path = WriteG4File(Path(QStringLiteral("src.tif")), {40, 48, 56});
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(doc_.SetCurrentPage(3).Ok());
  ASSERT_TRUE(doc_.Rotate(180).Ok());
  const QString target = Path(QStringLiteral("part.tif"));
  EXPECT_EQ(doc_.WritePages({}, target).code, -2002);
  EXPECT_EQ(doc_.WritePages({4}, target).code, 2008);
  EXPECT_FALSE(QFileInfo::exists(target));
  const DocumentResult written = doc_.WritePages({3, 1}, target);
  ASSERT_TRUE(written.Ok()) << written.code << " " << written.description.toStdString();
  EXPECT_TRUE(doc_.HasUnsavedChanges());  // the shown file keeps its pending edit

  ImageDocument part;
  ASSERT_TRUE(part.Load(target).Ok());
  ASSERT_EQ(part.PageCount(), 2);
  const QImage first = part.CurrentImage();
  EXPECT_EQ(first.width(), 56);
  EXPECT_EQ(InkedColumn(first), 56 - 1 - 2);  // turned half way round
  ASSERT_TRUE(part.SetCurrentPage(2).Ok());
  EXPECT_EQ(InkedColumn(part.CurrentImage()), 0);
}

TEST_F(ImageDocumentSaveTest, AFileChangedByAnotherProgramIsNotOverwritten) {
  const QString path = WriteG4File(Path(QStringLiteral("shared.tif")), {40, 48, 56});
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(doc_.DeletePages(1, 1).Ok());
  // Someone else replaces the file: our pending edits name pages it no longer has.
  WriteG4File(path, {64});
  const qint64 size = QFileInfo(path).size();
  EXPECT_EQ(doc_.Save().code, 2063);
  EXPECT_EQ(doc_.WritePages({1}, Path(QStringLiteral("out.tif"))).code, 2063);
  EXPECT_EQ(QFileInfo(path).size(), size);
  EXPECT_TRUE(doc_.HasUnsavedChanges());
  ASSERT_TRUE(QFile::remove(path));
  EXPECT_EQ(doc_.Save().code, 2063);
  EXPECT_EQ(doc_.DeletePages(2, 5).code, 2008);
}

TEST_F(ImageDocumentSaveTest, AReadOnlyFileIsNotOverwritten) {
  const QString path = WriteG4File(Path(QStringLiteral("locked.tif")), {40, 48});
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
  QFile before(path);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  before.close();
  ASSERT_TRUE(doc_.Load(path).Ok());
  ASSERT_TRUE(doc_.Rotate(90).Ok());
  EXPECT_EQ(doc_.Save().code, 2065);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  EXPECT_EQ(before.readAll(), bytes);
  EXPECT_TRUE(doc_.HasUnsavedChanges());
}

}  // namespace
}  // namespace pyxa
