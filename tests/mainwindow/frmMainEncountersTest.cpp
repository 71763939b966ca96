// The encounter button and the releases of encounters, on the demo clinic: locks are checked
// in the clinic's own record.
#include "MainWindowFixture.h"
#include "components/LocalClinicTestFixture.h"

#include "components/ClinicFaults.h"
#include "platform/Sql.h"

#include <QComboBox>
#include <QLineEdit>

namespace pyxa {
namespace {

using testing::MainWindowTest;

struct ScriptedEncounters final : EncounterChooser {
  std::optional<ChosenEncounter> Choose(const EncounterRows& rows, const QString& currentId,
                                        const QVector<VisitType>&) override {
    shown = rows.Count();
    current = currentId;
    if (pick < 0 || pick >= rows.Count()) return std::nullopt;
    return ChosenEncounter{rows.Field(pick, QStringLiteral("lID")), QDate(2025, 11, 3),
                           rows.Field(pick, QStringLiteral("nVisitType"))};
  }
  bool ConfirmNew(const QString& dateText) override {
    asked << dateText;
    return agree;
  }
  int pick = 0;
  int shown = -1;
  QString current;
  bool agree = true;
  QStringList asked;
};

struct RecordingSink final : EventSink {
  std::int32_t Write(int, const QByteArray& record) override {
    records << QString::fromUtf8(record);
    return 0;
  }
  QStringList records;
};

class EncountersTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(clinicDir.isValid());
    clinicPath = clinicDir.filePath(QStringLiteral("clinic.sqlite"));
    ASSERT_TRUE(QFile::copy(clinictest::DemoTemplate(), clinicPath));
    QFile::setPermissions(clinicPath, QFile::ReadOwner | QFile::WriteOwner);
    LoginAs(QStringLiteral("demo"));
  }
  void LoginAs(const QString& account) {
    const QString url = ClinicUrlForPath(clinicPath);
    auto clinic = std::make_unique<LocalClinic>(url, clinicClock);
    clinic->Connect(account, account, url);
    session.Replace(std::move(clinic));
    session.SetCredentials(account, account, url);
    chooser = nullptr;
    encountersScript = {};
    Build();
  }
  void Build() {
    window = std::make_unique<frmMain>(MainWindowServices{settings, store, session, prompter, login, databases, picker,
                                                          uploadActions, &pages, nullptr, &clock, &encountersScript,
                                                          &log_});
    window->Form_Load();
    IndexWaitingFile();
  }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  void Choose(const char* box, const QString& text) {
    QComboBox* combo = Find<QComboBox>(box);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    testing::ChooseEntry(combo, index);
  }
  qint64 Number(const QString& sql) {
    SqlConnection connection(clinicPath);
    auto query = connection.Prepare(sql);
    return query.Step() ? query.Int(QStringLiteral("n"), 0) : -1;
  }
  qint64 LockedBy(qint64 encounter) {
    return Number(QStringLiteral("SELECT locked_by AS n FROM encounters WHERE id = %1").arg(encounter));
  }
  // A patient of Okafor's with at least two unsigned encounters, and one with none at all.
  qint64 PatientWithEncounters() {
    return Number(QStringLiteral("SELECT patient_id AS n FROM encounters WHERE signed = 0 AND physician_id = 201"
                                 " GROUP BY patient_id HAVING COUNT(*) >= 2 ORDER BY patient_id LIMIT 1"));
  }
  qint64 PatientWithout() {
    return Number(QStringLiteral("SELECT id AS n FROM patients WHERE id NOT IN (SELECT patient_id FROM encounters)"
                                 " ORDER BY id LIMIT 1"));
  }
  // The patient's chart number finds exactly that patient; the note is a clinical note of Okafor's.
  void PrepareNote(qint64 patient) {
    {
      SqlConnection connection(clinicPath);
      auto query = connection.Prepare(QStringLiteral("SELECT chart AS c FROM patients WHERE id = ?"));
      query.Bind(1, patient);
      ASSERT_TRUE(query.Step());
      Edit("txtChart")->setText(query.Text(QStringLiteral("c")));
    }
    Choose("cboPhysician", QStringLiteral("Okafor, Adaeze"));
    Choose("cboCategory", QStringLiteral("Clinical Notes"));
    Edit("txtDate1")->setText(QStringLiteral("1"));
    Edit("txtDate2")->setText(QStringLiteral("12"));
    Edit("txtDate3")->setText(QStringLiteral("2026"));
  }
  QPushButton* Encounters() { return Find<QPushButton>("cmdEncounters"); }

  QTemporaryDir clinicDir;
  QString clinicPath;
  ManualClock clinicClock{QDateTime(QDate(2026, 12, 7), QTime(9, 0))};
  ScriptedEncounters encountersScript;
  testing::PagingViewer pages;
  UploadProcess* uploadActions = &upload;  // kept for tests that swap the upload program
  RecordingSink sink;
  EventLog log_{sink};
};

TEST_F(EncountersTest, TheDateIsCheckedOnlyWhileNoEncounterIsChosen) {
  PrepareNote(PatientWithEncounters());
  Edit("txtDate1")->setText(QStringLiteral("29"));
  Edit("txtDate2")->setText(QStringLiteral("2"));
  Edit("txtDate3")->setText(QStringLiteral("2025"));
  window->cmdEncounters_Click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("Please enter a valid date"));
  EXPECT_EQ(encountersScript.shown, -1);
  Edit("txtDate1")->setText(QStringLiteral("8"));
  Edit("txtDate2")->setText(QStringLiteral("12"));
  Edit("txtDate3")->setText(QStringLiteral("2026"));
  window->cmdEncounters_Click();
  EXPECT_EQ(prompter.LastPrompt().text, QStringLiteral("The Encounter Date may not be later than today"));
  EXPECT_EQ(encountersScript.shown, -1);

  // With an encounter already chosen the boxes are not looked at.
  Edit("txtDate1")->setText(QStringLiteral("7"));
  window->cmdEncounters_Click();
  ASSERT_GT(encountersScript.shown, 0) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  encountersScript.shown = -1;
  Edit("txtDate1")->setText(QStringLiteral("99"));
  window->cmdEncounters_Click();
  EXPECT_GT(encountersScript.shown, 0);
}

TEST_F(EncountersTest, TheChosenEncounterIsLockedAndChoosingAnotherReleasesTheFirst) {
  const qint64 patient = PatientWithEncounters();
  PrepareNote(patient);
  window->cmdEncounters_Click();
  const qint64 first = Edit("txtEncounterID")->text().toLongLong();
  ASSERT_NE(first, 0);
  EXPECT_EQ(Edit("txtPatientID")->text().toLongLong(), patient);
  EXPECT_EQ(LockedBy(first), kDemoUserId);
  EXPECT_EQ(Encounters()->property("picture").toString(), QStringLiteral("Trust"));
  EXPECT_EQ(Edit("txtDate1")->text(), QStringLiteral("03"));  // the encounter's date, day first
  EXPECT_EQ(Edit("txtDate2")->text(), QStringLiteral("11"));

  encountersScript.pick = 1;
  window->cmdEncounters_Click();
  EXPECT_EQ(encountersScript.current, QString());  // the search before the list drops the choice
  const qint64 second = Edit("txtEncounterID")->text().toLongLong();
  ASSERT_NE(second, first);
  EXPECT_EQ(LockedBy(first), 0);
  EXPECT_EQ(LockedBy(second), kDemoUserId);

  // Cancelling the list leaves nothing chosen and nothing locked.
  encountersScript.pick = -1;
  window->cmdEncounters_Click();
  EXPECT_TRUE(Edit("txtEncounterID")->text().isEmpty());
  EXPECT_EQ(LockedBy(second), 0);
  EXPECT_EQ(Encounters()->property("picture").toString(), QStringLiteral("Alert"));
}

TEST_F(EncountersTest, AUserWhoMayNotUploadChoosesWithoutLocking) {
  LoginAs(QStringLiteral("clerk"));
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  const qint64 chosen = Edit("txtEncounterID")->text().toLongLong();
  ASSERT_NE(chosen, 0);
  EXPECT_EQ(LockedBy(chosen), 0);
}

TEST_F(EncountersTest, APatientWithoutEncountersGetsANewOneWhenTheUserAgrees) {
  const qint64 patient = PatientWithout();
  PrepareNote(patient);
  const qint64 before = Number(QStringLiteral("SELECT COUNT(*) AS n FROM encounters"));
  encountersScript.agree = false;
  window->cmdEncounters_Click();
  EXPECT_EQ(encountersScript.asked, QStringList{QStringLiteral("1/12/2026")});
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM encounters")), before);
  EXPECT_TRUE(Edit("txtEncounterID")->text().isEmpty());

  encountersScript.agree = true;
  window->cmdEncounters_Click();
  const qint64 created = Edit("txtEncounterID")->text().toLongLong();
  ASSERT_NE(created, 0);
  EXPECT_EQ(Number(QStringLiteral("SELECT patient_id AS n FROM encounters WHERE id = %1").arg(created)), patient);
  EXPECT_EQ(LockedBy(created), kDemoUserId);
  EXPECT_EQ(Edit("txtDate1")->text(), QStringLiteral("01"));
  EXPECT_EQ(Edit("txtDate2")->text(), QStringLiteral("12"));
}

TEST_F(EncountersTest, ExitReleasesTheEncountersOfNotesNoStoredDocumentUses) {
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  const qint64 encounter = Edit("txtEncounterID")->text().toLongLong();
  Find<QPushButton>("cmdNew")->click();
  ASSERT_TRUE(window->IndexedDocuments().has_value());
  ASSERT_EQ(window->IndexedDocuments()->Count(), 1);
  ASSERT_EQ(LockedBy(encounter), kDemoUserId);

  // Clearing the search keeps it: a document uses it.
  Find<QPushButton>("cmdClear")->click();
  EXPECT_EQ(LockedBy(encounter), kDemoUserId);

  prompter.Script(PromptAnswer::Yes);  // exit
  prompter.Script(PromptAnswer::No);   // not queued for upload
  window->cmdExit_Click();
  EXPECT_EQ(LockedBy(encounter), 0);
}

TEST_F(EncountersTest, ANoteQueuedAtExitKeepsItsEncounterForTheUpload) {
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  const qint64 encounter = Edit("txtEncounterID")->text().toLongLong();
  Find<QPushButton>("cmdNew")->click();
  prompter.Script(PromptAnswer::Yes);  // exit
  prompter.Script(PromptAnswer::Yes);  // queue for upload
  window->cmdExit_Click();
  EXPECT_EQ(LockedBy(encounter), kDemoUserId);
  SqlConnection queued(settings.UploadsFolder + QStringLiteral("documents.mdb"), SqlConnection::Mode::ReadOnly);
  auto row = queued.Prepare(QStringLiteral("SELECT COUNT(*) AS n FROM Documents WHERE IsUploaded = 0 AND EncounterID = ?"));
  row.Bind(1, encounter);
  ASSERT_TRUE(row.Step());
  EXPECT_EQ(row.Int(QStringLiteral("n")), 1);
}

TEST_F(EncountersTest, AnEncounterAStoredDocumentUsesStaysLockedAtExit) {
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  const qint64 encounter = Edit("txtEncounterID")->text().toLongLong();
  Find<QPushButton>("cmdNew")->click();
  auto database = databases.Create();
  const QString storePath = settings.UploadsFolder + QStringLiteral("documents.mdb");
  ASSERT_TRUE(QFile::exists(storePath) ? database->Connect(storePath, kDatabasePassword)
                                       : database->Create(storePath, kDatabasePassword));
  Document stored = window->IndexedDocuments()->Item(1);
  stored.FileData = "II*\0";
  std::int64_t id = 0;
  ASSERT_TRUE(database->UpdateDBWithIndexedDoc(stored, id));
  database->Disconnect();

  window->UnlockNotUploadedEncounters();
  EXPECT_EQ(LockedBy(encounter), kDemoUserId);
}

TEST_F(EncountersTest, AnUnusedEncounterIsReleasedOnClearAndRetriedOnceAfterAnExpiryOrLostConnection) {
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  qint64 encounter = Edit("txtEncounterID")->text().toLongLong();
  ClinicFaults faults(clinicPath);
  faults.FailNextCall(-2147467259, QStringLiteral("Your session timed out"));
  Find<QPushButton>("cmdClear")->click();
  EXPECT_EQ(LockedBy(encounter), 0);

  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  encounter = Edit("txtEncounterID")->text().toLongLong();
  faults.FailNextCall(-2147467259, QStringLiteral("Unable to connect to the remote server"));
  Find<QPushButton>("cmdClear")->click();
  EXPECT_EQ(LockedBy(encounter), 0);
  EXPECT_TRUE(sink.records.isEmpty());
}

TEST_F(EncountersTest, AReleaseThatStillFailsNamesTheEncounterAndIsLogged) {
  PrepareNote(PatientWithEncounters());
  window->cmdEncounters_Click();
  const qint64 encounter = Edit("txtEncounterID")->text().toLongLong();
  const QString patient = Edit("txtLastName")->text();
  ClinicFaults faults(clinicPath);
  faults.SetConnectionLost(true);
  const size_t before = prompter.Prompts().size();
  Find<QPushButton>("cmdClear")->click();
  faults.ClearAll();
  EXPECT_EQ(LockedBy(encounter), kDemoUserId);
  ASSERT_EQ(prompter.Prompts().size(), before + 1);
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QString::number(encounter)));
  EXPECT_TRUE(prompter.LastPrompt().text.contains(patient));
  ASSERT_EQ(sink.records.size(), 1);
  EXPECT_TRUE(sink.records.first().contains(QString::number(encounter)));
}

}  // namespace
}  // namespace pyxa
