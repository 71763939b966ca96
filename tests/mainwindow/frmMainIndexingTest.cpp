// The main window's patient search and document frame, driven through their controls:
// single, multiple and no matches; the category rules; creating documents from pages.
#include "MainWindowFixture.h"
#include "coversheets/SheetFinder.h"
#include "print/FakePrinterPort.h"
#include "print/PrintedSheets.h"
#include "print/WindowDriving.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTextEdit>
#include <QTreeWidget>

namespace pyxa {
namespace {

using testing::MainWindowTest;
using testing::PagingViewer;

struct ScriptedChooser final : PatientChooser {
  std::optional<ChosenPatient> Choose(const SearchCriteria& criteria, const PatientResults& results) override {
    shownWith = criteria;
    rows = results.Count();
    if (pick < 0) return std::nullopt;
    return PatientFromRow(results, pick, false);
  }
  int pick = 0;
  int rows = 0;
  SearchCriteria shownWith;
};

ValueRows Patients() {
  return {{1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QStringLiteral("1970-12-31 00:00:00"),
           QStringLiteral("4567"), QStringLiteral("C-1001"), QStringLiteral("613"), QStringLiteral("555"),
           QStringLiteral("0101")},
          {1002, QStringLiteral("O'Brien"), QStringLiteral("Liam"), QVariant(), QVariant(), QStringLiteral("C-1002"),
           QVariant(), QStringLiteral("555"), QStringLiteral("0202")}};
}

class IndexingTest : public MainWindowTest {
 protected:
  void SetUp() override {
    log.categories = ValueRows{{1, QStringLiteral("Lab Report")},     {2, QStringLiteral("DI Report")},
                               {3, QStringLiteral("ER Report")},      {5, QStringLiteral("Correspondence")},
                               {4, QStringLiteral("Clinical Notes")}, {9, QStringLiteral("Immunization")}};
    log.physicians = ValueRows{{11, QStringLiteral("Okafor, Adaeze")}, {12, QStringLiteral("Lindqvist, Per")}};
    MainWindowTest::SetUp();
  }
  // Starts indexing a waiting "batch.tif" of `pages` pages shown by the paging viewer.
  void StartIndexing(int pages = 3) {
    fake.pages = pages;
    viewer = &fake;
    Build();
    window->Form_Load();
    IndexWaitingFile();
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QComboBox* Box(const char* name) { return Find<QComboBox>(name); }
  void Choose(const char* box, const QString& text) {
    QComboBox* combo = Box(box);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    testing::ChooseEntry(combo, index);
  }
  void Type(const char* field, const QString& text) {
    Edit(field)->setFocus();
    QTest::keyClicks(Edit(field), text);
  }
  // A single match chosen by last name.
  void ChoosePatient() {
    log.patients = ValueRows{Patients().first()};
    Edit("txtLastName")->setText(QStringLiteral("O'Brien"));
    Find<QPushButton>("cmdSearch")->click();
  }
  bool On(const char* control) { return window->State().Enabled(QString::fromLatin1(control)); }
  QTreeWidgetItem* IndexedRoot() { return Find<QTreeWidget>("sstDocuments")->topLevelItem(0); }

  PagingViewer fake;
};

TEST_F(IndexingTest, ASingleMatchFillsTheFieldsAndEditingTheNameDropsThePatient) {
  window->Form_Load();
  log.patients = ValueRows{Patients().first()};
  Type("txtLastName", QStringLiteral("o'b"));
  QTest::keyClick(Edit("txtLastName"), Qt::Key_Return);  // Enter starts the search
  EXPECT_TRUE(log.calls.contains(QStringLiteral("FindPatient(,o'b,,,,,,)")));
  EXPECT_EQ(Edit("txtLastName")->text(), QStringLiteral("O'Brien"));
  EXPECT_EQ(Edit("txtFirstName")->text(), QStringLiteral("Siobhan"));
  EXPECT_EQ(Edit("txtDOB1")->text().toInt(), 31);
  EXPECT_EQ(Edit("txtDOB2")->text().toInt(), 12);
  EXPECT_EQ(Edit("txtDOB3")->text(), QStringLiteral("1970"));
  EXPECT_EQ(Edit("txtAreaCode")->text(), QStringLiteral("613"));
  EXPECT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1001"));
  EXPECT_TRUE(Find<QPushButton>("cmdEncounters")->isEnabled());
  EXPECT_TRUE(prompter.Prompts().empty());

  Type("txtFirstName", QStringLiteral("e"));
  EXPECT_TRUE(Edit("txtPatientID")->text().isEmpty());
}

TEST_F(IndexingTest, IndexPutsTheKeyboardInTheLastNameAndKeepsAChosenPatient) {
  StartIndexing();
  ChoosePatient();
  ASSERT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1001"));
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  // The next file of the pile.
  ASSERT_TRUE(testing::WriteMarkedTiff(settings.AvailableFolder + QStringLiteral("next.tif"), 1));
  Find<QPushButton>("cmdFile")->click();
  auto* files = Find<QTreeWidget>("sstFiles");
  const auto found = files->findItems(QStringLiteral("next.tif"), Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_FALSE(found.isEmpty());
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(found.first()).center());
  ASSERT_TRUE(Find<QPushButton>("cmdIndex")->isEnabled());
  Find<QPushButton>("cmdIndex")->click();
  EXPECT_EQ(window->State().Mode(), QStringLiteral("Indexing"));
  EXPECT_EQ(QApplication::focusWidget(), Edit("txtLastName"));
  EXPECT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1001")) << "the next file may be the same patient's";
}

TEST_F(IndexingTest, SeveralMatchesAreChosenInTheResultsWindowWithoutTheDateOfBirth) {
  ScriptedChooser scripted;
  scripted.pick = 1;
  chooser = &scripted;
  Build();
  window->Form_Load();
  log.patients = Patients();
  Edit("txtLastName")->setText(QStringLiteral("O'Brien"));
  Edit("txtDOB3")->setText(QStringLiteral("1970"));
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(scripted.rows, 2);
  EXPECT_EQ(scripted.shownWith.lastName, QStringLiteral("O'Brien"));
  EXPECT_TRUE(scripted.shownWith.dob3.isEmpty());
  EXPECT_EQ(Edit("txtFirstName")->text(), QStringLiteral("Liam"));
  EXPECT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1002"));
  EXPECT_TRUE(Edit("txtDOB1")->text().isEmpty());  // a null date of birth

  // Cancelling the choice keeps what the fields held and chooses nobody new.
  scripted.pick = -1;
  Edit("txtLastName")->setText(QStringLiteral("O'B"));
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(Edit("txtLastName")->text(), QStringLiteral("O'B"));
  EXPECT_TRUE(Edit("txtPatientID")->text().isEmpty());
  EXPECT_FALSE(Find<QPushButton>("cmdEncounters")->isEnabled());
}

TEST_F(IndexingTest, TheResultsWindowIsDrivenThroughItsOwnControls) {
  window->Form_Load();
  log.patients = Patients();
  Edit("txtLastName")->setText(QStringLiteral("O'Brien"));
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = dialog->windowTitle() == QStringLiteral("Search Results");
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("lvResults"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    list->setCurrentItem(list->topLevelItem(1));
    dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  });
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(Edit("txtPatientID")->text().isEmpty());
  EXPECT_EQ(Edit("txtLastName")->text(), QStringLiteral("O'Brien"));
}

TEST_F(IndexingTest, NoMatchNoCriteriaAndAFailedSearchKeepTheFields) {
  window->Form_Load();
  Find<QPushButton>("cmdSearch")->click();
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Please enter at least one piece of search information."));

  Edit("txtHCN")->setText(QStringLiteral("ABC"));  // letters only: no search information
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(prompter.Prompts().size(), 2u);

  Edit("txtLastName")->setText(QStringLiteral("Zz%"));
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(prompter.LastPrompt().title, QStringLiteral("Patient Info Not Found"));
  EXPECT_EQ(prompter.LastPrompt().text,
            QStringLiteral("No Patient Information can be found for the current search. Please refine your search."));
  EXPECT_EQ(Edit("txtLastName")->text(), QStringLiteral("Zz%"));
  EXPECT_FALSE(Find<QPushButton>("cmdEncounters")->isEnabled());

  // An expired session is renewed and the search made again.
  log.failures = {QStringLiteral("Your session timed out")};
  log.patients = ValueRows{Patients().first()};
  log.calls.clear();
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(log.calls.filter(QStringLiteral("FindPatient")).size(), 2);
  EXPECT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1001"));

  // A lost connection is told and nothing changes.
  log.failures = {QStringLiteral("Unable to connect to the remote server"),
                  QStringLiteral("Unable to connect to the remote server")};
  const size_t before = prompter.Prompts().size();
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_EQ(prompter.Prompts().size(), before + 1);
  EXPECT_EQ(Edit("txtLastName")->text(), QStringLiteral("O'Brien"));
}

TEST_F(IndexingTest, CountryTwoReadsTheDateOfBirthMonthFirst) {
  log.country = QStringLiteral("2");
  window->Form_Load();
  EXPECT_TRUE(Edit("txtHCN")->isHidden());
  Edit("txtDOB1")->setText(QStringLiteral("12"));
  Edit("txtDOB2")->setText(QStringLiteral("31"));
  Edit("txtDOB3")->setText(QStringLiteral("1970"));
  log.patients = ValueRows{Patients().first()};
  Find<QPushButton>("cmdSearch")->click();
  EXPECT_TRUE(log.calls.contains(QStringLiteral("FindPatient(,,,,,,,12/31/1970)")));
  EXPECT_EQ(Edit("txtDOB1")->text().toInt(), 12);
  EXPECT_EQ(Edit("txtDOB2")->text().toInt(), 31);
}

TEST_F(IndexingTest, TheCategoryDecidesListsLabelsAndFields) {
  log.diTypes = ValueRows{{41, QStringLiteral("Chest X-ray")}};
  log.visitTypes = ValueRows{{51, QStringLiteral("Follow-up")}};
  StartIndexing();
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));

  Choose("cboCategory", QStringLiteral("Lab Report"));
  EXPECT_TRUE(Box("cboSender")->isVisibleTo(window.get()));
  EXPECT_FALSE(Edit("txtSender")->isVisibleTo(window.get()));
  EXPECT_EQ(Box("cboSender")->currentText(), QStringLiteral("Lifelabs"));
  EXPECT_EQ(Box("cboType")->currentText(), QStringLiteral("Hematology"));
  EXPECT_EQ(Find<QLabel>("lblDate")->text(), QStringLiteral("Collection:"));
  EXPECT_TRUE(Edit("txtDocName")->text().startsWith(QStringLiteral("2026_1207port_09:15")));

  Choose("cboCategory", QStringLiteral("ER Report"));
  EXPECT_FALSE(Box("cboType")->isEnabled());
  EXPECT_EQ(Box("cboType")->count(), 0);
  EXPECT_EQ(Find<QLabel>("lblSender")->text(), QStringLiteral("Hospital:"));

  Choose("cboCategory", QStringLiteral("DI Report"));
  EXPECT_TRUE(log.calls.contains(QStringLiteral("GetDITypes(3)")));
  EXPECT_EQ(Find<QLabel>("Label7")->text(), QStringLiteral("Profile:"));
  EXPECT_EQ(Box("cboType")->currentText(), QStringLiteral("Chest X-ray"));

  Choose("cboCategory", QStringLiteral("Clinical Notes"));
  EXPECT_TRUE(log.calls.contains(QStringLiteral("GetVisitTypes(11)")));
  EXPECT_EQ(Box("cboType")->count(), 2);  // an empty first entry
  EXPECT_TRUE(Box("cboType")->currentText().isEmpty());
  EXPECT_TRUE(Find<QPushButton>("cmdEncounters")->isVisibleTo(window.get()));
  EXPECT_FALSE(Find<QPushButton>("cmdEncounters")->isEnabled());  // no patient yet
  EXPECT_FALSE(Edit("txtSender")->isEnabled());
}

TEST_F(IndexingTest, AProviderWithoutCorrespondenceTypesResetsTheFields) {
  StartIndexing();
  ChoosePatient();
  Choose("cboPhysician", QStringLiteral("Lindqvist, Per"));
  Choose("cboCategory", QStringLiteral("Correspondence"));
  ASSERT_FALSE(prompter.Prompts().empty());
  EXPECT_TRUE(prompter.LastPrompt().text.startsWith(
      QStringLiteral("The Physician does not have Correspondence Types defined in the HLV system.")));
  EXPECT_EQ(prompter.LastPrompt().icon, PromptIcon::Critical);
  EXPECT_EQ(Box("cboCategory")->currentIndex(), -1);
  EXPECT_EQ(Box("cboPhysician")->currentIndex(), -1);
  EXPECT_TRUE(Edit("txtPatientID")->text().isEmpty());
  EXPECT_TRUE(Edit("txtLastName")->text().isEmpty());

  // With types, the provider's list is fetched for it.
  log.correspondenceTypes = ValueRows{{61, QStringLiteral("Referral")}};
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
  Choose("cboCategory", QStringLiteral("Correspondence"));
  EXPECT_TRUE(log.calls.contains(QStringLiteral("GetCorrespondenceTypes(11)")));
  EXPECT_EQ(Box("cboType")->currentText(), QStringLiteral("Referral"));
}

TEST_F(IndexingTest, CreatingIsRefusedWithoutPatientEncounterOrValidPastDate) {
  StartIndexing();
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
  Choose("cboCategory", QStringLiteral("Immunization"));
  Find<QPushButton>("cmdNew")->click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Please select a patient for the document."));
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);

  ChoosePatient();
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  // The typist's habit: two digits, Tab, two digits, Tab, the year, Tab on to the name.
  Edit("txtDate1")->setFocus();
  for (const char* part : {"04", "12", "2026"}) {
    QTest::keyClicks(QApplication::focusWidget(), QString::fromLatin1(part));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(Edit("txtDate1")->text() + Edit("txtDate2")->text() + Edit("txtDate3")->text(), QStringLiteral("04122026"));
  EXPECT_EQ(QApplication::focusWidget(), Edit("txtDocName"));
  // A date with a part missing is refused, and what was typed stays to be finished.
  Edit("txtDate2")->setFocus();
  QTest::keyClick(Edit("txtDate2"), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Edit("txtDate2"), Qt::Key_Backspace);
  Find<QPushButton>("cmdNew")->click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("                Please enter a valid date."));
  EXPECT_EQ(Edit("txtDate1")->text() + Edit("txtDate3")->text(), QStringLiteral("042026"));
  EXPECT_EQ(QApplication::focusWidget(), Edit("txtDate2"));
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);

  Edit("txtDate1")->setText(QStringLiteral("31"));
  Edit("txtDate2")->setText(QStringLiteral("02"));
  Edit("txtDate3")->setText(QStringLiteral("2026"));
  Find<QPushButton>("cmdNew")->click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("                Please enter a valid date."));
  EXPECT_TRUE(prompter.LastPrompt().title.isEmpty());
  EXPECT_TRUE(Edit("txtDate1")->text().isEmpty());

  Edit("txtDate1")->setText(QStringLiteral("08"));
  Edit("txtDate2")->setText(QStringLiteral("12"));
  Edit("txtDate3")->setText(QStringLiteral("2026"));
  Find<QPushButton>("cmdNew")->click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("          You cannot select a future date."));
  EXPECT_EQ(Edit("txtDate1")->text(), QStringLiteral("08"));
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);

  Choose("cboCategory", QStringLiteral("Clinical Notes"));
  Find<QPushButton>("cmdNew")->click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Please select an unsigned encounter for the Clinical Note."));
  EXPECT_EQ(window->IndexedDocuments()->Count(), 0);
}

TEST_F(IndexingTest, TwoDocumentsShareThePagesAndAppendingStopsWhenAllAreGiven) {
  StartIndexing(3);
  ChoosePatient();
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
  Choose("cboCategory", QStringLiteral("Lab Report"));
  Edit("txtDate1")->setText(QStringLiteral("15"));
  Edit("txtDate2")->setText(QStringLiteral("3"));
  Edit("txtDate3")->setText(QStringLiteral("2026"));
  Find<QPushButton>("cmdNew")->click();
  ASSERT_EQ(window->IndexedDocuments()->Count(), 1);
  EXPECT_EQ(fake.page, 2);  // page 1 given, the next one shown
  EXPECT_TRUE(On("cmdNext"));
  Find<QPushButton>("cmdNext")->click();
  EXPECT_EQ(fake.page, 3);

  Choose("cboCategory", QStringLiteral("ER Report"));
  Edit("txtSender")->setText(QStringLiteral("Général d'Ottawa"));
  Find<QPushButton>("cmdNew")->click();
  ASSERT_EQ(window->IndexedDocuments()->Count(), 2);
  EXPECT_FALSE(On("cmdNext"));
  EXPECT_FALSE(On("cmdAppendAll"));
  EXPECT_FALSE(On("cmdNew"));
  EXPECT_TRUE(On("cmdUpload"));

  const Document& lab = window->IndexedDocuments()->Item(1);
  EXPECT_EQ(lab.Pages.Count(), 2);
  EXPECT_EQ(lab.SenderID, 1);
  EXPECT_EQ(lab.DocumentDate, QDateTime(QDate(2026, 3, 15), QTime(12, 0)));
  EXPECT_EQ(lab.PatientID, 1001);
  EXPECT_EQ(lab.PhysicianID, 11);
  EXPECT_TRUE(lab.DocumentName.endsWith(QStringLiteral(".TIF")));

  QTreeWidgetItem* root = IndexedRoot();
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_EQ(root->child(0)->text(0), QStringLiteral("O'Brien, Siobhan"));
  ASSERT_EQ(root->child(0)->childCount(), 2);
  EXPECT_EQ(root->child(0)->child(1)->text(0), QStringLiteral("Page #2"));
  EXPECT_EQ(root->child(1)->child(0)->text(0), QStringLiteral("Page #3"));

  // Choosing the first document brings its properties back.
  window->sstDocuments_NodeClick(root->child(0));
  EXPECT_EQ(Box("cboCategory")->currentText(), QStringLiteral("Lab Report"));
  EXPECT_EQ(Box("cboSender")->currentText(), QStringLiteral("Lifelabs"));
  EXPECT_EQ(Edit("txtDate1")->text(), QStringLiteral("15"));
  EXPECT_EQ(Edit("txtDate2")->text(), QStringLiteral("03"));
  EXPECT_EQ(Edit("txtPatientID")->text(), QStringLiteral("1001"));
  EXPECT_EQ(fake.page, 1);
  window->sstDocuments_NodeClick(root->child(1)->child(0));
  EXPECT_EQ(Edit("txtSender")->text(), QStringLiteral("Général d'Ottawa"));
  EXPECT_EQ(Find<QLabel>("lblSender")->text(), QStringLiteral("Hospital:"));
}

TEST_F(IndexingTest, AppendAllGivesTheRemainingPagesToTheLastDocument) {
  StartIndexing(5);
  ChoosePatient();
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
  Choose("cboCategory", QStringLiteral("Immunization"));
  Find<QPushButton>("cmdNew")->click();  // page 1
  Find<QPushButton>("cmdNew")->click();  // page 2, a second document
  Find<QPushButton>("cmdAppendAll")->click();
  ASSERT_EQ(window->IndexedDocuments()->Count(), 2);
  QList<int> second;
  for (const Page& page : window->IndexedDocuments()->Item(2).Pages) second << page.PageNumber;
  EXPECT_EQ(second, (QList<int>{2, 3, 4, 5}));
  EXPECT_FALSE(On("cmdAppendAll"));
  EXPECT_FALSE(On("cmdNext"));
}

TEST_F(IndexingTest, TheDefaultsComeFromTheSettingsAndGoBackAtUnload) {
  settings.MainFormLeft = 10;
  settings.MainFormTop = 10;
  settings.MainFormWidth = 1000;
  settings.MainFormHeight = 700;
  settings.StoreCategory = 1;
  settings.StoreType = 21;
  Build();
  window->Form_Load();
  EXPECT_EQ(Box("cboCategory")->currentText(), QStringLiteral("Lab Report"));
  EXPECT_EQ(Box("cboType")->currentText(), QStringLiteral("Hematology"));
  EXPECT_FALSE(Find<QCheckBox>("chkSignoff")->isEnabled() && !log.canReview);

  Choose("cboCategory", QStringLiteral("Immunization"));
  prompter.Script(PromptAnswer::Yes);
  window->cmdExit_Click();
  EXPECT_EQ(settings.StoreCategory, 9);
  EXPECT_EQ(settings.StoreType, 0);
}

TEST_F(IndexingTest, TheDocumentFieldsNeverOverlapAndTheNotesStayAFewLinesHigh) {
  StartIndexing();
  Choose("cboCategory", QStringLiteral("Clinical Notes"));
  window->show();
  const auto* frame = Find<QWidget>("fraDocument");
  for (const QSize size : {window->minimumSize(), QSize(1280, 800), QSize(1920, 1080)}) {
    window->resize(size);
    QCoreApplication::processEvents();
    QList<const QWidget*> shown;
    for (const QWidget* child : frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      if (child->isVisible()) shown << child;
    ASSERT_TRUE(Find<QWidget>("cmdEncounters")->isVisible());
    for (int i = 0; i < shown.size(); ++i)
      for (int j = i + 1; j < shown.size(); ++j)
        EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
            << size.width() << "x" << size.height() << ": " << shown[i]->objectName().toStdString() << " overlaps "
            << shown[j]->objectName().toStdString();
    EXPECT_LT(Find<QWidget>("txtNotes")->height(), 8 * Find<QWidget>("txtNotes")->fontMetrics().lineSpacing());
  }
}

TEST_F(IndexingTest, ControlsTheUsersRightsTurnOffSayWhyInTheirTips) {
  log.canReview = false;
  log.canUpload = false;
  window->Form_Load();
  EXPECT_FALSE(Find<QCheckBox>("chkSignoff")->isEnabled());
  EXPECT_EQ(Find<QCheckBox>("chkSignoff")->toolTip(),
            QStringLiteral("Not available: your user account may not sign off documents."));
  EXPECT_FALSE(Find<QPushButton>("cmdUploadNow")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdUploadNow")->toolTip().endsWith(
      QStringLiteral("\nNot available: your user account may not upload documents.")));
  // Rights given back at the next start: the tips are the controls' own again.
  log.canReview = log.canUpload = true;
  window->Form_Load();
  EXPECT_EQ(Find<QPushButton>("cmdUpload")->toolTip(), QStringLiteral("Designate selected file for scheduled uploading"));
  EXPECT_TRUE(Find<QCheckBox>("chkSignoff")->toolTip().isEmpty());
}


// The whole way round: the chosen patient's cover sheet, printed, reads back as that patient with the
// category, type and provider chosen for it.
TEST_F(IndexingTest, ACoverSheetForTheChosenPatientReadsBackAsThatPatient) {
  test::FakePrinterPort port;
  port.printers = {test::OfficePrinter()};
  port.defaultPrinter = QStringLiteral("Office");
  test::ScriptedSaver saver;
  printers = &port;
  saveFiles = &saver;
  StartIndexing();
  auto* cover = Find<QPushButton>("cmdCoverSheet");
  EXPECT_FALSE(cover->isEnabled());  // no patient yet
  Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
  Choose("cboCategory", QStringLiteral("Lab Report"));
  ChoosePatient();
  ASSERT_TRUE(cover->isEnabled());
  test::OnNextModal([](QWidget* print) { test::Click(print, "cmdOK"); });
  QTest::mouseClick(cover, Qt::LeftButton);
  ASSERT_EQ(port.jobs.size(), 1u) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  const std::unique_ptr<Poppler::Document> pdf = test::ReadPdf(port.jobs[0].pdf);
  ASSERT_TRUE(pdf);
  ASSERT_EQ(pdf->numPages(), 1);
  const QImage sheet = pdf->page(0)->renderToImage(150, 150).convertToFormat(QImage::Format_Grayscale8);
  const SheetFinding found = FindSheet(sheet, 150, 150);
  ASSERT_EQ(found.kind, SheetFinding::Kind::Cover);
  EXPECT_EQ(found.record.patientId, 1001);
  EXPECT_EQ(found.record.name, QStringLiteral("O'BRIEN, Siobhan"));
  EXPECT_EQ(found.record.birth, QDate(1970, 12, 31));
  EXPECT_EQ(found.record.categoryId, 1);
  EXPECT_EQ(found.record.providerId, 11);
  EXPECT_GT(found.record.typeId, 0);

  // Tools > Cover Sheets for a List opens the list's window (as the keyboard's Alt+T, C would).
  QString caption;
  test::OnNextModal([&caption](QWidget* list) {
    caption = list->windowTitle();
    list->close();
  });
  Find<QAction>("mnuToolsCoverSheets")->trigger();
  EXPECT_EQ(caption, QStringLiteral("Cover Sheets for a List"));
}

}  // namespace
}  // namespace pyxa
