// Page edits through the window on real TIFF files: delete, rotate, undo and save.
#include "MainWindowFixture.h"
#include "document/ImageDocument.h"

#include <QFile>
#include <QImage>
#include <QTreeWidget>

namespace pyxa {
namespace {

using testing::MainWindowTest;
using testing::WriteMarkedTiff;

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
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("batch.tif")), 3));
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
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("page.tif")), 1));
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
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("two.tif")), 2));
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
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("batch.tif")), 2));
  Show(QStringLiteral("batch.tif"));
  Action("btnDelete")->trigger();
  // Another program replaces the file meanwhile: saving the old edits onto it would lose pages.
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("batch.tif")), 3));
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
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("page.tif")), 1));
  Show(QStringLiteral("page.tif"));
  EXPECT_TRUE(Action("btnRotate")->isEnabled());
  EXPECT_TRUE(Find<QMenu>("mnuEdit")->menuAction()->isEnabled());
  window->cmdIndex_Click();  // indexing: page editing stops
  EXPECT_FALSE(Action("btnRotate")->isEnabled());
}

TEST_F(PageEditsTest, TheKeyboardPagesEditsAndSavesFromThePageView) {
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("batch.tif")), 3));
  const QImage third = Decode(Path(QStringLiteral("batch.tif")), 3);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Show(QStringLiteral("batch.tif"));
  QWidget* view = Find<QWidget>("MD_TIFF1");
  auto key = [&](QWidget* target, int code, Qt::KeyboardModifiers modifiers = {}) {
    target->setFocus();
    QTest::keyClick(target, Qt::Key(code), modifiers);
  };
  const auto page = [&] { return window->Viewer().CurrentPage(); };
  key(view, Qt::Key_PageDown);
  EXPECT_EQ(page(), 2);
  key(view, Qt::Key_End);
  EXPECT_EQ(page(), 3);
  key(view, Qt::Key_Home);
  EXPECT_EQ(page(), 1);
  key(Find<QTreeWidget>("sstFiles"), Qt::Key_PageDown);
  EXPECT_EQ(page(), 1) << "the tree keeps its own paging keys";

  // Saving and undoing wait for an edit; the title marks it until it is saved.
  EXPECT_FALSE(Action("btnSave")->isEnabled());
  EXPECT_FALSE(Action("mnuEditUndo")->isEnabled());
  EXPECT_FALSE(window->isWindowModified());
  key(view, Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(window->Viewer().HasUnsavedChanges());
  EXPECT_TRUE(Action("btnSave")->isEnabled());
  EXPECT_TRUE(window->isWindowModified());
  EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("batch.tif"))) << window->windowTitle().toStdString();
  key(view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(window->Viewer().HasUnsavedChanges());
  EXPECT_FALSE(Action("btnUndo")->isEnabled());
  key(view, Qt::Key_Delete);
  key(view, Qt::Key_Delete);
  EXPECT_EQ(window->Viewer().PageCount(), 1);
  key(view, Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_FALSE(window->isWindowModified());
  EXPECT_EQ(Decode(Path(QStringLiteral("batch.tif")), 1), third);
  EXPECT_TRUE(Decode(Path(QStringLiteral("batch.tif")), 2).isNull());
}

}  // namespace
}  // namespace pyxa
