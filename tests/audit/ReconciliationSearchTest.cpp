// The reconciliation window finding and showing stored documents: the rows of a date range (and
// the midnight edge of its first day), the names the clinic gives, previews picked by DocumentID
// and recorded as views, and what the window says when there is no store or the service fails.
#include "audit/ReconciliationFiles.h"
#include "audit/ReconciliationFixture.h"

namespace pyxa::recontest {
namespace {

using SearchTest = ReconciliationWorld;

TEST_F(SearchTest, ListsOneRowPerActionInTheRangeWithTheClinicsNames) {
  const qint64 lab = StoreDocument(QStringLiteral("CBC.tif"), "lab", 1);
  const qint64 note = StoreDocument(QStringLiteral("Visit.pdf"), "%PDF", kClinicalNotesCategory, 55);
  Log(note, kToday.addSecs(-60), kActionSaved);
  const qint64 old = StoreDocument(QStringLiteral("at midnight.tif"), "old", 1, 0, QDateTime(kToday.date(), QTime(0, 0)));
  {
    SqlConnection connection(Store());
    connection.Prepare(QStringLiteral("INSERT INTO Exceptions (DocumentID, AttemptDate, Description) VALUES (?, ?, ?)"))
        .Bind(1, lab).Bind(2, QStringLiteral("2026-01-04 10:00:00")).Bind(3, QStringLiteral("refused")).Run();
  }

  const auto window = Open();
  QTreeWidget* list = List(*window);
  ASSERT_EQ(list->columnCount(), kColumnCount);
  EXPECT_EQ(list->headerItem()->text(kColFailures), QStringLiteral("Failed Attempts"));
  EXPECT_EQ(list->headerItem()->text(kColEncounterId), QStringLiteral("EncounterID"));
  EXPECT_EQ(Column(*window, kColName),
            (QStringList{QStringLiteral("CBC.tif"), QStringLiteral("Visit.pdf"), QStringLiteral("Visit.pdf")}));
  EXPECT_EQ(Column(*window, kColDocumentId),
            (QStringList{QString::number(lab), QString::number(note), QString::number(note)}));
  EXPECT_FALSE(Column(*window, kColDocumentId).contains(QString::number(old)));
  EXPECT_EQ(Column(*window, kColCategory), (QStringList{QStringLiteral("DI Report"), QStringLiteral("Clinical Notes"),
                                                        QStringLiteral("Clinical Notes")}));
  EXPECT_EQ(Column(*window, kColPatient).first(), QStringLiteral("O'Brien, Siobhan"));
  EXPECT_EQ(Column(*window, kColProvider).first(), QStringLiteral("Okafor, Adaeze"));
  EXPECT_FALSE(Column(*window, kColUser).first().isEmpty());
  EXPECT_EQ(Column(*window, kColFailures), (QStringList{QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0")}));
  EXPECT_EQ(Column(*window, kColEncounterId).at(1), QStringLiteral("55"));
  EXPECT_TRUE(Column(*window, kColEncounterDate).first().startsWith(QStringLiteral("24/12/2025 ")));

  // Nothing is chosen yet, so nothing can be acted on; a chosen image prints as its preview shows it.
  EXPECT_FALSE(Button(*window, "cmdReIndex")->isEnabled());
  EXPECT_FALSE(Button(*window, "cmdPrint")->isEnabled());
  ClickRow(*window, 0);
  EXPECT_TRUE(Button(*window, "cmdReIndex")->isEnabled());
  EXPECT_TRUE(Button(*window, "cmdDelete")->isEnabled());
  ASSERT_TRUE(Button(*window, "cmdPrint")->isEnabled());
  Click(*window, "cmdPrint");
  ASSERT_EQ(host.printed.size(), 1);
  EXPECT_EQ(host.printed.first(), host.shown + QStringLiteral("|CBC.tif"));  // the job takes the document's name
  // A preview the page view could not show leaves nothing to print.
  host.canShow = false;
  ClickRow(*window, 1);
  EXPECT_FALSE(Button(*window, "cmdPrint")->isEnabled());
  host.canShow = true;

  // The day before the midnight row finds it; Search starts from an empty list.
  window->findChild<QDateEdit*>(QStringLiteral("DTPicker1"))->setDate(kToday.date().addDays(-1));
  Click(*window, "cmdSearch");
  EXPECT_EQ(List(*window)->topLevelItemCount(), 4);
  EXPECT_FALSE(Button(*window, "cmdDelete")->isEnabled());
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(SearchTest, TypedWordsKeepTheDocumentsWhoseReadTextHoldsThemAll) {
  const QDateTime when = kToday.addSecs(-3600);
  StoreDocument(QStringLiteral("CBC.tif"), "lab", 1, 0, when, QStringLiteral("Hemoglobin 142\nFerritin LOW"));
  StoreDocument(QStringLiteral("Echo.tif"), "echo", 1, 0, when, QStringLiteral("Ferritin normal"));
  const auto window = Open();
  auto* words = window->findChild<QLineEdit*>(QStringLiteral("txtWords"));
  ASSERT_NE(words, nullptr);
  QTest::keyClicks(words, QStringLiteral("ferritin low"));
  QTest::keyClick(words, Qt::Key_Return);
  EXPECT_EQ(Column(*window, kColName), QStringList{QStringLiteral("CBC.tif")});
  words->clear();
  QTest::keyClicks(words, QStringLiteral("ferritin high"));
  Click(*window, "cmdSearch");
  EXPECT_EQ(List(*window)->topLevelItemCount(), 0);
  EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblStatus"))->text().contains(QStringLiteral("these words")));
  EXPECT_EQ(prompter.Count(), 0);
}

TEST_F(SearchTest, APreviewIsTheRowsOwnDocumentRecordedAsViewedAndGoneOnClose) {
  // Two documents of one patient under one name and category: only the ID tells them apart.
  const qint64 first = StoreDocument(QStringLiteral("Scan.tif"), "first document");
  StoreDocument(QStringLiteral("Scan.tif"), "second document");
  auto window = Open();
  ASSERT_EQ(List(*window)->topLevelItemCount(), 2);

  ClickRow(*window, 0);
  EXPECT_EQ(host.shownBytes, QByteArray("first document"));
  EXPECT_TRUE(QFileInfo(host.shown).fileName().startsWith(kPreviewPrefix));
  EXPECT_TRUE(host.shown.startsWith(previews));
  EXPECT_EQ(QDir(settings.AvailableFolder).entryList(QDir::Files | QDir::Hidden), QStringList());
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM AuditLog WHERE ActionID = %1 AND DocumentID = %2"
                                 " AND UserID = %3")
                      .arg(kActionViewed).arg(first).arg(kDemoUserId)),
            1);

  ClickRow(*window, 1);
  EXPECT_EQ(host.shownBytes, QByteArray("second document"));
  EXPECT_EQ(PreviewFiles().size(), 1);  // the first copy went when the second came

  // Views are kept in the trail but do not add rows to the list.
  Click(*window, "cmdSearch");
  EXPECT_EQ(List(*window)->topLevelItemCount(), 2);

  ClickRow(*window, 0);
  Click(*window, "cmdCancel");
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_EQ(PreviewFiles(), QStringList());
}

TEST_F(SearchTest, PdfRowsShowInTheViewerAndWordDocumentsOpenOnRequest) {
  StoreDocument(QStringLiteral("Letter.pdf"), "%PDF-1.4 letter");
  StoreDocument(QStringLiteral("Referral.doc"), "word bytes");
  auto window = Open();

  ClickRow(*window, 0);
  EXPECT_EQ(host.shownBytes, QByteArray("%PDF-1.4 letter"));
  EXPECT_TRUE(host.shown.endsWith(QStringLiteral(".pdf")));

  ClickRow(*window, 1);
  EXPECT_TRUE(host.shown.isEmpty());
  EXPECT_TRUE(opener.opened.isEmpty());
  QTreeWidget* list = List(*window);
  QTest::keyClick(list, Qt::Key_Return);
  ASSERT_EQ(opener.opened.size(), 1);
  QFile copy(opener.opened.first());
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), QByteArray("word bytes"));
  // Print hands a Word document to its own program, which prints it.
  Click(*window, "cmdPrint");
  EXPECT_EQ(opener.opened.size(), 2);
  EXPECT_TRUE(host.printed.isEmpty());

  // A viewer that cannot show the file leaves no copy behind.
  host.canShow = false;
  ClickRow(*window, 0);
  EXPECT_EQ(PreviewFiles().size(), 2);  // the Word copies only, still open in its program
  window.reset();
  EXPECT_EQ(PreviewFiles(), QStringList());
}

TEST_F(SearchTest, CopiesACrashLeftBehindAreClearedWhenTheWindowOpens) {
  QDir().mkpath(previews);
  for (const QString& path : {previews + QStringLiteral("zzzOLD123.tif"), settings.AvailableFolder + QStringLiteral(".reindex-Ab12Cd"),
                              settings.AvailableFolder + QStringLiteral("Waiting.tif")}) {
    QFile stale(path);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  }
  StoreDocument(QStringLiteral("Scan.tif"), "bytes");
  const auto window = Open();
  EXPECT_EQ(PreviewFiles(), QStringList());
  EXPECT_EQ(QDir(settings.AvailableFolder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Waiting.tif")});
}

TEST_F(SearchTest, WithoutAStoreTheListIsEmptyAndSaysWhyAndNoStoreIsMade) {
  const auto window = Open();
  EXPECT_EQ(List(*window)->topLevelItemCount(), 0);
  EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("lblStatus"))->text().contains(QStringLiteral("does not exist")));
  EXPECT_FALSE(QFile::exists(Store()));
  EXPECT_EQ(prompter.Count(), 0);
  Click(*window, "cmdSearch");
  EXPECT_FALSE(QFile::exists(Store()));
}

TEST_F(SearchTest, AServiceFailingDuringTheNamesKeepsTheRowsListedSoFar) {
  StoreDocument(QStringLiteral("One.tif"), "1");
  const qint64 second = StoreDocument(QStringLiteral("Two.tif"), "2");
  {
    SqlConnection connection(Store());
    connection.Prepare(QStringLiteral("UPDATE Documents SET PatientID = 1002 WHERE DocumentID = ?")).Bind(1, second).Run();
  }
  UseFakeService();
  // At opening: the country, the categories, then patient, provider and user of the first row;
  // the second row's patient fails.
  fakeLog.failures = {QString(), QString(), QString(), QString(), QString(), QStringLiteral("The server broke down")};
  const auto window = Open();
  EXPECT_EQ(Column(*window, kColName), QStringList{QStringLiteral("One.tif")});
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.LastPrompt().text.startsWith(QStringLiteral("An error has occurred.")));
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("The server broke down")));
}

TEST_F(SearchTest, UsersOfCountryTwoPickDatesMonthFirst) {
  UseFakeService();
  fakeLog.country = QStringLiteral("2");
  const auto window = Open();
  for (const char* name : {"DTPicker1", "DTPicker2"}) {
    const auto* dates = window->findChild<QDateEdit*>(QString::fromLatin1(name));
    ASSERT_NE(dates, nullptr);
    EXPECT_EQ(dates->displayFormat(), QStringLiteral("MM/dd/yyyy"));
    EXPECT_EQ(dates->date(), kToday.date());
  }
  EXPECT_TRUE(fakeLog.calls.contains(QStringLiteral("GetUsersCountry(17)")));
}

TEST(ReconciliationDates, CountryTwoUsesTheSystemDateOthersDayMonthYear) {
  const QDateTime date(QDate(2026, 3, 7), QTime(8, 4, 5));
  EXPECT_TRUE(ReconciliationDateText(date, false).startsWith(QStringLiteral("7/03/2026 ")));
  EXPECT_TRUE(ReconciliationDateText(date, true).startsWith(QLocale::system().toString(date.date(), QLocale::ShortFormat)));
  EXPECT_EQ(ReconciliationDateText(QDateTime(), false), QString());
}

}  // namespace
}  // namespace pyxa::recontest
