// The Scan command as a user meets it: a batch from the scanner is listed and shown for indexing
// like any file, or added to the TIFF shown when the user says so; Cancel and an empty scan leave
// every file as it was.
#include "MainWindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>

#include "document/TiffPages.h"
#include "mainwindow/ui/BatchScanning.h"

namespace pyxa::testing {
namespace {

// Scans by writing a batch of marked pages into the Available Files folder, as the scanning window would.
struct ScriptedScanning final : BatchScanning {
  QString ScanBatch(QWidget*) override {
    ++scans;
    if (pages == 0) return {};
    const QString path = folder + QStringLiteral("Batch_20261207_091500.tif");
    return WriteMarkedTiff(path, pages) ? path : QString();
  }
  void Prepare(const Panels& panels) override {
    panels(QStringLiteral("Scanner"), QStringLiteral("Kofax Scanner: not selected    "));
    panels(QStringLiteral("Status"), QStringLiteral("Status: not reserved    "));
  }
  bool HasScenarios() const override { return scenarios; }
  void EditScenarios(QWidget*) override { ++scenarioEdits; }
  QString folder;
  int pages = 2;
  int scans = 0;
  bool scenarios = false;
  int scenarioEdits = 0;
};

int PagesIn(const QString& path) {
  TiffPages pages;
  return pages.Open(path).Ok() ? pages.PageCount() : -1;
}

class ScanCommandTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    scanning.folder = settings.AvailableFolder;
    MainWindowServices services{settings, store,   session, prompter, login, databases,
                                picker,   &upload, viewer,  chooser,  &clock};
    services.scanning = &scanning;
    window = std::make_unique<frmMain>(services);
  }
  void ClickScan() { QTest::mouseClick(Find<QPushButton>("cmdScan"), Qt::LeftButton); }
  QString Batch() const { return settings.AvailableFolder + QStringLiteral("Batch_20261207_091500.tif"); }
  void ShowWaitingFile(int pages) {
    ASSERT_TRUE(WriteMarkedTiff(settings.AvailableFolder + QStringLiteral("batch.tif"), pages));
    window->cmdFile_Click();
    auto* files = Find<QTreeWidget>("sstFiles");
    auto found = files->findItems(QStringLiteral("batch.tif"), Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_FALSE(found.isEmpty());
    files->setCurrentItem(found.first());
  }

  ScriptedScanning scanning;
};

TEST_F(ScanCommandTest, AScannedBatchIsListedAndShownReadyToIndex) {
  ASSERT_TRUE(Find<QPushButton>("cmdScan")->isEnabled());
  ClickScan();
  EXPECT_EQ(scanning.scans, 1);
  EXPECT_EQ(window->Viewer().CurrentFileName(), Batch());
  EXPECT_EQ(window->Viewer().PageCount(), 2);
  EXPECT_TRUE(Find<QPushButton>("cmdIndex")->isEnabled());
  EXPECT_FALSE(Find<QTreeWidget>("sstFiles")
                   ->findItems(QStringLiteral("Batch_20261207_091500.tif"), Qt::MatchExactly | Qt::MatchRecursive)
                   .isEmpty());
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(u'|').toStdString();
}

struct AppendCase {
  const char* name;
  PromptAnswer answer;
  int scans;           // the scanner runs, or not
  int shownFilePages;  // batch.tif afterwards
  bool batchFileLeft;  // the scanned batch is a file of its own
};

TEST_F(ScanCommandTest, TheShownTiffTakesTheScannedPagesOnlyWhenTheUserSaysSo) {
  const AppendCase cases[] = {
      {"yes: appended", PromptAnswer::Yes, 1, 5, false},
      {"no: a batch of its own", PromptAnswer::No, 1, 3, true},
      {"cancel: nothing scanned", PromptAnswer::Cancel, 0, 3, false},
  };
  for (const AppendCase& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(Batch());
    scanning.scans = 0;
    ShowWaitingFile(3);
    prompter.Clear();
    prompter.Script(c.answer);
    ClickScan();
    EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Do you wish to append to the current document?")});
    EXPECT_EQ(scanning.scans, c.scans);
    EXPECT_EQ(PagesIn(settings.AvailableFolder + QStringLiteral("batch.tif")), c.shownFilePages);
    EXPECT_EQ(QFile::exists(Batch()), c.batchFileLeft);
    EXPECT_TRUE(Find<QPushButton>("cmdIndex")->isEnabled());
    EXPECT_TRUE(Find<QTreeWidget>("sstFiles")->isVisibleTo(window.get()));  // the files tree is back
    if (c.answer == PromptAnswer::Yes) {
      EXPECT_EQ(window->Viewer().PageCount(), 5);
    }
    if (c.answer == PromptAnswer::No) {
      EXPECT_EQ(window->Viewer().CurrentFileName(), Batch());
    }
  }
}

// Indexed documents hold pages of the file shown: they go to the upload queue first, or the scan waits.
TEST_F(ScanCommandTest, IndexedDocumentsGoToTheQueueFirstOrTheScanWaits) {
  log.patients = ValueRows{{1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QVariant(), QVariant(),
                            QStringLiteral("C-1"), QVariant(), QVariant(), QVariant()}};
  window->Form_Load();
  IndexWaitingFile(3);
  Find<QLineEdit>("txtLastName")->setText(QStringLiteral("O'Brien"));
  Find<QPushButton>("cmdSearch")->click();
  ChooseEntry(Find<QComboBox>("cboPhysician"), 0);
  ChooseEntry(Find<QComboBox>("cboCategory"), 0);
  Find<QPushButton>("cmdNew")->click();
  ASSERT_EQ(window->IndexedDocuments()->Count(), 1);

  prompter.Clear();
  prompter.Script(PromptAnswer::No);
  ClickScan();
  EXPECT_EQ(prompter.Prompts().first().text.left(54),
            QStringLiteral("The indexed documents will be sent to the upload queue"));
  EXPECT_EQ(scanning.scans, 0);
  EXPECT_EQ(window->IndexedDocuments()->Count(), 1);

  prompter.Clear();
  prompter.Script(PromptAnswer::Yes);
  ClickScan();
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);
  EXPECT_EQ(scanning.scans, 1);
  EXPECT_EQ(window->Viewer().CurrentFileName(), Batch());
  EXPECT_EQ(PagesIn(settings.AvailableFolder + QStringLiteral("batch.tif")), 2);  // the stored page left it
}

// The settings choose the scanner kind; the Scan command is off while the chosen kind is not available.
TEST_F(ScanCommandTest, TheScanCommandScansWithTheKindTheSettingsChoose) {
  struct KindCase {
    bool production;     // the settings choose the production scanner
    bool productionHere;  // the program has one
    bool enabled;
  };
  for (const KindCase c : {KindCase{false, true, true}, KindCase{true, true, true}, KindCase{true, false, false}}) {
    SCOPED_TRACE(::testing::Message() << "production " << c.production << ", here " << c.productionHere);
    ScriptedScanning production;
    production.folder = settings.AvailableFolder;
    production.scenarios = true;
    scanning.scans = 0;
    settings.Kofax = c.production;
    MainWindowServices services{settings, store,   session, prompter, login, databases,
                                picker,   &upload, viewer,  chooser,  &clock};
    services.scanning = &scanning;
    if (c.productionHere) services.productionScanning = &production;
    window = std::make_unique<frmMain>(services);
    window->Form_Load();
    // The production kind shows its source and reservation in the status bar from the start.
    EXPECT_EQ(Find<QLabel>("pnlScanner")->text(),
              c.production && c.productionHere ? QStringLiteral("Kofax Scanner: not selected    ") : QString());
    window->cmdFile_Click();
    // Its page scenarios are a tool of the production kind alone.
    QAction* scenarios = window->findChild<QAction*>(QStringLiteral("btnScenarios"));
    ASSERT_NE(scenarios, nullptr);
    ASSERT_EQ(scenarios->isVisible(), c.production && c.productionHere);
    if (scenarios->isVisible()) {
      window->show();
      QWidget* tool = nullptr;
      for (QToolBar* band : window->findChildren<QToolBar*>())
        if (QWidget* shown = band->widgetForAction(scenarios)) tool = shown;
      ASSERT_NE(tool, nullptr);
      QTest::mouseClick(tool, Qt::LeftButton);
      EXPECT_EQ(production.scenarioEdits, 1);
    }
    ASSERT_EQ(Find<QPushButton>("cmdScan")->isEnabled(), c.enabled);
    ClickScan();
    EXPECT_EQ(production.scans, c.production && c.enabled ? 1 : 0);
    EXPECT_EQ(scanning.scans, c.production ? 0 : 1);
    EXPECT_EQ(window->Viewer().CurrentFileName(), c.enabled ? Batch() : QString());
    window.reset();
    QFile::remove(Batch());
  }
}

TEST_F(ScanCommandTest, AScanThatBringsNoPageChangesNothing) {
  ShowWaitingFile(3);
  scanning.pages = 0;
  prompter.Script(PromptAnswer::No);
  ClickScan();
  EXPECT_EQ(scanning.scans, 1);
  EXPECT_EQ(window->Viewer().CurrentFileName(), settings.AvailableFolder + QStringLiteral("batch.tif"));
  EXPECT_TRUE(Find<QPushButton>("cmdIndex")->isEnabled());
  EXPECT_EQ(PagesIn(settings.AvailableFolder + QStringLiteral("batch.tif")), 3);
}

}  // namespace
}  // namespace pyxa::testing
