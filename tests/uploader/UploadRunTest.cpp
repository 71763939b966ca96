// A whole upload run against a demo clinic and a store made as the main program makes it.
#include <optional>
#include <string_view>

#include "UploadLock.h"
#include "UploadQueue.h"
#include "UploaderFixture.h"
#include "components/ClinicFaults.h"

namespace pyxa::uploadtest {
namespace {

using UploadRunTest = UploaderTest;

TEST_F(UploadRunTest, EveryQueuedDocumentArrivesOnceWithItsBytesAndAuditRow) {
  const qint64 first = Queue(kDemoFirstPatientId, 1);
  const qint64 second = Queue(kDemoFirstPatientId + 1, 2);
  const qint64 third = Queue(kDemoFirstPatientId + 2, 3);
  const qint64 notQueued = Queue(kDemoFirstPatientId, 4, false);

  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  EXPECT_TRUE(report.failures.isEmpty()) << Said();
  EXPECT_EQ(report.lines.size(), 4);  // a line per document and the summary

  SqlConnection clinic(path_);
  for (const auto& [id, n] : {std::pair{first, 1}, {second, 2}, {third, 3}}) {
    EXPECT_EQ(IsUploaded(id), 1);
    EXPECT_EQ(UploadAudits(id, kStatusSucceeded), 1);
    auto row = clinic.Prepare(QStringLiteral("SELECT * FROM received_documents WHERE document_name = ?"));
    row.Bind(1, QStringLiteral("Document %1").arg(n));
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Blob(QStringLiteral("file_data")), DocumentBytes(n));
    EXPECT_EQ(row.Text(QStringLiteral("notes")), QStringLiteral("note %1").arg(n));
    EXPECT_EQ(row.Int(QStringLiteral("physician_id")), kDemoFirstPhysicianId);
    EXPECT_FALSE(row.Step());
  }
  // A document still in the indexed tree is not the upload program's.
  EXPECT_EQ(IsUploaded(notQueued), -1);
  EXPECT_EQ(Received(4), 0);

  {  // The audit row carries the document's values, the patient's name and the store's date form.
    SqlConnection store(store_);
    auto audit = store.Prepare(QStringLiteral("SELECT * FROM AuditLog WHERE DocumentID = ? AND ActionID = 6"));
    audit.Bind(1, first);
    ASSERT_TRUE(audit.Step());
    EXPECT_EQ(audit.Text(QStringLiteral("PatientName")), QStringLiteral("O'Brien, Siobhan"));
    EXPECT_EQ(audit.Text(QStringLiteral("ActionDate")), QStringLiteral("2026-01-05 09:00:00"));
    EXPECT_EQ(audit.Int(QStringLiteral("UserID")), kDemoUserId);
    EXPECT_EQ(audit.Int(QStringLiteral("PatientID")), kDemoFirstPatientId);
    EXPECT_EQ(audit.Int(QStringLiteral("CategoryID")), 2);
    EXPECT_EQ(audit.Text(QStringLiteral("TypeDesc")), QStringLiteral("Hematology"));
    EXPECT_EQ(audit.Text(QStringLiteral("DocumentName")), QStringLiteral("Document 1"));
  }

  // The store got its key column and the main program's document database still reads and writes it.
  EXPECT_EQ(StoreRows(QStringLiteral("Documents WHERE UploadKey IS NOT NULL")), 3);
  SqliteDatabase database;
  ASSERT_TRUE(database.Connect(store_, kDatabasePassword)) << database.LastErrorDescription().toStdString();
  ASSERT_EQ(database.GetDocuments().Count(), 4);
  EXPECT_EQ(database.DocumentsToUpload(), 0);
  // The text read from the pages stays in the store and reaches the clinic nowhere.
  EXPECT_EQ(database.GetDocuments().Item(1).PageText, QStringLiteral("Read from page 1: zebracorn"));
  {
    QFile clinicFile(path_);
    ASSERT_TRUE(clinicFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(clinicFile.readAll().contains("zebracorn"));
  }
  database.Disconnect();
  Queue(kDemoFirstPatientId, 5);
  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  EXPECT_EQ(Received(5), 1);

  // The next run finds nothing and does not log in.
  ClinicFaults(path_).SetConnectionLost(true);
  EXPECT_EQ(RunUploader(), kUploadDone);
  EXPECT_EQ(report.All(), QStringLiteral("No documents await upload."));
}

TEST_F(UploadRunTest, AFailingDocumentIsRecordedAndWaitsWhileTheOthersGo) {
  const qint64 first = Queue(kDemoFirstPatientId, 1);
  const qint64 unknown = Queue(999999, 2);
  const qint64 third = Queue(kDemoFirstPatientId, 3);

  EXPECT_EQ(RunUploader(), kUploadSomeFailed);
  EXPECT_EQ(IsUploaded(first), 1);
  EXPECT_EQ(IsUploaded(third), 1);
  EXPECT_EQ(IsUploaded(unknown), 0);
  EXPECT_EQ(UploadAudits(unknown, kStatusFailed), 1);
  EXPECT_EQ(UploadAudits(unknown, kStatusSucceeded), 0);
  EXPECT_EQ(Received(2), 0);
  {
    SqlConnection store(store_);
    auto exception = store.Prepare(QStringLiteral("SELECT * FROM Exceptions"));
    ASSERT_TRUE(exception.Step());
    EXPECT_EQ(exception.Int(QStringLiteral("DocumentID")), unknown);
    EXPECT_EQ(exception.Text(QStringLiteral("Description")), QStringLiteral("Patient 999999 does not exist."));
    EXPECT_EQ(exception.Text(QStringLiteral("AttemptDate")), QStringLiteral("2026-01-05 09:00:00"));
    EXPECT_FALSE(exception.Step());
  }
  ASSERT_EQ(report.failures.size(), 2);
  EXPECT_TRUE(report.failures.at(0).contains(QStringLiteral("Document %1").arg(unknown)));

  // It is tried again at the next run, and only it.
  EXPECT_EQ(RunUploader(), kUploadSomeFailed);
  EXPECT_EQ(Exceptions(unknown), 2);
  EXPECT_EQ(Received(1), 1);
  EXPECT_EQ(Received(3), 1);
}

TEST_F(UploadRunTest, CredentialsAreDecipheredAndPlainOnesFromOlderStoresWork) {
  EXPECT_EQ(ClearCredential(EncipherCredential(QStringLiteral("dëmo pass"))), QStringLiteral("dëmo pass"));
  EXPECT_EQ(ClearCredential(QStringLiteral("not base64!")), QStringLiteral("not base64!"));
  EXPECT_EQ(ClearCredential(QString()), QString());

  Queue(kDemoFirstPatientId, 1);
  // The store holds no clear credential; the run still logs in.
  EXPECT_EQ(StoreRows(QStringLiteral("UploadSettings WHERE WebSvcAccount = 'demo' OR WebSvcPwd = 'demo'")), 0);
  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  EXPECT_EQ(Received(1), 1);

  WriteSettings(QStringLiteral("demo"), QStringLiteral("demo"));
  Queue(kDemoFirstPatientId, 2);
  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  EXPECT_EQ(Received(2), 1);

  // A wrong password cannot start, and leaves the document waiting without an exception row.
  WriteSettings(EncipherCredential(QStringLiteral("demo")), EncipherCredential(QStringLiteral("wrong")));
  const qint64 third = Queue(kDemoFirstPatientId, 3);
  EXPECT_EQ(RunUploader(), kUploadCannotStart);
  EXPECT_TRUE(report.All().contains(kWrongLoginOrPassword)) << Said();
  EXPECT_EQ(IsUploaded(third), 0);
  EXPECT_EQ(StoreRows(QStringLiteral("Exceptions")), 0);
}

TEST_F(UploadRunTest, ASecondCopyWhileOneRunsDoesNothing) {
  const qint64 id = Queue(kDemoFirstPatientId, 1);
  UploadLock running(store_);
  ASSERT_EQ(running.TryAcquire(), UploadLock::Result::Acquired);

  EXPECT_EQ(RunUploader(), kUploadDone);
  EXPECT_TRUE(report.All().startsWith(QStringLiteral("Another upload of"))) << Said();
  EXPECT_EQ(IsUploaded(id), 0);
  EXPECT_EQ(Received(1), 0);
}

TEST_F(UploadRunTest, CannotStartWithoutAStoreOrSettings) {
  // Neither a missing file nor any other file is taken for a store.
  for (const auto& [notAStore, says] : {std::pair{folder_.filePath(QStringLiteral("nowhere.mdb")), QString()},
                                        {path_, QStringLiteral("is not a document store")}}) {
    RecordingReport told;
    UploadRun run(clock_, MakeConfiguredService(clock_), told);
    EXPECT_EQ(run.Run(notAStore), kUploadCannotStart);
    EXPECT_EQ(told.failures.size(), 1) << told.All().toStdString();
    EXPECT_TRUE(told.All().contains(says)) << told.All().toStdString();
  }

  SqlConnection(store_).Execute(QStringLiteral("DELETE FROM UploadSettings"));
  const qint64 id = Queue(kDemoFirstPatientId, 1);
  EXPECT_EQ(RunUploader(), kUploadCannotStart);
  EXPECT_EQ(IsUploaded(id), 0);

  // An unreachable service at login is a run that could not start; nothing is recorded.
  WriteSettings(EncipherCredential(QStringLiteral("demo")), EncipherCredential(QStringLiteral("demo")));
  ClinicFaults(path_).SetConnectionLost(true);
  EXPECT_EQ(RunUploader(), kUploadCannotStart);
  EXPECT_EQ(StoreRows(QStringLiteral("Exceptions")), 0);
}

// A session that expires between documents is renewed, and a document queued while the run goes
// is taken by it.
TEST_F(UploadRunTest, AnExpiredSessionIsRenewedAndDocumentsQueuedDuringTheRunAreTakenToo) {
  const qint64 first = Queue(kDemoFirstPatientId, 1);
  Queue(kDemoFirstPatientId, 2);
  qint64 later = 0;
  const int rc = RunUploader([&](const char* step, qint64 id) {
    if (std::string_view(step) != kStepAfterMarking) return;
    clock_.AdvanceSeconds(kDefaultIdleMinutes * 60 + 1);
    if (id == first) later = Queue(kDemoFirstPatientId, 3);
  });
  EXPECT_EQ(rc, kUploadDone) << Said();
  EXPECT_EQ(Received(1), 1);
  EXPECT_EQ(Received(2), 1);
  EXPECT_EQ(IsUploaded(later), 1);
  EXPECT_EQ(Received(3), 1);
}

TEST_F(UploadRunTest, ALostConnectionEndsTheRunAfterRecordingTheDocument) {
  const qint64 first = Queue(kDemoFirstPatientId, 1);
  const qint64 second = Queue(kDemoFirstPatientId, 2);
  const qint64 third = Queue(kDemoFirstPatientId, 3);
  EXPECT_EQ(RunUploader([&](const char* step, qint64 id) {
              if (id == second && std::string_view(step) == kStepBeforeUpload)
                ClinicFaults(path_).SetConnectionLost(true);
            }),
            kUploadSomeFailed);
  EXPECT_EQ(IsUploaded(first), 1);
  EXPECT_EQ(IsUploaded(second), 0);
  EXPECT_EQ(IsUploaded(third), 0);
  EXPECT_EQ(Exceptions(second), 1);
  EXPECT_EQ(UploadAudits(second, kStatusFailed), 1);
  // The run stopped: the third document was not tried.
  EXPECT_EQ(StoreRows(QStringLiteral("AuditLog WHERE DocumentID = ? AND ActionID = 6"), third), 0);

  ClinicFaults(path_).ClearAll();
  EXPECT_EQ(RunUploader(), kUploadDone);
  EXPECT_EQ(IsUploaded(second), 1);
  EXPECT_EQ(IsUploaded(third), 1);
}

TEST_F(UploadRunTest, ABusyStoreEndsTheRunWithoutHalfWrittenRowsAndTheKeyDedupesTheRetry) {
  const qint64 first = Queue(kDemoFirstPatientId, 1);
  const qint64 second = Queue(kDemoFirstPatientId, 2);
  // The main program takes the store for writing just after the clinic received the first one.
  SqlConnection mainProgram(store_);
  std::optional<SqlTransaction> writing;
  const int rc = RunUploader(
      [&](const char* step, qint64) {
        if (std::string_view(step) == kStepAfterUpload && !writing) writing.emplace(mainProgram);
      },
      100);
  EXPECT_EQ(rc, kUploadSomeFailed);
  EXPECT_TRUE(report.failures.join(QString()).contains(QStringLiteral("busy"))) << Said();
  writing.reset();

  EXPECT_EQ(IsUploaded(first), 0);
  EXPECT_EQ(UploadAudits(first, kStatusSucceeded), 0);
  EXPECT_EQ(Received(1), 1);
  EXPECT_EQ(Received(2), 0);

  EXPECT_EQ(RunUploader(), kUploadDone) << Said();
  EXPECT_EQ(Received(1), 1);  // the same key: the clinic does not keep it twice
  EXPECT_EQ(Received(2), 1);
  EXPECT_EQ(IsUploaded(first), 1);
  EXPECT_EQ(IsUploaded(second), 1);
}

}  // namespace
}  // namespace pyxa::uploadtest
