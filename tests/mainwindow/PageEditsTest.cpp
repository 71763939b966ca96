// Page edits through the window on real TIFF files: delete, rotate, undo and save.
#include "MainWindowFixture.h"
#include "document/ImageDocument.h"

#include <tiffio.h>

#include <QFile>
#include <QImage>
#include <QTreeWidget>

namespace pyxa {
namespace {

using testing::MainWindowTest;

// A bilevel G4 page of 200x260 pixels with a black block at a page-specific place.
void WriteTiff(const QString& path, int pages) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tiff, nullptr);
  const uint32_t width = 200, height = 260;
  for (int page = 0; page < pages; ++page) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 200.0);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 200.0);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<unsigned char> row(width / 8);
    for (uint32_t y = 0; y < height; ++y) {
      std::fill(row.begin(), row.end(), 0);
      const uint32_t top = 20 + 60 * static_cast<uint32_t>(page);
      if (y >= top && y < top + 40) std::fill(row.begin() + page, row.begin() + page + 5, 0xff);
      TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
}

QImage Decode(const QString& path, int page) {
  ImageDocument document;
  if (!document.Load(path).Ok() || !document.SetCurrentPage(page).Ok()) return {};
  return document.CurrentImage().convertToFormat(QImage::Format_Grayscale8);
}

class PageEditsTest : public MainWindowTest {
 protected:
  void Show(const QString& name) {
    window->cmdFile_Click();
    const auto found = Find<QTreeWidget>("sstFiles")->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty());
    Find<QTreeWidget>("sstFiles")->setCurrentItem(found.first());
    window->sstFiles_NodeClick(found.first());
  }
  QString Path(const QString& name) { return settings.AvailableFolder + name; }
};

TEST_F(PageEditsTest, DeleteSaveAndReopenKeepsTheOtherPagesPixels) {
  WriteTiff(Path(QStringLiteral("batch.tif")), 3);
  const QImage second = Decode(Path(QStringLiteral("batch.tif")), 2);
  const QImage third = Decode(Path(QStringLiteral("batch.tif")), 3);
  Show(QStringLiteral("batch.tif"));
  EXPECT_TRUE(Action("btnDelete")->isEnabled());
  Action("btnDelete")->trigger();
  EXPECT_TRUE(window->Viewer().HasUnsavedChanges());
  EXPECT_EQ(Find<QLabel>("NumOfPages")->text(), QStringLiteral("/ 2"));
  Action("mnuFileSave")->trigger();
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_FALSE(window->Viewer().HasUnsavedChanges());
  EXPECT_EQ(Decode(Path(QStringLiteral("batch.tif")), 1), second);
  EXPECT_EQ(Decode(Path(QStringLiteral("batch.tif")), 2), third);
}

TEST_F(PageEditsTest, RotateSaveTurnsThePageAndUndoBringsItBack) {
  WriteTiff(Path(QStringLiteral("page.tif")), 1);
  const QImage before = Decode(Path(QStringLiteral("page.tif")), 1);
  Show(QStringLiteral("page.tif"));
  Action("mnuEditRotate")->trigger();
  Action("mnuEditUndo")->trigger();
  EXPECT_FALSE(window->Viewer().HasUnsavedChanges());
  Action("btnRotate")->trigger();
  Action("btnSave")->trigger();
  const QImage after = Decode(Path(QStringLiteral("page.tif")), 1);
  EXPECT_EQ(after.size(), before.size().transposed());
  EXPECT_EQ(after, before.transformed(QTransform().rotate(90)));
}

TEST_F(PageEditsTest, SavingAFileLeftWithoutPagesAsksToDeleteIt) {
  WriteTiff(Path(QStringLiteral("two.tif")), 2);
  Show(QStringLiteral("two.tif"));
  Action("btnDelete")->trigger();
  Action("btnDelete")->trigger();
  prompter.Script(PromptAnswer::No);
  Action("btnSave")->trigger();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("There are no Pages in this document. Do you wish to delete the file?"));
  EXPECT_EQ(prompter.Prompts()[0].title, QString());
  EXPECT_TRUE(QFile::exists(Path(QStringLiteral("two.tif"))));

  prompter.Script(PromptAnswer::Yes);
  Action("btnSave")->trigger();
  EXPECT_FALSE(QFile::exists(Path(QStringLiteral("two.tif"))));
  EXPECT_EQ(Find<QTreeWidget>("sstFiles")->topLevelItem(1)->childCount(), 0);
}

TEST_F(PageEditsTest, AFailedSaveKeepsTheFileOnDiskAsItWas) {
  WriteTiff(Path(QStringLiteral("batch.tif")), 2);
  Show(QStringLiteral("batch.tif"));
  Action("btnDelete")->trigger();
  // Another program replaces the file meanwhile: saving the old edits onto it would lose pages.
  WriteTiff(Path(QStringLiteral("batch.tif")), 3);
  QFile file(Path(QStringLiteral("batch.tif")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray onDisk = file.readAll();
  file.close();
  Action("btnSave")->trigger();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Critical);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), onDisk);
}

TEST_F(PageEditsTest, PageEditsAreOffForPdfAndOnForImages) {
  WriteTiff(Path(QStringLiteral("page.tif")), 1);
  Show(QStringLiteral("page.tif"));
  EXPECT_TRUE(Action("btnRotate")->isEnabled());
  EXPECT_TRUE(Find<QMenu>("mnuEdit")->menuAction()->isEnabled());
  window->cmdIndex_Click();  // indexing: page editing stops
  EXPECT_FALSE(Action("btnRotate")->isEnabled());
}

}  // namespace
}  // namespace pyxa
