// Shared set-up of the upload program's tests: a demo clinic copied per test, and beside it a
// local store made the way the main program makes one (settings with enciphered credentials,
// documents stored and then queued), with readers for what the run left in both.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>
#include <optional>

#include "UploadReport.h"
#include "UploadRun.h"
#include "components/LocalClinicTestFixture.h"
#include "components/Rc4.h"
#include "components/SqliteDatabase.h"

namespace pyxa::uploadtest {

using clinictest::ClinicTest;

class RecordingReport final : public UploadReport {
 public:
  void Line(const QString& text, bool failure) override {
    lines << text;
    if (failure) failures << text;
  }
  QString All() const { return lines.join(QLatin1Char('\n')); }
  QStringList lines;
  QStringList failures;
};

// The bytes of the n-th test document: binary, with zero bytes in it.
inline QByteArray DocumentBytes(int n, int size = 3004) {
  QByteArray bytes("II*\0", 4);
  for (int i = 4; i < size; ++i) bytes.append(static_cast<char>((i * 7 + n * 13) % 256));
  return bytes;
}

class UploaderTest : public ClinicTest {
 protected:
  void SetUp() override {
    ClinicTest::SetUp();
    ASSERT_TRUE(QDir(folder_.path()).mkpath(QStringLiteral("Uploads")));
    store_ = folder_.filePath(QStringLiteral("Uploads/documents.mdb"));
    SqliteDatabase database;
    ASSERT_TRUE(database.Create(store_, kDatabasePassword)) << database.LastErrorDescription().toStdString();
    WriteSettings(EncipherCredential(QStringLiteral("demo")), EncipherCredential(QStringLiteral("demo")));
  }

  void WriteSettings(const QString& account, const QString& password, const QString& url = {}) {
    SqliteDatabase database;
    database.WebSvcAccount = account;
    database.WebSvcPwd = password;
    database.WebSvcURL = url.isEmpty() ? url_ : url;
    database.DBPwd = kDatabasePassword;
    database.FilePath = store_;
    ASSERT_TRUE(database.UpdateSettings()) << database.LastErrorDescription().toStdString();
  }

  // Stores a document and queues it, as the main program's Upload does; answers its DocumentID.
  qint64 Queue(qint64 patientId, int n, bool queue = true, int size = 3004) {
    Document document;
    document.UserID = kDemoUserId;
    document.PatientID = patientId;
    document.CategoryID = 2;
    document.DocumentTypeID = 5;
    document.DocumentTypeDesc = QStringLiteral("Hematology");
    document.PhysicianID = kDemoFirstPhysicianId;
    document.DocumentName = QStringLiteral("Document %1").arg(n);
    document.DocumentDate = QDateTime(QDate(2026, 1, n), QTime(0, 0));
    document.Notes = QStringLiteral("note %1").arg(n);
    document.FileData = DocumentBytes(n, size);
    document.PageText = QStringLiteral("Read from page %1: zebracorn").arg(n);
    SqliteDatabase database;
    database.FilePath = store_;
    database.DBPwd = kDatabasePassword;
    std::int64_t id = 0;
    EXPECT_TRUE(database.UpdateDBWithIndexedDoc(document, id)) << database.LastErrorDescription().toStdString();
    if (queue) {
      Documents documents;
      documents.Add(document);
      EXPECT_TRUE(database.UpdateDocuments(documents)) << database.LastErrorDescription().toStdString();
    }
    return id;
  }

  // One run of the upload program on the store; what it said is left in report.
  int RunUploader(const UploadCheckpoint& checkpoint = {}, int busyMs = 2000) {
    report.lines.clear();
    report.failures.clear();
    UploadRun run(clock_, MakeConfiguredService(clock_), report);
    run.SetCheckpoint(checkpoint);
    run.SetBusyTimeout(busyMs);
    return run.Run(store_);
  }
  std::string Said() const { return report.All().toStdString(); }

  // SELECT count(*) FROM `from` in the store, `argument` bound to its one "?".
  qint64 StoreRows(const QString& from, const QVariant& argument = {}) {
    SqlConnection connection(store_);
    auto query = connection.Prepare(QStringLiteral("SELECT count(*) AS n FROM ") + from);
    if (argument.isValid()) query.Bind(1, argument);
    return query.Step() ? query.Int(QStringLiteral("n")) : -1;
  }
  qint64 IsUploaded(qint64 id) {
    SqlConnection connection(store_);
    auto query = connection.Prepare(QStringLiteral("SELECT IsUploaded FROM Documents WHERE DocumentID = ?"));
    query.Bind(1, id);
    return query.Step() ? query.Int(QStringLiteral("IsUploaded")) : -99;
  }
  // Audit rows of the upload action for a document with the given status.
  qint64 UploadAudits(qint64 id, int status) {
    return StoreRows(
        QStringLiteral("AuditLog WHERE DocumentID = %1 AND ActionID = 6 AND StatusID = %2").arg(id).arg(status));
  }
  qint64 Exceptions(qint64 id) { return StoreRows(QStringLiteral("Exceptions WHERE DocumentID = ?"), id); }
  // Documents the clinic received for a store document's name.
  qint64 Received(int n) {
    return Count(
        QStringLiteral("SELECT count(*) AS n FROM received_documents WHERE document_name = 'Document %1'").arg(n));
  }

  RecordingReport report;
  QString store_;
};

}  // namespace pyxa::uploadtest
