// Page edits through the window on real TIFF files: delete, rotate, undo, save, and print as shown.
#include "MainWindowFixture.h"
#include "document/ImageDocument.h"
#include "print/FakePrinterPort.h"
#include "print/PrintedSheets.h"
#include "print/WindowDriving.h"

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
  void SetUp() override {
    MainWindowTest::SetUp();
    port.printers = {test::OfficePrinter()};
    port.defaultPrinter = QStringLiteral("Office");
    printers = &port;
    saveFiles = &saver;
    Build();
  }
  void Show(const QString& name) {
    window->cmdFile_Click();
    const auto found = Find<QTreeWidget>("sstFiles")->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty());
    Find<QTreeWidget>("sstFiles")->setCurrentItem(found.first());
    window->sstFiles_NodeClick(found.first());
  }
  QString Path(const QString& name) { return settings.AvailableFolder + name; }

  test::FakePrinterPort port;
  test::ScriptedSaver saver;
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

TEST_F(PageEditsTest, PrintPrintsThePagesAsShownAndLeavesTheEditsPending) {
  EXPECT_FALSE(Action("btnPrint")->isEnabled());  // nothing shown
  ASSERT_TRUE(WriteMarkedTiff(Path(QStringLiteral("batch.tif")), 3));
  const QImage first = Decode(Path(QStringLiteral("batch.tif")), 1);
  Show(QStringLiteral("batch.tif"));
  Action("btnRotate")->trigger();
  ASSERT_TRUE(Action("btnPrint")->isEnabled());
  test::OnNextModal([](QWidget* print) {
    test::Click(print, "optPrintAll");
    test::Click(print, "Fit");
    test::Click(print, "cmdOK");
  });
  Action("btnPrint")->trigger();
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  ASSERT_EQ(port.jobs.size(), 1u);
  EXPECT_EQ(port.jobs[0].title, QStringLiteral("batch.tif"));
  const std::unique_ptr<Poppler::Document> pdf = test::ReadPdf(port.jobs[0].pdf);
  ASSERT_TRUE(pdf);
  ASSERT_EQ(pdf->numPages(), 3);
  // The turned page fills the printable height of Letter (1/4 in. in, 1/2 in. down), turned as on screen.
  const QImage sheet = pdf->page(0)->renderToImage(test::kRenderDpi, test::kRenderDpi);
  EXPECT_LT(test::Difference(sheet, QRect(10, 20, 246, 410), first.transformed(QTransform().rotate(90))), 3.0);
  EXPECT_TRUE(window->Viewer().HasUnsavedChanges());
  EXPECT_EQ(Decode(Path(QStringLiteral("batch.tif")), 1), first);

  // Without a print service the command stays off.
  printers = nullptr;
  Build();
  Show(QStringLiteral("batch.tif"));
  EXPECT_FALSE(Action("btnPrint")->isEnabled());
  EXPECT_FALSE(Action("mnuFilePrint")->isEnabled());
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
