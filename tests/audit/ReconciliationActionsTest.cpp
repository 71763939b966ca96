// Deleting and re-indexing stored documents through the window: the question before a delete,
// the audit rows, the encounter of a clinical note released only with its last note, files put
// back into Available Files (colons dropped, names kept inside the folder, a taken name asked
// again), and a failed write that leaves the stored document where it was.
#include "audit/ReconciliationFiles.h"
#include "audit/ReconciliationFixture.h"
#include "components/ClinicFaults.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace pyxa::recontest {
namespace {

class ActionsTest : public ReconciliationWorld {
 protected:
  qint64 Stored(qint64 id) { return Count(QStringLiteral("SELECT count(*) AS n FROM Documents WHERE DocumentID = %1").arg(id)); }
  qint64 Actions(qint64 id, std::int32_t action) {
    return Count(QStringLiteral("SELECT count(*) AS n FROM AuditLog WHERE DocumentID = %1 AND ActionID = %2").arg(id).arg(action));
  }
  QByteArray Available(const QString& name) {
    QFile file(settings.AvailableFolder + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QStringList AvailableFiles() { return QDir(settings.AvailableFolder).entryList(QDir::Files | QDir::Hidden); }
  // The first unsigned encounter of the first demo patient, reserved by the demo user.
  qint64 LockedEncounter() {
    qint64 encounter = Count(QStringLiteral("SELECT min(id) AS n FROM encounters WHERE signed = 0 AND patient_id = %1")
                                 .arg(kDemoFirstPatientId),
                             clinic);
    qint64 patient = kDemoFirstPatientId;
    session.Integration()->LockEncounter(kDemoUserId, QStringLiteral("ProgressNote"), encounter, patient, kDemoEnterpriseId, kDemoOfficeId);
    return encounter;
  }
  qint64 LockedBy(qint64 encounter) {
    return Count(QStringLiteral("SELECT coalesce(locked_by, 0) AS n FROM encounters WHERE id = %1").arg(encounter), clinic);
  }
};

TEST_F(ActionsTest, DeleteAsksFirstThenRemovesTheDocumentAndRecordsIt) {
  const qint64 id = StoreDocument(QStringLiteral("CBC.tif"), "lab");
  const qint64 other = StoreDocument(QStringLiteral("Other.tif"), "other");
  auto window = Open();
  ClickRow(*window, 0);

  prompter.Script(PromptAnswer::No);
  Click(*window, "cmdDelete");
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("CBC.tif")));
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("O'Brien, Siobhan")));
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("never been uploaded")));
  EXPECT_EQ(Stored(id), 1);

  prompter.Script(PromptAnswer::Yes);
  Click(*window, "cmdDelete");
  EXPECT_EQ(Stored(id), 0);
  EXPECT_EQ(Stored(other), 1);
  EXPECT_EQ(Actions(id, kActionDeleted), 1);
  EXPECT_EQ(Count(QStringLiteral("SELECT UserID AS n FROM AuditLog WHERE ActionID = %1").arg(kActionDeleted)), kDemoUserId);
  EXPECT_EQ(host.removed, QList<std::int64_t>{id});
  EXPECT_EQ(Column(*window, kColName), QStringList{QStringLiteral("Other.tif")});
  EXPECT_FALSE(Button(*window, "cmdDelete")->isEnabled());
  EXPECT_EQ(prompter.UnscriptedCount(), 0);

  // An uploaded document has another copy at the clinic, and the question says nothing of it.
  {
    SqlConnection connection(Store());
    connection.Prepare(QStringLiteral("UPDATE Documents SET IsUploaded = 1 WHERE DocumentID = ?")).Bind(1, other).Run();
  }
  ClickRow(*window, 0);
  prompter.Script(PromptAnswer::No);
  Click(*window, "cmdDelete");
  EXPECT_FALSE(prompter.LastPrompt().text.contains(QStringLiteral("never been uploaded")));
}

struct UnlockCase {
  const char* what;
  int notesOfTheEncounter;
  bool released;
};

class EncounterRelease : public ActionsTest, public ::testing::WithParamInterface<UnlockCase> {};

TEST_P(EncounterRelease, AClinicalNotesEncounterIsReleasedWithItsLastStoredNote) {
  const qint64 encounter = LockedEncounter();
  ASSERT_EQ(LockedBy(encounter), kDemoUserId);
  for (int i = 0; i < GetParam().notesOfTheEncounter; ++i) {
    StoreDocument(QStringLiteral("Note%1.tif").arg(i), "note", kClinicalNotesCategory, encounter);
  }
  auto window = Open();
  ClickRow(*window, 0);
  prompter.Script(PromptAnswer::Yes);
  Click(*window, "cmdDelete");
  EXPECT_EQ(LockedBy(encounter), GetParam().released ? 0 : kDemoUserId) << GetParam().what;
  EXPECT_EQ(List(*window)->topLevelItemCount(), GetParam().notesOfTheEncounter - 1);
}

INSTANTIATE_TEST_SUITE_P(Notes, EncounterRelease,
                         ::testing::Values(UnlockCase{"the only note", 1, true}, UnlockCase{"one of two", 2, false}));

TEST_F(ActionsTest, AnEncounterTheServiceCannotReleaseIsReportedAndTheNoteStaysDeleted) {
  const qint64 encounter = LockedEncounter();
  const qint64 id = StoreDocument(QStringLiteral("Note.tif"), "note", kClinicalNotesCategory, encounter);
  auto window = Open();
  ClickRow(*window, 0);
  ClinicFaults(clinic).FailNextCall(kClinicErrorRequest, QStringLiteral("The encounter service is down"));
  prompter.Script(PromptAnswer::Yes);
  Click(*window, "cmdDelete");
  EXPECT_EQ(Stored(id), 0);
  EXPECT_EQ(Actions(id, kActionDeleted), 1);
  EXPECT_EQ(LockedBy(encounter), kDemoUserId);
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("The encounter service is down")));
  EXPECT_EQ(host.removed, QList<std::int64_t>{id});
  EXPECT_EQ(List(*window)->topLevelItemCount(), 0);
}

TEST_F(ActionsTest, ReindexWritesTheFileWithoutColonsAndRemovesTheStoredDocument) {
  const qint64 id = StoreDocument(QStringLiteral("Lab 10:30:15.tif"), "tiff bytes");
  auto window = Open();
  ClickRow(*window, 0);
  Click(*window, "cmdReIndex");
  EXPECT_EQ(Available(QStringLiteral("Lab 103015.tif")), QByteArray("tiff bytes"));
  EXPECT_EQ(AvailableFiles(), QStringList{QStringLiteral("Lab 103015.tif")});  // no temporary left
  EXPECT_EQ(Stored(id), 0);
  EXPECT_EQ(Actions(id, kActionReindexed), 1);
  EXPECT_EQ(host.removed, QList<std::int64_t>{id});
  EXPECT_EQ(List(*window)->topLevelItemCount(), 0);
  EXPECT_EQ(prompter.Count(), 0);
}

TEST_F(ActionsTest, ATakenNameIsAskedAgainAndTheChosenNameMustStayInAvailableFiles) {
  const qint64 id = StoreDocument(QStringLiteral("Scan.tif"), "stored");
  QFile taken(settings.AvailableFolder + QStringLiteral("Scan.tif"));
  ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  taken.write("waiting file");
  taken.close();
  auto window = Open();
  ClickRow(*window, 0);

  // Cancelling the dialog changes nothing.
  Click(*window, "cmdReIndex");
  EXPECT_EQ(prompter.Texts(), QStringList{kNameTaken});
  ASSERT_EQ(picker.asked.size(), 1);
  EXPECT_EQ(picker.asked.first(), QStringLiteral("Save File As|") + settings.AvailableFolder + QLatin1Char('|') + kReindexFilter);
  EXPECT_EQ(Stored(id), 1);

  // A name outside the folder, then the taken name again, then a free one.
  prompter.Clear();
  picker.answers = {dir.filePath(QStringLiteral("Scan2.tif")), settings.AvailableFolder + QStringLiteral("Scan.tif"),
                    settings.AvailableFolder + QStringLiteral("Scan again.tif")};
  Click(*window, "cmdReIndex");
  ASSERT_EQ(prompter.Count(), 3);
  EXPECT_TRUE(prompter.Texts().at(1).contains(QStringLiteral("Available Files")));
  EXPECT_EQ(prompter.Texts().at(2), kNameTaken);
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Scan2.tif"))));
  EXPECT_EQ(Available(QStringLiteral("Scan.tif")), QByteArray("waiting file"));
  EXPECT_EQ(Available(QStringLiteral("Scan again.tif")), QByteArray("stored"));
  EXPECT_EQ(Stored(id), 0);
}

TEST_F(ActionsTest, ANameThatWouldLeaveTheFolderIsKeptInsideIt) {
  StoreDocument(QStringLiteral("../..\\secret/.tif"), "one");
  StoreDocument(QStringLiteral(".hidden.tif"), "two");
  auto window = Open();
  ClickRow(*window, 0);
  Click(*window, "cmdReIndex");
  ClickRow(*window, 0);
  Click(*window, "cmdReIndex");
  EXPECT_EQ(AvailableFiles(), (QStringList{QStringLiteral("_.._secret_.tif"), QStringLiteral("hidden.tif")}));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("clinic.sqlite")});
}

TEST(ReindexNames, ColonsGoAndNothingCanPointOutOfTheFolder) {
  const struct {
    const char* stored;
    const char* file;
  } cases[] = {
      {"Lab: 12:30.tif", "Lab 1230.tif"}, {"a/b.tif", "a_b.tif"},  {"..\\x.pdf", "_x.pdf"},
      {"...", ""},                        {"", ""},                {" . .doc", "doc"},
      {"tab\there.jpg", "tab_here.jpg"},  {"Plain name.doc", "Plain name.doc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReindexFileName(QString::fromUtf8(c.stored)), QString::fromUtf8(c.file)) << c.stored;
  }
}

TEST_F(ActionsTest, AWriteThatFailsLeavesTheDocumentStoredAndSaysSo) {
  const qint64 id = StoreDocument(QStringLiteral("Scan.tif"), "stored");
  auto window = Open();
  ClickRow(*window, 0);
  ASSERT_TRUE(QDir(settings.AvailableFolder).removeRecursively());
  Click(*window, "cmdReIndex");
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("stays stored")));
  EXPECT_EQ(Stored(id), 1);
  EXPECT_EQ(Actions(id, kActionReindexed), 0);
  EXPECT_TRUE(host.removed.isEmpty());
}

// A disk that fills up while the file is written: the limit on file size stands in for it, in a
// child process so that the test program keeps its own limits.
TEST_F(ActionsTest, AFullDiskWhileReindexingRemovesThePartialFileAndKeepsTheDocument) {
  const QByteArray big(256 * 1024, 'x');
  const qint64 id = StoreDocument(QStringLiteral("Big.tif"), big);
  ReconciliationEntry entry;
  entry.row.documentId = id;
  entry.row.documentName = QStringLiteral("Big.tif");
  Reconciliation reconciliation(Store(), settings.AvailableFolder, session, clock);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    int code = 1;
    try {
      reconciliation.Reindex(entry, QStringLiteral("Big.tif"));
    } catch (const ReconciliationFileError& error) {
      code = error.Number() == EFBIG && error.Description().contains(QStringLiteral("no room")) ? 0 : 2;
    } catch (...) {
      code = 3;
    }
    _exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(AvailableFiles(), QStringList());
  EXPECT_EQ(Stored(id), 1);
  EXPECT_EQ(Actions(id, kActionReindexed), 0);
}

}  // namespace
}  // namespace pyxa::recontest
