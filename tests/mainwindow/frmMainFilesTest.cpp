#include "MainWindowFixture.h"

#include <QFile>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollArea>
#include <QToolBar>
#include <QTreeWidget>

namespace pyxa {
namespace {

using testing::MainWindowTest;

// A viewer that remembers what the window asked of it.
struct FakeViewer final : PageViewer {
  ViewerResult DisplayFile(const QString& path) override {
    calls << QStringLiteral("Display(") + path.section(QLatin1Char('/'), -1) + QLatin1Char(')');
    file = path;
    return {};
  }
  QString CurrentFileName() const override { return file; }
  int CurrentPage() const override { return file.isEmpty() ? 0 : 1; }
  int PageCount() const override { return file.isEmpty() ? 0 : 3; }
  ViewerResult ChangePage(int page) override {
    calls << QStringLiteral("Page(%1)").arg(page);
    return {};
  }
  void Fit(FitMode) override {}
  void Zoom(int) override {}
  bool CanEditPages() const override { return !file.isEmpty(); }
  ViewerResult Rotate() override { return calls << QStringLiteral("Rotate"), unsaved = true, ViewerResult{}; }
  ViewerResult DeleteCurrentPage() override { return calls << QStringLiteral("Delete"), unsaved = true, ViewerResult{}; }
  bool HasNoPages() const override { return false; }
  bool HasUnsavedChanges() const override { return unsaved; }
  ViewerResult Save() override { return calls << QStringLiteral("Save"), unsaved = false, ViewerResult{}; }
  ViewerResult Undo() override { return calls << QStringLiteral("Undo"), unsaved = false, ViewerResult{}; }
  QString file;
  bool unsaved = false;
  QStringList calls;
};

class FilesTreeTest : public MainWindowTest {
 protected:
  void Touch(const QString& name) {
    QFile file(settings.AvailableFolder + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
  }
  void Pdf(const QString& path, int pages) {
    QPdfWriter pdf(path);
    QPainter painter(&pdf);
    for (int page = 1; page <= pages; ++page) {
      if (page > 1) pdf.newPage();
      painter.drawText(100, 100, QStringLiteral("Consult note, page %1").arg(page));
    }
  }
  void Jpeg(const QString& path, int width = 40, int height = 50) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(path, "JPG"));
  }
  QTreeWidget* Files() { return Find<QTreeWidget>("sstFiles"); }
  QTreeWidgetItem* Root() { return Files()->topLevelItem(1); }
  QStringList Listed() {
    QStringList names;
    for (int i = 0; i < Root()->childCount(); ++i) names << Root()->child(i)->text(0);
    return names;
  }
  QTreeWidgetItem* Node(const QString& text) {
    const auto found = Files()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }
  // A mouse click on the node, in the shown window.
  void Click(QTreeWidgetItem* node) {
    ASSERT_NE(node, nullptr);
    if (!window->isVisible()) window->show();
    Files()->scrollToItem(node);
    QTest::mouseClick(Files()->viewport(), Qt::LeftButton, {}, Files()->visualItemRect(node).center());
    QCoreApplication::processEvents();
  }
  QString Panel(const char* name) { return Find<QLabel>(name)->text(); }
  // Browses a waiting "batch.tif" and starts indexing it, with the page operations going to fake.
  void IndexOnFakeViewer(FakeViewer& fake) {
    viewer = &fake;
    Build();
    Touch(QStringLiteral("batch.tif"));
    window->cmdFile_Click();
    Click(Node(QStringLiteral("batch.tif")));
    window->cmdIndex_Click();
  }
  bool On(const char* control) { return window->State().Enabled(QString::fromLatin1(control)); }
};

TEST_F(FilesTreeTest, StartsInInitWithIndexingAndImageToolsOff) {
  window->Form_Load();
  EXPECT_EQ(window->State().Mode(), QStringLiteral("Init"));
  for (const char* control : {"cmdIndex", "btnIndex", "fraStep2", "btnFitWindow", "btnNavNext", "mnuActions"}) {
    EXPECT_FALSE(On(control)) << control;
  }
  EXPECT_FALSE(Find<QPushButton>("cmdIndex")->isEnabled());
  EXPECT_EQ(Panel("pnlAwaitingUpload"), QStringLiteral("   Awaiting Upload: 0   "));
  EXPECT_EQ(Panel("pnlAvailableFiles"), QStringLiteral("   Available Files: 0   "));
  EXPECT_TRUE(QFile::exists(settings.UploadsFolder + QStringLiteral("documents.mdb")));  // created by the count
}

TEST_F(FilesTreeTest, BrowseListsOnlyDocumentsWithAllowedExtensionsUnderTheTwoTopNodes) {
  Find<QPushButton>("cmdFile")->click();
  ASSERT_EQ(Files()->topLevelItemCount(), 2);
  EXPECT_EQ(Files()->topLevelItem(0)->text(0), QStringLiteral("Browse for more files ..."));
  EXPECT_EQ(Root()->text(0), QStringLiteral("Available Files"));
  EXPECT_EQ(Root()->childCount(), 0);
  EXPECT_EQ(Panel("pnlAvailableFiles"), QStringLiteral("   Available Files: 0   "));
  EXPECT_EQ(window->State().Mode(), QStringLiteral("File"));
  EXPECT_TRUE(prompter.Prompts().empty());

  for (const char* name : {"b.PDF", "a scan.tif", "c.txt", "d.jpg", "NOTES", "e.doc", "Müller.TIF", "old.tif.bak"}) {
    Touch(QString::fromUtf8(name));
  }
  QDir().mkpath(settings.AvailableFolder + QStringLiteral("folder.tif"));
  window->cmdFile_Click();
  EXPECT_EQ(Listed(), (QStringList{QStringLiteral("a scan.tif"), QStringLiteral("b.PDF"), QStringLiteral("d.jpg"),
                                   QStringLiteral("e.doc"), QStringLiteral("Müller.TIF")}));
  EXPECT_TRUE(Root()->isExpanded());
  EXPECT_EQ(Panel("pnlAvailableFiles"), QStringLiteral("   Available Files: 5   "));
}

TEST_F(FilesTreeTest, ChoosingAFileEnablesIndexAndTheFitToolsByItsKind) {
  Jpeg(settings.AvailableFolder + QStringLiteral("photo.jpg"));
  Pdf(settings.AvailableFolder + QStringLiteral("letter.pdf"), 1);
  window->cmdFile_Click();
  Click(Node(QStringLiteral("photo.jpg")));
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(On("cmdIndex"));
  EXPECT_TRUE(On("fraStep2"));
  EXPECT_TRUE(On("btnFitWidth"));
  EXPECT_TRUE(On("btnZoom"));
  EXPECT_TRUE(Find<QPushButton>("cmdIndex")->isEnabled());
  EXPECT_EQ(Panel("Status"), QStringLiteral("File: photo.jpg"));

  Click(Node(QStringLiteral("letter.pdf")));
  EXPECT_TRUE(On("cmdIndex"));
  EXPECT_FALSE(On("btnFitWidth"));
  EXPECT_FALSE(On("btnZoom"));

  Click(Root());
  EXPECT_FALSE(On("cmdIndex"));
  EXPECT_FALSE(On("fraStep2"));
  EXPECT_EQ(window->Viewer().CurrentFileName(), QString());
}

TEST_F(FilesTreeTest, APdfIsPagedByTheToolsAndThePageBoxWithTheFitToolsOff) {
  Pdf(settings.AvailableFolder + QStringLiteral("three.pdf"), 3);
  window->cmdFile_Click();
  Click(Node(QStringLiteral("three.pdf")));
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(window->Viewer().PageCount(), 3);
  EXPECT_FALSE(On("btnFitWidth"));
  window->abMain_ToolClick(QStringLiteral("btnNavLast"));
  window->abMain_ToolClick(QStringLiteral("btnNavNext"));  // past the end: stays
  EXPECT_EQ(window->Viewer().CurrentPage(), 3);
  auto* box = Find<QLineEdit>("btnPage");
  EXPECT_EQ(box->text(), QStringLiteral("3"));
  box->clear();
  QTest::keyClicks(box, QStringLiteral("2a!b"));
  EXPECT_EQ(box->text(), QStringLiteral("2"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(window->Viewer().CurrentPage(), 2);
  box->selectAll();
  QTest::keyClicks(box, QStringLiteral("9"));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(window->Viewer().CurrentPage(), 2);
  EXPECT_EQ(box->text(), QStringLiteral("2"));
  EXPECT_EQ(Find<QLabel>("NumOfPages")->text(), QStringLiteral("/ 3"));
}

TEST_F(FilesTreeTest, NavigationStopsAtBothEndsAndTypedZoomsApplyOrFallBackToFifty) {
  Jpeg(settings.AvailableFolder + QStringLiteral("photo.jpg"), 400, 500);
  window->cmdFile_Click();
  Click(Node(QStringLiteral("photo.jpg")));
  window->abMain_ToolClick(QStringLiteral("btnNavPrevious"));
  window->abMain_ToolClick(QStringLiteral("btnNavNext"));
  EXPECT_EQ(window->Viewer().CurrentPage(), 1);
  EXPECT_TRUE(prompter.Prompts().empty());

  auto* zoom = Find<QComboBox>("btnZoom");
  ASSERT_EQ(zoom->count(), 6);
  const QWidget* page = Find<QScrollArea>("MD_TIFF1")->widget();
  const struct {
    const char* typed;
    const char* shown;
    int width;
  } cases[] = {{"75%", "75%", 300}, {"80", "80", 320}, {"1", "50", 200}, {"abc", "50", 200}, {"1000", "50", 200}};
  for (const auto& c : cases) {
    zoom->lineEdit()->selectAll();
    QTest::keyClicks(zoom->lineEdit(), QString::fromLatin1(c.typed));
    QTest::keyClick(zoom->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(zoom->currentText(), QString::fromLatin1(c.shown)) << c.typed;
    EXPECT_EQ(page->width(), c.width) << c.typed;
    EXPECT_EQ(window->State().CurrentFit(), FitTool::Zoom);
  }
  window->abMain_ToolClick(QStringLiteral("btnFitWidth"));
  EXPECT_EQ(window->State().CurrentFit(), FitTool::Width);
  EXPECT_TRUE(Action("btnFitWidth")->isChecked());
  EXPECT_TRUE(zoom->currentText().isEmpty());
}

TEST_F(FilesTreeTest, ZoomingInFromAFittedPageTakesTheNextLevelAboveTheFittedScale) {
  Jpeg(settings.AvailableFolder + QStringLiteral("large.jpg"), 3000, 4000);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->cmdFile_Click();
  Click(Node(QStringLiteral("large.jpg")));
  window->abMain_ToolClick(QStringLiteral("btnFitWindow"));
  const int fitted = window->Viewer().ShownPercent();
  ASSERT_LT(fitted, 25);
  QWidget* view = Find<QWidget>("MD_TIFF1");
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_EQ(Find<QComboBox>("btnZoom")->currentText(), QStringLiteral("25%"));
  EXPECT_EQ(Find<QScrollArea>("MD_TIFF1")->widget()->width(), 750);
  QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_EQ(Find<QComboBox>("btnZoom")->currentText(), QStringLiteral("25%")) << "no level below: the scale stays";
}

TEST_F(FilesTreeTest, EveryToolStaysInViewFromTheNarrowestWindowUp) {
  window->show();
  for (const int width : {window->minimumWidth(), 1180, 1280, 1920}) {
    window->resize(width, 760);
    QCoreApplication::processEvents();
    for (QToolBar* band : window->findChildren<QToolBar*>()) {
      for (QAction* tool : band->actions()) {
        if (!tool->isVisible()) continue;  // a tool of a scanner kind not chosen
        const QWidget* shown = band->widgetForAction(tool);
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible()) << width << " " << band->objectName().toStdString() << " "
                                        << tool->objectName().toStdString();
        EXPECT_LE(shown->mapTo(window.get(), QPoint(shown->width(), 0)).x(), width) << width;
      }
    }
  }
}

TEST_F(FilesTreeTest, ADamagedPdfIsReportedInTheProgramsWords) {
  Touch(QStringLiteral("broken.pdf"));
  window->cmdFile_Click();
  Click(Node(QStringLiteral("broken.pdf")));
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("Failed to display the file.\nRead file error"));
}

TEST_F(FilesTreeTest, AFileDeletedAfterListingIsReportedAndTheTreeStaysUsable) {
  Touch(QStringLiteral("gone.tif"));
  Jpeg(settings.AvailableFolder + QStringLiteral("kept.jpg"));
  window->cmdFile_Click();
  QFile::remove(settings.AvailableFolder + QStringLiteral("gone.tif"));
  Click(Node(QStringLiteral("gone.tif")));
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_TRUE(prompter.Prompts()[0].text.startsWith(QStringLiteral("Failed to display the file.\n")));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Critical);
  Click(Node(QStringLiteral("kept.jpg")));
  EXPECT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_TRUE(On("cmdIndex"));
}

TEST_F(FilesTreeTest, ACancelledOpenDialogLeavesTheTreeUnchanged) {
  Touch(QStringLiteral("a.tif"));
  window->cmdFile_Click();
  Click(Files()->topLevelItem(0));
  ASSERT_EQ(picker.asked.size(), 1);
  EXPECT_TRUE(picker.asked[0].startsWith(QStringLiteral("Open File|Scanned documents (*.tif)")));
  EXPECT_EQ(Listed(), QStringList{QStringLiteral("a.tif")});
  EXPECT_TRUE(prompter.Prompts().empty());
}

TEST_F(FilesTreeTest, ABrowsedFileNeverReplacesAWaitingFileOfTheSameName) {
  QFile waiting(settings.AvailableFolder + QStringLiteral("scan.jpg"));
  ASSERT_TRUE(waiting.open(QIODevice::WriteOnly));
  waiting.write("the waiting, unindexed scan");
  waiting.close();
  QTemporaryDir elsewhere;
  Jpeg(elsewhere.path() + QStringLiteral("/scan.jpg"));
  picker.answer = {elsewhere.path() + QStringLiteral("/scan.jpg")};
  window->cmdFile_Click();
  Click(Files()->topLevelItem(0));
  EXPECT_EQ(Listed(), (QStringList{QStringLiteral("scan (2).jpg"), QStringLiteral("scan.jpg")}));
  QFile kept(settings.AvailableFolder + QStringLiteral("scan.jpg"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("the waiting, unindexed scan"));
  // The copied file is chosen and shown at once.
  EXPECT_EQ(Files()->currentItem()->text(0), QStringLiteral("scan (2).jpg"));
  EXPECT_TRUE(window->Viewer().CurrentFileName().endsWith(QStringLiteral("scan (2).jpg")));
}

TEST_F(FilesTreeTest, UnsavedPageChangesAreSavedOrUndoneBeforeBrowsing) {
  FakeViewer fake;
  viewer = &fake;
  Build();
  fake.file = QStringLiteral("/x/a.tif");
  fake.unsaved = true;
  prompter.Script(PromptAnswer::Yes);
  window->cmdFile_Click();
  ASSERT_GE(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("Would you like to save the changes you made to the previous document?"));
  EXPECT_EQ(prompter.Prompts()[0].title, QString());
  EXPECT_EQ(fake.calls.first(), QStringLiteral("Save"));

  fake.unsaved = true;
  fake.calls.clear();
  prompter.Script(PromptAnswer::No);
  window->cmdFile_Click();
  EXPECT_EQ(fake.calls.first(), QStringLiteral("Undo"));
}

TEST_F(FilesTreeTest, IndexedDocumentsAreQueuedOnlyWhenTheUserAgrees) {
  window->IndexedDocuments().emplace();
  Document stored;  // stored before: only queued
  stored.FileData = "II*";
  window->IndexedDocuments()->Add(stored);
  Touch(QStringLiteral("a.tif"));

  prompter.Script(PromptAnswer::No);
  window->cmdFile_Click();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("The indexed documents will be sent to the upload queue\n"
                           "      and will no longer be available in the indexed tree\n"
                           "                         Would you like to continue?"));
  EXPECT_EQ(prompter.Prompts()[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(window->IndexedDocuments()->Count(), 1);
  EXPECT_EQ(Files()->topLevelItemCount(), 0);  // No ends Browse

  prompter.Script(PromptAnswer::Yes);
  window->cmdFile_Click();
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);  // handed to the queue
  EXPECT_EQ(Listed(), QStringList{QStringLiteral("a.tif")});
}

TEST_F(FilesTreeTest, IndexWithNothingSelectedSaysSoAndCreatesNoCollection) {
  window->cmdFile_Click();
  window->subIndex();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("Select a file to index"));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Information);
  EXPECT_FALSE(window->IndexedDocuments().has_value());
  EXPECT_EQ(window->State().Mode(), QStringLiteral("File"));
}

TEST_F(FilesTreeTest, IndexEntersIndexingWithTheIndexedTreeRoot) {
  Jpeg(settings.AvailableFolder + QStringLiteral("photo.jpg"));
  window->cmdFile_Click();
  Click(Node(QStringLiteral("photo.jpg")));
  Find<QPushButton>("cmdIndex")->click();
  EXPECT_EQ(window->State().Mode(), QStringLiteral("Indexing"));
  ASSERT_TRUE(window->IndexedDocuments().has_value());
  auto* indexed = Find<QTreeWidget>("sstDocuments");
  ASSERT_EQ(indexed->topLevelItemCount(), 1);
  EXPECT_EQ(indexed->topLevelItem(0)->text(0), QStringLiteral("Indexed Documents"));
  EXPECT_FALSE(On("cmdIndex"));
  EXPECT_TRUE(On("btnFitWidth"));   // fitting and navigation stay
  EXPECT_TRUE(On("btnNavNext"));
  EXPECT_FALSE(On("btnRotate"));    // page editing stops
  EXPECT_TRUE(On("cmdNew"));
}

TEST_F(FilesTreeTest, TheIndexedTreeShowsDocumentsAndTheirPagesAndShowsAClickedPage) {
  FakeViewer fake;
  IndexOnFakeViewer(fake);
  Document doc;
  doc.LastName = QStringLiteral("  Doe ");
  doc.FirstName = QStringLiteral("Jane  ");
  for (int page : {2, 3}) doc.Pages.Add(Page{page, {}});
  window->IndexedDocuments()->Add(doc);
  window->RefreshIndexedTree();

  auto* tree = Find<QTreeWidget>("sstDocuments");
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* document = tree->topLevelItem(0)->child(0);
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->text(0), QStringLiteral("Doe, Jane"));
  EXPECT_EQ(document->data(0, Qt::UserRole).toString(), QStringLiteral("Document 1"));
  ASSERT_EQ(document->childCount(), 2);
  EXPECT_EQ(document->child(1)->text(0), QStringLiteral("Page #3"));

  tree->expandAll();
  fake.calls.clear();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(document->child(1)).center());
  EXPECT_EQ(fake.calls, QStringList{QStringLiteral("Page(3)")});
  // The arrow keys show what they land on, as a click does: a page, a document's first page,
  // nothing for the root.
  for (const char* shown : {"Page(2)", "Page(2)", ""}) {
    fake.calls.clear();
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(fake.calls.join(QString()), QString::fromLatin1(shown));
  }
}

TEST_F(FilesTreeTest, APageThatIsNotInTheFileIsReportedWithItsNumber) {
  FakeViewer fake;
  IndexOnFakeViewer(fake);
  Document doc;
  doc.Pages.Add(Page{9, {}});
  window->IndexedDocuments()->Add(doc);
  window->RefreshIndexedTree();
  auto* tree = Find<QTreeWidget>("sstDocuments");
  window->sstDocuments_NodeClick(tree->topLevelItem(0)->child(0)->child(0));
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("Cannot display the selected page.\n#2008\nDescription: 9 is not a valid page."));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::None);
}

TEST_F(FilesTreeTest, TreeEditsKeepStoredDocumentsIntactAndUnlockAFreedEncounter) {
  Jpeg(settings.AvailableFolder + QStringLiteral("batch.jpg"));
  window->cmdFile_Click();
  Click(Node(QStringLiteral("batch.jpg")));
  window->cmdIndex_Click();
  Document stored;
  stored.LastName = QStringLiteral("Stored");
  stored.Pages.Add(Page{1, {}});
  stored.FileData = QByteArray("stored bytes");
  Document note;
  note.LastName = QStringLiteral("Note");
  note.CategoryID = 4;
  note.EncounterID = 55;
  note.Pages.Add(Page{2, {}});
  note.Pages.Add(Page{3, {}});
  window->IndexedDocuments()->Add(stored);
  window->IndexedDocuments()->Add(note);
  window->RefreshIndexedTree();
  auto* tree = Find<QTreeWidget>("sstDocuments");
  QTreeWidgetItem* root = tree->topLevelItem(0);

  tree->setCurrentItem(root->child(0)->child(0));
  window->popRemoveNode_Click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("You can not remove a page from saved document."));
  window->sstDocuments_PageDropped(root->child(1)->child(0), root->child(0));
  EXPECT_EQ(prompter.LastPrompt().text,
            QStringLiteral("You can not move this page to the document that has already been saved."));
  window->sstDocuments_PageDropped(root->child(0)->child(0), root->child(1));
  EXPECT_EQ(prompter.LastPrompt().text,
            QStringLiteral("You can not remove this page from the document that has already been saved."));
  EXPECT_EQ(window->IndexedDocuments()->Item(1).Pages.Count(), 1);

  window->sstDocuments_PageDropped(root->child(1)->child(1), root->child(1)->child(0));  // page 3 before page 2
  root = tree->topLevelItem(0);
  EXPECT_EQ(root->child(1)->child(0)->text(0), QStringLiteral("Page #3"));

  tree->setCurrentItem(root->child(1)->child(0));
  window->popRemoveNode_Click();
  EXPECT_EQ(window->IndexedDocuments()->Item(2).Pages.Count(), 1);
  EXPECT_TRUE(window->State().Enabled(QStringLiteral("cmdAppendAll")));

  log.calls.clear();
  root = tree->topLevelItem(0);
  tree->setCurrentItem(root->child(1));
  window->popRemoveDoc_Click();
  EXPECT_EQ(window->IndexedDocuments()->Count(), 1);
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("UnLockEncounter(55)")});
  EXPECT_EQ(tree->topLevelItem(0)->childCount(), 1);
}

}  // namespace
}  // namespace pyxa
