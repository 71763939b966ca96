// Upload and Upload Now through the main window, on real files and a real store, with the upload
// program scripted: stored and queued documents, the program's start and wait, the counts.
#include "MainWindowFixture.h"

#include "platform/Sql.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTreeWidget>

namespace pyxa {
namespace {

using testing::MainWindowTest;
using testing::OriginalPages;
using testing::PagingViewer;

class UploadTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    log.patients = ValueRows{{1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QVariant(), QVariant(),
                              QStringLiteral("C-1"), QVariant(), QVariant(), QVariant()}};
    viewer = &fake;
    Build();
  }
  QString Store() const { return settings.UploadsFolder + QStringLiteral("documents.mdb"); }
  QString Batch() const { return settings.AvailableFolder + QStringLiteral("batch.tif"); }
  qint64 Count(const QString& where) {
    SqlConnection connection(Store(), SqlConnection::Mode::ReadOnly);
    auto query = connection.Prepare(QStringLiteral("SELECT COUNT(*) AS n FROM Documents WHERE ") + where);
    return query.Step() ? query.Int(QStringLiteral("n")) : -1;
  }
  // Two documents of pages 1 and 2 of a three-page batch, for the single match of the search.
  void IndexTwoDocuments() {
    window->Form_Load();
    IndexWaitingFile(3);
    Find<QLineEdit>("txtLastName")->setText(QStringLiteral("O'Brien"));
    Find<QPushButton>("cmdSearch")->click();
    testing::ChooseEntry(Find<QComboBox>("cboPhysician"), 0);
    testing::ChooseEntry(Find<QComboBox>("cboCategory"), 0);
    Find<QPushButton>("cmdNew")->click();
    Find<QPushButton>("cmdNew")->click();
    ASSERT_EQ(window->IndexedDocuments()->Count(), 2);
  }
  QString Panel(const char* name) { return Find<QLabel>(name)->text(); }
  bool On(const char* control) { return window->State().Enabled(QString::fromLatin1(control)); }

  PagingViewer fake;
};

TEST_F(UploadTest, UploadWithNothingIndexedOnlyRefreshesTheCounts) {
  window->Form_Load();
  window->cmdUpload_Click();
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_FALSE(On("cmdUploadNow"));
  window->cmdUploadNow_Click();
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_FALSE(On("cmdUploadNow"));
}

TEST_F(UploadTest, UploadNowStoresQueuesStartsTheProgramAndWaitsForIt) {
  // Storing runs under the busy pointer from its first step to its last.
  QList<int> pointers;
  const std::function<void(const char*)> step = [&](const char*) {
    pointers << (QGuiApplication::overrideCursor() ? int(QGuiApplication::overrideCursor()->shape()) : -1);
  };
  checkpoint = &step;
  Build();
  IndexTwoDocuments();
  Find<QPushButton>("cmdUploadNow")->click();
  ASSERT_FALSE(pointers.isEmpty());
  EXPECT_EQ(pointers.count(int(Qt::WaitCursor)), pointers.size());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  ASSERT_EQ(prompter.Prompts().size(), 1u) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Upload Now has finished.\n\nUploaded: 0\nFailed: 0\nStill waiting: 2"));
  EXPECT_EQ(upload.calls, QStringList{QStringLiteral("start")});
  EXPECT_EQ(upload.runningLooks, 0);  // waited until it ended
  EXPECT_EQ(Count(QStringLiteral("IsUploaded = 0")), 2);
  EXPECT_EQ(OriginalPages(Batch()), (std::vector<int>{3}));  // only the unindexed page stays
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);
  EXPECT_EQ(Find<QTreeWidget>("sstFiles")->topLevelItemCount(), 0);
  EXPECT_FALSE(On("cmdIndex"));
  EXPECT_TRUE(On("cmdUploadNow"));  // the scripted program uploaded nothing: two still wait
  EXPECT_EQ(Panel("pnlAwaitingUpload").trimmed(), QStringLiteral("Awaiting Upload: 2"));
}

TEST_F(UploadTest, UploadNowWhileTheProgramRunsSaysSoAndStillWaits) {
  IndexTwoDocuments();
  upload.runningLooks = 4;
  Find<QPushButton>("cmdUploadNow")->click();
  ASSERT_EQ(prompter.Prompts().size(), 2u);
  EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("The Upload Documents process is currently running. "
                                                       "Documents are stored and will be processed in a sequence."));
  EXPECT_TRUE(upload.calls.isEmpty());
  EXPECT_EQ(upload.runningLooks, 0);
}

TEST_F(UploadTest, TheSummaryAfterUploadNowCountsWhatTheProgramDidAsTheStatusBarDoes) {
  IndexTwoDocuments();
  // The program uploads the first document and fails on the second, twice.
  upload.work = [this] {
    SqlConnection connection(Store(), SqlConnection::Mode::ReadWrite);
    connection.Execute(QStringLiteral("UPDATE Documents SET IsUploaded = 1 WHERE DocumentID = (SELECT min(DocumentID) "
                                      "FROM Documents); INSERT INTO Exceptions SELECT max(DocumentID), '', 'refused' "
                                      "FROM Documents; INSERT INTO Exceptions SELECT max(DocumentID), '', 'refused' "
                                      "FROM Documents;"));
  };
  Find<QPushButton>("cmdUploadNow")->click();
  ASSERT_EQ(prompter.Prompts().size(), 1u) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("Uploaded: 1\nFailed: 1\nStill waiting: 1")))
      << prompter.LastPrompt().text.toStdString();
  EXPECT_EQ(Panel("pnlAwaitingUpload").trimmed(), QStringLiteral("Awaiting Upload: 1"));
}

TEST_F(UploadTest, AMissingUploadProgramLeavesTheDocumentsStoredForTheSchedule) {
  IndexTwoDocuments();
  upload.exists = false;
  Find<QPushButton>("cmdUploadNow")->click();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Unable to locate the UploadDocuments"));
  EXPECT_EQ(Count(QStringLiteral("IsUploaded = 0")), 2);
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);
  // The queued documents left the indexed tree, and the status bar counts them.
  EXPECT_EQ(Find<QTreeWidget>("sstDocuments")->topLevelItem(0)->childCount(), 0);
  EXPECT_EQ(Panel("pnlAwaitingUpload").trimmed(), QStringLiteral("Awaiting Upload: 2"));
}

TEST_F(UploadTest, SavedDocumentsWaitInTheTreeAcrossARestartUntilUploadQueuesThem) {
  window->Form_Load();
  EXPECT_FALSE(Action("mnuActionsSave")->isEnabled()) << "nothing indexed: nothing to save";
  IndexTwoDocuments();
  // Stored but not queued: Actions > Save Documents.
  Action("mnuActionsSave")->trigger();
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  ASSERT_EQ(Count(QStringLiteral("IsUploaded = -1")), 2);
  EXPECT_EQ(OriginalPages(Batch()), (std::vector<int>{3}));
  EXPECT_EQ(Find<QTreeWidget>("sstDocuments")->topLevelItem(0)->childCount(), 2);
  EXPECT_FALSE(Action("mnuActionsSave")->isEnabled()) << "nothing left to save";

  Build();
  window->Form_Load();
  ASSERT_EQ(window->IndexedDocuments()->Count(), 2);
  auto* root = Find<QTreeWidget>("sstDocuments")->topLevelItem(0);
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_TRUE(On("cmdUpload"));
  EXPECT_TRUE(On("cmdUploadNow"));

  Find<QPushButton>("cmdUpload")->click();
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(Count(QStringLiteral("IsUploaded = 0")), 2);
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);
  EXPECT_TRUE(upload.calls.isEmpty());
  EXPECT_TRUE(On("cmdUploadNow"));
}

TEST_F(UploadTest, AClerkIndexesAThreeDocumentBatchFromTheKeyboardAlone) {
  window->Form_Load();
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  ASSERT_TRUE(testing::WriteMarkedTiff(Batch(), 4));
  fake.pages = 4;
  // Keys as the clerk presses them, each to whatever has the focus then.
  const auto keys = [](const QString& presses) {
    for (const QString& press : presses.split(QStringLiteral(", "))) {
      const QKeySequence key(press);
      QWidget* focus = QApplication::focusWidget();
      ASSERT_NE(focus, nullptr) << press.toStdString();
      QTest::keyClick(focus, key[0].key(), key[0].keyboardModifiers());
      // A button's Alt letter presses it as a click does, which ends a moment later.
      if (key[0].keyboardModifiers() & Qt::AltModifier) QTest::qWait(150);
    }
  };
  const auto type = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
  const auto patient = [this](qint64 id, const char* last) {
    log.patients = ValueRows{{id, QString::fromUtf8(last), QStringLiteral("A"), QVariant(), QVariant(),
                              QStringLiteral("C-%1").arg(id), QVariant(), QVariant(), QVariant()}};
  };

  keys(QStringLiteral("Alt+B, Down, Alt+I"));  // browse, the first file shows, index it
  patient(1001, "O'Brien");
  type(QStringLiteral("O'Brien"));
  // Search; a provider, Tab, a category; create with page 1, append page 2.
  keys(QStringLiteral("Return, Down, Tab, Down, Alt+D, Alt+A"));
  patient(1002, "Nguyen");
  keys(QStringLiteral("Ctrl+F"));
  type(QStringLiteral("Nguyen"));
  keys(QStringLiteral("Return, Alt+D"));  // page 3
  patient(1003, "Haddad");
  keys(QStringLiteral("Ctrl+F"));
  type(QStringLiteral("Haddad"));
  keys(QStringLiteral("Return, Alt+D, Alt+U"));  // page 4, then all three queued
  EXPECT_TRUE(prompter.Prompts().empty()) << prompter.Texts().join(QLatin1Char('|')).toStdString();

  SqlConnection connection(Store(), SqlConnection::Mode::ReadOnly);
  auto rows =
      connection.Prepare(QStringLiteral("SELECT PatientID FROM Documents WHERE IsUploaded = 0 ORDER BY DocumentID"));
  QList<qint64> patients;
  while (rows.Step()) patients << rows.Int(QStringLiteral("PatientID"));
  EXPECT_EQ(patients, (QList<qint64>{1001, 1002, 1003}));
  EXPECT_FALSE(QFile::exists(Batch())) << "every page was filed";
}

}  // namespace
}  // namespace pyxa
