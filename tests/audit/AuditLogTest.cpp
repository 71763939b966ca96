// The audit log window as a user meets it: a range of days listed with names from the service (each
// person asked once per search), name prefixes typed with quotes and wildcards, words found in the
// text read from the documents' pages, the log emptied only
// after Yes, the rows exported, and a missing store or a failing service explained.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "audit/AuditLogListing.h"
#include "audit/AuditTexts.h"
#include "platform/SaveFilePicker.h"
#include "audit/ui/frmAuditLog.h"
#include "components/SqliteDatabase.h"
#include "platform/ScriptedPrompter.h"
#include "shell/FakeService.h"
#include "shell/Session.h"

namespace pyxa {
namespace {

using testing::FakeService;
using testing::FakeServiceLog;

struct ScriptedSaver final : SaveFilePicker {
  QString SaveFile(const QString&, const QString&, const QString&) override { return answer; }
  QString answer;
};

class AuditLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = dir.filePath(QStringLiteral("documents.mdb"));
    log.patientRows = {{7, {7, QStringLiteral("Haddad"), QStringLiteral("Rami")}}};
    log.userRows = {{3, {3, QStringLiteral("Ann"), QStringLiteral("Ng"), QStringLiteral("Lee")}}};
    session.Replace(std::make_unique<FakeService>(log));
  }
  void Stored(const QDateTime& when, const QString& document, const QString& patient, std::int32_t action = 1,
              std::int32_t status = 0, qint64 patientId = 7) {
    if (!QFile::exists(store)) {
      ASSERT_TRUE(database.Create(store, kDatabasePassword));
    }
    AuditLog record;
    record.ActionDate = when;
    record.DocumentName = document;
    record.PatientName = patient;
    record.PatientID = patientId;
    record.UserID = 3;
    record.CategoryID = 1;
    record.TypeDesc = QStringLiteral("Blood work");
    record.ActionID = action;
    record.StatusID = status;
    ASSERT_TRUE(database.UpdateDBWithLog(record)) << database.LastErrorDescription().toStdString();
  }
  std::unique_ptr<frmAuditLog> Open() {
    auto window = std::make_unique<frmAuditLog>(session, prompter, saver, store,
                                                 [](qint64 id) { return id == 1 ? QStringLiteral("Lab Report") : QString(); },
                                                 false);
    window->findChild<QDateEdit*>(QStringLiteral("DTPicker1"))->setDate(QDate(2026, 12, 1));
    window->findChild<QDateEdit*>(QStringLiteral("DTPicker2"))->setDate(QDate(2026, 12, 3));
    return window;
  }
  template <typename T>
  static T* Find(QWidget* w, const char* name) {
    return w->findChild<T*>(QString::fromLatin1(name));
  }
  static void Click(QWidget* w, const char* name) { QTest::mouseClick(Find<QPushButton>(w, name), Qt::LeftButton); }
  static void Type(QWidget* w, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(w, name);
    edit->clear();
    QTest::keyClicks(edit, text);
  }
  static QStringList Column(QWidget* w, int column) {
    QStringList texts;
    auto* list = Find<QTreeWidget>(w, "lvResults");
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
    return texts;
  }

  QTemporaryDir dir;
  QString store;
  SqliteDatabase database;
  FakeServiceLog log;
  Session session;
  ScriptedPrompter prompter;
  ScriptedSaver saver;
};

TEST_F(AuditLogTest, TheDaysActionsAreListedWithNamesAskedOncePerPerson) {
  const QDate day(2026, 12, 1);
  Stored(QDateTime(day, QTime(0, 0)), QStringLiteral("at midnight.TIF"), QStringLiteral("Haddad, Rami"));
  Stored(QDateTime(day, QTime(9, 5, 3)), QStringLiteral("Referral.TIF"), QString());
  Stored(QDateTime(day.addDays(1), QTime(10, 0)), QStringLiteral("Lab.TIF"), QStringLiteral("Haddad, Rami"),
         kActionReindexed, -1);
  Stored(QDateTime(day.addDays(2), QTime(23, 59)), QStringLiteral("Viewed.TIF"), QString(), kActionViewed, 5);
  Stored(QDateTime(day.addDays(3), QTime(0, 0)), QStringLiteral("next day.TIF"), QString());
  auto window = Open();
  log.calls.clear();
  Click(window.get(), "cmdSearch");
  EXPECT_EQ(Column(window.get(), 0), QStringList({"Referral.TIF", "Lab.TIF", "Viewed.TIF"}));
  EXPECT_EQ(Column(window.get(), 1), QStringList({"Lab Report", "Lab Report", "Lab Report"}));
  // An empty stored name comes from the service; the stored one is shown as it is.
  EXPECT_EQ(Column(window.get(), 3), QStringList({"Haddad, Rami", "Haddad, Rami", "Haddad, Rami"}));
  // Day, month with its zero, year, then the time as the system writes it.
  EXPECT_TRUE(Column(window.get(), 4).first().startsWith(QStringLiteral("1/12/2026 ")));
  EXPECT_TRUE(Column(window.get(), 4).first().contains(QStringLiteral("9:05:03")));
  EXPECT_EQ(Column(window.get(), 5), QStringList({"PENDING UPLOAD", "REINDEXED", "VIEWED"}));
  EXPECT_EQ(Column(window.get(), 6), QStringList({"Lee, Ng", "Lee, Ng", "Lee, Ng"}));
  EXPECT_EQ(Column(window.get(), 7), QStringList({"SUCCEEDED", "FAILED", ""}));
  EXPECT_EQ(log.calls, QStringList({"GetPatientNameByID(7)", "GetUserNameByID(3)"}));
  EXPECT_EQ(prompter.Count(), 0);

  // The list sorts by the action's time, not by its text.
  auto* list = Find<QTreeWidget>(window.get(), "lvResults");
  list->sortByColumn(4, Qt::DescendingOrder);
  EXPECT_EQ(Column(window.get(), 0), QStringList({"Viewed.TIF", "Lab.TIF", "Referral.TIF"}));
}

TEST_F(AuditLogTest, TypedPrefixesMatchStoredNamesOnly) {
  const QDateTime when(QDate(2026, 12, 2), QTime(10, 0));
  Stored(when, QStringLiteral("Lab 100% done.TIF"), QStringLiteral("O'Brien, Siobhan"));
  Stored(when, QStringLiteral("Lab 1000.TIF"), QString());  // its patient's name comes from the service
  Stored(when, QStringLiteral("Note.TIF"), QStringLiteral("Haddad, Rami"));
  auto window = Open();
  struct Case {
    const char* document;
    const char* patient;
    QStringList listed;
  };
  const Case cases[] = {{"Lab 100%", "", {"Lab 100% done.TIF"}},
                        {"", "O'B", {"Lab 100% done.TIF"}},
                        {"", "Haddad", {"Note.TIF"}},  // the row without a stored name is never matched
                        {"lab", "", {"Lab 100% done.TIF", "Lab 1000.TIF"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.document) + "|" + c.patient);
    Type(window.get(), "txtDName", QString::fromUtf8(c.document));
    Type(window.get(), "txtPName", QString::fromUtf8(c.patient));
    Click(window.get(), "cmdSearch");
    EXPECT_EQ(Column(window.get(), 0), c.listed);
  }
  EXPECT_EQ(prompter.Count(), 0);
  Click(window.get(), "cmdClear");
  EXPECT_EQ(Find<QLineEdit>(window.get(), "txtDName")->text(), QString());
  EXPECT_EQ(Find<QDateEdit>(window.get(), "DTPicker1")->date(), QDate::currentDate());
  EXPECT_EQ(Column(window.get(), 0).size(), 2);  // the list stays until the next search
}

TEST_F(AuditLogTest, TypedWordsFindTheActionsOnDocumentsWhoseReadTextHoldsThemAll) {
  const QDateTime when(QDate(2026, 12, 2), QTime(10, 0));
  Stored(when, QStringLiteral("Echo.TIF"), {});  // no stored document, so no text
  Document document;
  document.PageText = QStringLiteral("Hemoglobin 142\nFerritin LOW");
  document.FileData = "II*\0";
  std::int64_t id = 0;
  AuditLog pending;
  pending.ActionDate = when;
  pending.DocumentName = QStringLiteral("CBC.TIF");
  ASSERT_TRUE(database.StoreIndexedDocument(document, pending, {}, {}, {}, id));
  auto window = Open();
  Type(window.get(), "txtWords", QStringLiteral("ferritin low"));
  Click(window.get(), "cmdSearch");
  EXPECT_EQ(Column(window.get(), 0), QStringList{"CBC.TIF"});
  Click(window.get(), "cmdClear");
  EXPECT_EQ(Find<QLineEdit>(window.get(), "txtWords")->text(), QString());
  EXPECT_EQ(prompter.Count(), 0);
}

TEST_F(AuditLogTest, TheLogIsEmptiedOnlyAfterYes) {
  Stored(QDateTime(QDate(2026, 12, 2), QTime(10, 0)), QStringLiteral("Lab.TIF"), QStringLiteral("Haddad, Rami"));
  auto window = Open();
  Click(window.get(), "cmdSearch");
  for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Cancel, PromptAnswer::Yes}) {
    prompter.Script(answer);
    Click(window.get(), "cmdClearlog");
    EXPECT_EQ(prompter.Texts().last(), QStringLiteral("Are you sure you want to clear the log?"));
    EXPECT_EQ(Column(window.get(), 0).size(), answer == PromptAnswer::Yes ? 0 : 1);
  }
  Click(window.get(), "cmdSearch");
  EXPECT_EQ(Column(window.get(), 0).size(), 0);
}

TEST_F(AuditLogTest, TheListedRowsExportAsCsv) {
  Stored(QDateTime(QDate(2026, 12, 2), QTime(10, 0)), QStringLiteral("=HYPERLINK(\"x\"), \"quoted\".TIF"),
         QStringLiteral("O'Brien, Siobhan"));
  auto window = Open();
  Click(window.get(), "cmdSearch");
  saver.answer = dir.filePath(QStringLiteral("audit.csv"));
  Click(window.get(), "cmdExport");
  QFile csv(saver.answer);
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_EQ(lines.at(0), QByteArray("Document Name,Category,Type,PatientName,Date Of Action,Action,User Name,Status\r"));
  // A value that would run as a spreadsheet formula stays text; quotes and commas are quoted.
  EXPECT_TRUE(lines.at(1).startsWith("\"'=HYPERLINK(\"\"x\"\"), \"\"quoted\"\".TIF\",Lab Report,Blood work,"
                                     "\"O'Brien, Siobhan\",")) << lines.at(1).toStdString();
}

TEST_F(AuditLogTest, AMissingStoreOrAFailingServiceIsExplainedAndKeepsWhatWasListed) {
  auto missing = Open();
  EXPECT_EQ(prompter.Count(), 1);  // the search the window opens with
  EXPECT_TRUE(prompter.Texts().first().contains(QStringLiteral("no document store"))) << prompter.Texts().first().toStdString();
  EXPECT_FALSE(QFile::exists(store));
  prompter.Clear();
  prompter.Script(PromptAnswer::Yes);
  Click(missing.get(), "cmdClearlog");
  EXPECT_FALSE(QFile::exists(store));

  const QDateTime when(QDate(2026, 12, 2), QTime(10, 0));
  Stored(when, QStringLiteral("first.TIF"), QStringLiteral("Haddad, Rami"));
  Stored(when.addSecs(60), QStringLiteral("second.TIF"), QString(), 1, 0, 8);  // a patient not asked yet
  auto window = Open();
  prompter.Clear();
  log.failures = {QString(), QStringLiteral("The clinic is not answering")};  // the second question fails
  Click(window.get(), "cmdSearch");
  EXPECT_EQ(Column(window.get(), 0), QStringList{QStringLiteral("first.TIF")});
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.Texts().first().contains(QStringLiteral("The clinic is not answering")));
}

}  // namespace
}  // namespace pyxa
