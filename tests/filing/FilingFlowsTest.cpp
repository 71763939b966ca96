// Single flows a clerk follows, each driven through the window's own controls on the real
// viewer, store and demo clinic, where a page could end up under the wrong patient, twice, or
// nowhere. Page codes: alpha.tif holds 17-20, SCAN.TIF 33-35, gamma.tif 49-50, delta.pdf 65.
#include "FilingWorld.h"

#include "components/ClinicFaults.h"
#include "mainwindow/ui/frmMain.h"
#include "platform/Sql.h"
#include "upload/FileDigest.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace pyxa::filing {
namespace {

using Codes = std::vector<int>;

class FilingFlows : public ::testing::Test {
 protected:
  void IndexFile(const QString& name) {
    world.ClickButton("cmdFile");
    world.ClickFileNode(name);
    world.ClickButton("cmdIndex");
  }
  void ForPatient(int patient, const QString& category = QStringLiteral("Lab Report")) {
    world.SearchPatient(patient);
    world.ChooseInCombo("cboCategory", category);
  }
  template <typename T = QWidget>
  T* Find(const char* name) {
    return world.Window().findChild<T*>(QString::fromLatin1(name));
  }
  bool Enabled(const char* name) {
    if (auto* action = Find<QAction>(name)) return action->isEnabled();
    return Find<QWidget>(name)->isEnabled();
  }
  QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
  int DocumentCount() {
    const auto& indexed = world.Window().IndexedDocuments();
    return indexed ? indexed->Count() : 0;
  }
  bool Asked(const QString& start) {
    for (const QString& text : world.Prompts().all)
      if (text.startsWith(start)) return true;
    return false;
  }
  void ExpectInvariant() { EXPECT_EQ(world.Violations(), QStringList()); }

  FilingWorld world;
};

// A page deleted on screen and not saved: Index settles it first, so the page shown is the one
// stored, whichever way the user answers.
TEST_F(FilingFlows, IndexSettlesPageEditsBeforeDocumentsNumberPages) {
  for (const PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
    SCOPED_TRACE(answer == PromptAnswer::Yes ? "saved" : "undone");
    FilingWorld fresh;
    fresh.ClickButton("cmdFile");
    fresh.ClickFileNode(QStringLiteral("alpha.tif"));
    fresh.DeletePage();
    fresh.Prompts().script = {answer};
    fresh.ClickButton("cmdIndex");
    EXPECT_TRUE(fresh.Prompts().all.contains(
        QStringLiteral("Would you like to save the changes you made to the previous document?")));
    fresh.SearchPatient(0);
    fresh.ChooseInCombo("cboCategory", QStringLiteral("Lab Report"));
    fresh.ClickButton("cmdNew");
    fresh.ClickButton("cmdUpload");
    ASSERT_EQ(fresh.Stored().size(), 1);
    EXPECT_EQ(fresh.Stored().first().second, answer == PromptAnswer::Yes ? Codes{18} : Codes{17});
    EXPECT_EQ(fresh.Codes(fresh.Available(QStringLiteral("alpha.tif"))),
              answer == PromptAnswer::Yes ? (Codes{19, 20}) : (Codes{18, 19, 20}));
    EXPECT_EQ(fresh.Violations(), QStringList());
  }
}

// Pages are given once, to the patient the user sees: a held page, another patient's document
// and a document without pages are refused, and the frame says whose document Append extends.
// Meanwhile a click on another file leaves the first one shown and chosen, as its pages are held
// (Upload once stored the file clicked under the patient instead).
TEST_F(FilingFlows, AppendGivesEachPageOnceAndOnlyToTheDocumentsPatientWhileOtherFilesWait) {
  IndexFile(QStringLiteral("alpha.tif"));
  ForPatient(0);
  world.ClickButton("cmdNew");  // page 1, then page 2 is shown
  world.ClickFileNode(QStringLiteral("SCAN.TIF"));
  EXPECT_TRUE(Asked(QStringLiteral("The indexed documents hold pages of 'alpha.tif'")));
  EXPECT_TRUE(world.Window().Viewer().CurrentFileName().endsWith(QStringLiteral("alpha.tif")));
  QCoreApplication::processEvents();
  const QList<QTreeWidgetItem*> chosen = Find<QTreeWidget>("sstFiles")->selectedItems();
  ASSERT_EQ(chosen.size(), 1);
  EXPECT_EQ(chosen.first()->text(0), QStringLiteral("alpha.tif"));

  world.ClickTool("btnNavFirst");
  world.ClickButton("cmdNext");
  EXPECT_TRUE(Asked(QStringLiteral("Page 1 is already in an indexed document.")));
  world.ClickButton("cmdNew");
  EXPECT_TRUE(Asked(QStringLiteral("Page 1 is already in an indexed document. Show a page")));
  EXPECT_EQ(DocumentCount(), 1);
  EXPECT_TRUE(Find<QLabel>("lblAppendTarget")->text().contains(QStringLiteral("document 1, ")));

  world.ClickTool("btnNavNext");
  world.SearchPatient(1);
  world.ClickButton("cmdNext");
  EXPECT_TRUE(Asked(QStringLiteral("Document 1 belongs to ")));
  world.ClickButton("cmdAppendAll");
  EXPECT_EQ(world.Window().IndexedDocuments()->Item(1).Pages.Count(), 1);
  world.ClickButton("cmdNew");  // page 2 for the second patient
  world.ClickButton("cmdUpload");
  const auto stored = world.Stored();
  ASSERT_EQ(stored.size(), 2);
  EXPECT_EQ(stored[0], qMakePair(world.PatientId(0), Codes{17}));
  EXPECT_EQ(stored[1], qMakePair(world.PatientId(1), Codes{18}));
  EXPECT_EQ(world.Codes(world.Available(QStringLiteral("SCAN.TIF"))), (Codes{33, 34, 35}));
  ExpectInvariant();
}

// A file of upper-case name whose document lost its only page: nothing is stored or deleted.
TEST_F(FilingFlows, ADocumentWithoutPagesIsNeverStored) {
  IndexFile(QStringLiteral("SCAN.TIF"));
  ForPatient(0);
  world.ClickButton("cmdNew");
  world.ContextCommand(1, 1, "popRemoveNode");
  EXPECT_EQ(world.Window().IndexedDocuments()->Item(1).Pages.Count(), 0);
  world.ClickButton("cmdUpload");
  EXPECT_TRUE(Asked(QStringLiteral("The document(s) you have attempted to upload has failed.")));
  EXPECT_TRUE(world.Stored().isEmpty());
  EXPECT_EQ(world.Codes(world.Available(QStringLiteral("SCAN.TIF"))), (Codes{33, 34, 35}));
  ExpectInvariant();
}

// Every page deleted and the file kept: Index waits, Create makes nothing.
TEST_F(FilingFlows, AFileLeftWithoutPagesIsNotIndexed) {
  world.ClickButton("cmdFile");
  world.ClickFileNode(QStringLiteral("gamma.tif"));
  world.DeletePage();
  world.DeletePage();
  world.Prompts().script = {PromptAnswer::Yes, PromptAnswer::No};  // save, but keep the file
  world.ClickButton("cmdIndex");
  EXPECT_TRUE(Asked(QStringLiteral("There are no Pages in this document.")));
  EXPECT_NE(world.Window().State().Mode(), QStringLiteral("Indexing"));
  world.ClickButton("cmdNew");
  EXPECT_EQ(DocumentCount(), 0);
  EXPECT_EQ(world.Codes(world.Available(QStringLiteral("gamma.tif"))), (Codes{49, 50}));
}

// A save that fails (the file is read-only) keeps the edits and the file on screen; Yes with
// every page deleted asks whether to delete the file.
TEST_F(FilingFlows, TheSaveQuestionNeverDropsEditsSilently) {
  const QString alpha = world.Available(QStringLiteral("alpha.tif"));
  world.ClickButton("cmdFile");
  world.ClickFileNode(QStringLiteral("alpha.tif"));
  QFile::setPermissions(alpha, QFile::ReadOwner);
  world.DeletePage();
  world.Prompts().script = {PromptAnswer::Yes};
  world.ClickFileNode(QStringLiteral("gamma.tif"));
  EXPECT_EQ(world.Window().Viewer().CurrentFileName(), alpha);
  EXPECT_TRUE(world.Window().Viewer().HasUnsavedChanges());
  EXPECT_EQ(world.Window().Viewer().PageCount(), 3);
  QFile::setPermissions(alpha, QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(world.Codes(alpha), (Codes{17, 18, 19, 20}));

  world.Prompts().script = {PromptAnswer::No};  // undo
  world.ClickFileNode(QStringLiteral("gamma.tif"));
  world.DeletePage();
  world.DeletePage();
  world.Prompts().all.clear();
  world.Prompts().script = {PromptAnswer::Yes, PromptAnswer::Yes};  // save, and delete the file
  world.ClickFileNode(QStringLiteral("alpha.tif"));
  EXPECT_TRUE(Asked(QStringLiteral("There are no Pages in this document. Do you wish to delete the file?")));
  EXPECT_FALSE(QFile::exists(world.Available(QStringLiteral("gamma.tif"))));
  EXPECT_EQ(world.Window().Viewer().CurrentFileName(), alpha);
}

// Controls follow what is shown: a file that fails to show, the "Available Files" node, and a
// source every page of which was stored.
TEST_F(FilingFlows, ControlsFollowWhatIsShown) {
  QFile broken(world.Available(QStringLiteral("broken.tif")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("II*\0garbage", 11);
  broken.close();
  const auto nothingShown = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_TRUE(Find<QLabel>("Status")->text().isEmpty());
    EXPECT_FALSE(Enabled("cmdIndex"));
    EXPECT_FALSE(Enabled("btnIndex"));
    EXPECT_FALSE(Enabled("btnRotate"));
    EXPECT_FALSE(Enabled("btnNavNext"));
    EXPECT_TRUE(Find<QLineEdit>("btnPage")->text().isEmpty());
  };
  world.ClickButton("cmdFile");
  world.ClickFileNode(QStringLiteral("alpha.tif"));
  world.ClickFileNode(QStringLiteral("broken.tif"));
  EXPECT_TRUE(Asked(QStringLiteral("Failed to display the file.")));
  nothingShown("a failed display");
  world.ClickFileNode(QStringLiteral("alpha.tif"));
  world.ClickFileNode(QStringLiteral("Available Files"));
  nothingShown("the available files node");

  IndexFile(QStringLiteral("gamma.tif"));
  ForPatient(0);
  world.ClickButton("cmdNew");
  world.ClickButton("cmdNext");
  world.ClickButton("cmdUpload");
  EXPECT_FALSE(QFile::exists(world.Available(QStringLiteral("gamma.tif"))));
  nothingShown("a source stored whole");
  EXPECT_FALSE(Text("txtDocName").contains(QStringLiteral("gamma")));
}

// A file whose stored pages could not be taken out yet is tried again at Browse and not shown
// meanwhile: its pages would be indexed a second time.
TEST_F(FilingFlows, AFileThatStillOwesStoredPagesIsNotShown) {
  const QString alpha = world.Available(QStringLiteral("alpha.tif"));
  auto database = SqliteDatabaseFactory().Create();
  ASSERT_TRUE(database->Connect(world.StorePath(), kDatabasePassword));
  Document stored;
  stored.PatientID = world.PatientId(0);
  stored.FileData = "II*";
  AuditLog audit;
  std::int64_t id = 0;
  // Page 9 cannot be taken out of a four-page file: the removal stays owed.
  ASSERT_TRUE(database->StoreIndexedDocument(stored, audit, alpha, FileDigest(alpha), {9}, id));
  database->Disconnect();
  world.ClickButton("cmdFile");
  EXPECT_TRUE(Asked(QStringLiteral("The pages already stored from 'alpha.tif' could not be taken out of it")));
  world.ClickFileNode(QStringLiteral("alpha.tif"));
  EXPECT_TRUE(Asked(QStringLiteral("Some pages of 'alpha.tif' are stored already")));
  EXPECT_TRUE(world.Window().Viewer().CurrentFileName().isEmpty());
  EXPECT_EQ(world.Codes(alpha), (Codes{17, 18, 19, 20}));
}

// The encounter button keeps an encounter locked while a document uses it, and tells of a
// release that fails.
TEST_F(FilingFlows, TheEncounterButtonReleasesOnlyUnusedEncounters) {
  const auto locked = [&](qint64 encounter) {
    SqlConnection clinic(world.ClinicPath(), SqlConnection::Mode::ReadOnly);
    auto row = clinic.Prepare(QStringLiteral("SELECT locked_by IS NOT NULL AS n FROM encounters WHERE id = ?"));
    row.Bind(1, encounter);
    return row.Step() && row.Int(QStringLiteral("n")) == 1;
  };
  IndexFile(QStringLiteral("alpha.tif"));
  world.SearchPatient(0);
  world.ChooseInCombo("cboPhysician", Find<QComboBox>("cboPhysician")->itemText(0));
  world.ChooseInCombo("cboCategory", QStringLiteral("Clinical Notes"));
  world.TypeInto("txtDate1", QStringLiteral("01"));
  world.TypeInto("txtDate2", QStringLiteral("12"));
  world.TypeInto("txtDate3", QStringLiteral("2026"));
  world.ClickButton("cmdEncounters");
  const qint64 encounter = Text("txtEncounterID").toLongLong();
  ASSERT_NE(encounter, 0);
  world.ClickButton("cmdNew");
  ASSERT_EQ(DocumentCount(), 1);
  world.ClickButton("cmdEncounters");
  EXPECT_TRUE(locked(encounter));

  world.ContextCommand(1, 0, "popRemoveDoc");
  ASSERT_EQ(DocumentCount(), 0);
  world.ClickButton("cmdEncounters");  // chooses it again and locks it
  ClinicFaults(world.ClinicPath()).FailNextCall(-2147467259, QStringLiteral("Unable to connect to the remote server"));
  world.ClickButton("cmdEncounters");
  EXPECT_TRUE(Asked(QStringLiteral("These encounters could not be released")));
}

// The notes, flag and dates of one patient's document do not carry into the next patient's;
// what the user types after choosing stays.
TEST_F(FilingFlows, OnePatientsDocumentFieldsDoNotCarryToTheNext) {
  IndexFile(QStringLiteral("alpha.tif"));
  ForPatient(0);
  Find<QTextEdit>("txtNotes")->setFocus();
  QTest::keyClicks(Find<QTextEdit>("txtNotes"), QStringLiteral("left knee"));
  QTest::mouseClick(Find<QCheckBox>("chkAbnormal"), Qt::LeftButton);
  world.TypeInto("txtSender", QStringLiteral("Dr Who"));
  world.ClickButton("cmdNew");
  world.ClickButton("cmdUpload");
  world.SearchPatient(1);
  EXPECT_TRUE(Find<QTextEdit>("txtNotes")->toPlainText().isEmpty());
  EXPECT_FALSE(Find<QCheckBox>("chkAbnormal")->isChecked());

  QTest::keyClicks(Find<QTextEdit>("txtNotes"), QStringLiteral("typed for the next"));
  world.SearchPatient(2);
  EXPECT_EQ(Find<QTextEdit>("txtNotes")->toPlainText(), QStringLiteral("typed for the next"));
}

}  // namespace
}  // namespace pyxa::filing
