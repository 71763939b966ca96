// What the document database writes, read back through plain SQL of the kind the program reads
// with, and through the component's own reads: every column, the queue states, audit ranges,
// deletes with their exceptions, page removals owed to source files, and document IDs beyond 16 and
// 32 bits.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "components/Rc4.h"
#include "components/SqliteDatabase.h"
#include "components/StoreSchema.h"

namespace pyxa {
namespace {

class DocumentDatabaseStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.filePath(QStringLiteral("documents.mdb"));
    SqliteDatabase db;
    ASSERT_TRUE(db.Create(path_, kDatabasePassword)) << db.LastErrorDescription().toStdString();
  }

  // A fresh writer per operation, as the program makes one.
  std::unique_ptr<SqliteDatabase> Writer() {
    auto db = std::make_unique<SqliteDatabase>(100);
    db->FilePath = path_;
    db->DBPwd = kDatabasePassword;
    return db;
  }

  std::int64_t Store(Document& document) {
    std::int64_t id = -1;
    EXPECT_TRUE(Writer()->UpdateDBWithIndexedDoc(document, id));
    return id;
  }

  std::int64_t Store(const QString& name) {
    Document document;
    document.DocumentName = name;
    return Store(document);
  }

  void Log(std::int64_t documentId, const QDateTime& when, const QString& name, const QString& patient) {
    AuditLog record;
    record.DocumentID = documentId;
    record.ActionID = kActionPendingUpload;
    record.ActionDate = when;
    record.DocumentName = name;
    record.PatientName = patient;
    ASSERT_TRUE(Writer()->UpdateDBWithLog(record));
  }

  std::int64_t Scalar(const QString& sql) {
    SqlConnection connection(path_);
    SqlStatement row = connection.Prepare(sql);
    return row.Step() ? row.Int(QStringLiteral("n")) : -1;
  }

  std::int64_t AwaitingUpload() {
    SqlConnection connection(path_);
    SqlStatement row =
        connection.Prepare(QStringLiteral("Select count(*) as nCount from Documents Where IsUploaded = 0"));
    return row.Step() ? row.Int(QStringLiteral("nCount")) : -1;
  }

  QTemporaryDir dir_;
  QString path_;
};

Document FullDocument() {
  Document d;
  d.UserID = 7;
  d.PatientID = 4'000'000'001;
  d.EncounterID = 55;
  d.CategoryID = 4;
  d.DocumentTypeID = 12;
  d.DocumentTypeDesc = QStringLiteral("Progress note");
  d.PhysicianID = 3;
  d.SenderID = 9;
  d.Sender = QStringLiteral("Dr. O'Brien; DROP TABLE Documents");
  d.DocumentName = QStringLiteral("Note: 2024-03-01.tif");
  d.DocumentDate = QDateTime(QDate(2024, 3, 1), QTime(12, 0));
  d.DocDateModified = true;
  d.SignOff = true;
  d.Abnormal = false;
  d.Notes = QStringLiteral("Zweite Seite – unleserlich");
  d.FileData = QByteArray("II*\0\x08\0\0\0\xff\x00", 10).repeated(5000);
  d.PageText = QStringLiteral("HÉMATOLOGIE\nHb 142 g/L; it's 100% _normal_");
  return d;
}

TEST_F(DocumentDatabaseStoreTest, StoredDocumentReadsBackThroughTheProgramsSqlAndTheComponent) {
  Document stored = FullDocument();
  std::int64_t id = 0;
  ASSERT_TRUE(Writer()->UpdateDBWithIndexedDoc(stored, id));
  EXPECT_GT(id, 0);
  EXPECT_EQ(stored.Id, id);
  EXPECT_EQ(stored.IsUploaded, kStoredNotQueued);
  EXPECT_EQ(AwaitingUpload(), 0);
  {
    SqlConnection sql(path_);
    SqlStatement row = sql.Prepare(QStringLiteral("Select * from Documents Where IsUploaded = -1"));
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Int(QStringLiteral("DocumentID")), id);
    EXPECT_EQ(row.Int(QStringLiteral("IsUploaded")), -1);
    EXPECT_EQ(row.Int(QStringLiteral("UserID")), 7);
    EXPECT_EQ(row.Int(QStringLiteral("PatientID")), 4'000'000'001);
    EXPECT_EQ(row.Int(QStringLiteral("EncounterID")), 55);
    EXPECT_EQ(row.Int(QStringLiteral("CategoryID")), 4);
    EXPECT_EQ(row.Int(QStringLiteral("TypeID")), 12);
    EXPECT_EQ(row.Text(QStringLiteral("TypeDescription")), QStringLiteral("Progress note"));
    EXPECT_EQ(row.Int(QStringLiteral("PhysicianID")), 3);
    EXPECT_EQ(row.Int(QStringLiteral("SenderID")), 9);
    EXPECT_EQ(row.Text(QStringLiteral("Sender")), stored.Sender);
    EXPECT_EQ(row.Text(QStringLiteral("DocumentName")), stored.DocumentName);
    EXPECT_EQ(row.Text(QStringLiteral("EncounterDate")), QStringLiteral("2024-03-01 12:00:00"));
    EXPECT_EQ(row.Int(QStringLiteral("EncounterDateModified")), -1);
    EXPECT_EQ(row.Int(QStringLiteral("IsSignedOff")), -1);
    EXPECT_EQ(row.Int(QStringLiteral("IsAbnormal")), 0);
    EXPECT_EQ(row.Text(QStringLiteral("Notes")), stored.Notes);
    EXPECT_EQ(row.Blob(QStringLiteral("FileData")), stored.FileData);
    EXPECT_FALSE(row.Step());
  }

  SqliteDatabase reader;
  ASSERT_TRUE(reader.Connect(path_, kDatabasePassword));
  const Documents documents = reader.GetDocuments();
  ASSERT_EQ(documents.Count(), 1);
  const Document& back = documents.Item(1);
  EXPECT_EQ(back.Id, id);
  EXPECT_EQ(back.IsUploaded, kStoredNotQueued);
  EXPECT_EQ(back.UserID, stored.UserID);
  EXPECT_EQ(back.PatientID, stored.PatientID);
  EXPECT_EQ(back.EncounterID, stored.EncounterID);
  EXPECT_EQ(back.CategoryID, stored.CategoryID);
  EXPECT_EQ(back.DocumentTypeID, stored.DocumentTypeID);
  EXPECT_EQ(back.DocumentTypeDesc, stored.DocumentTypeDesc);
  EXPECT_EQ(back.PhysicianID, stored.PhysicianID);
  EXPECT_EQ(back.SenderID, stored.SenderID);
  EXPECT_EQ(back.Sender, stored.Sender);
  EXPECT_EQ(back.DocumentName, stored.DocumentName);
  EXPECT_EQ(back.DocumentDate, stored.DocumentDate);
  EXPECT_TRUE(back.DocDateModified);
  EXPECT_TRUE(back.SignOff);
  EXPECT_FALSE(back.Abnormal);
  EXPECT_EQ(back.Notes, stored.Notes);
  EXPECT_EQ(back.FileData, stored.FileData);
  EXPECT_EQ(back.PageText, stored.PageText);

  // Handing the collection over queues it.
  Documents collection;
  collection.Add(stored);
  ASSERT_TRUE(Writer()->UpdateDocuments(collection));
  EXPECT_EQ(collection.Item(1).IsUploaded, kAwaitingUpload);
  EXPECT_EQ(AwaitingUpload(), 1);
  EXPECT_EQ(reader.DocumentsToUpload(), 1);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) AS n FROM Documents WHERE IsUploaded = -1")), 0);
}

// The removals a stored document's pages owe their source go in with the document and its audit
// row or not at all, read back in order, and are cleared per file and digest.
TEST_F(DocumentDatabaseStoreTest, StoredDocumentsAuditRowsAndSourceRemovalsGoInTogether) {
  const auto store = [this](const QString& source, const QByteArray& digest, const QVector<int>& pages) {
    Document document;
    document.DocumentName = source;
    AuditLog pending;
    pending.ActionID = kActionPendingUpload;
    std::int64_t id = 0;
    const bool ok = Writer()->StoreIndexedDocument(document, pending, source, digest, pages, id);
    EXPECT_EQ(pending.DocumentID, ok ? id : 0);
    return ok ? id : std::int64_t{-1};
  };
  const std::int64_t first = store(QStringLiteral("/a/scan.tif"), "d0", {4, 2});
  const std::int64_t second = store(QStringLiteral("/a/scan.tif"), "d0", {1});
  const std::int64_t whole = store(QStringLiteral("/a/note.pdf"), "d1", {kWholeSourceFile});
  ASSERT_GT(first, 0);
  {
    // A store that fails part-way (here the last removal row) leaves nothing of the document.
    SqlConnection sql(path_);
    sql.Execute(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON SourceRemovals WHEN NEW.PageNumber = 99"
                       " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  }
  EXPECT_EQ(store(QStringLiteral("/a/scan.tif"), "d0", {3, 99}), -1);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) AS n FROM Documents")), 3);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) AS n FROM AuditLog a JOIN Documents d USING (DocumentID)"
                                  " WHERE a.ActionID = 1")),
            3);

  SqliteDatabase reader;
  ASSERT_TRUE(reader.Connect(path_, kDatabasePassword));
  const auto rows = [&reader] {
    QStringList seen;
    for (const SourceRemoval& r : reader.GetSourceRemovals())
      seen << QStringLiteral("%1 %2 %3 %4")
                  .arg(r.DocumentID)
                  .arg(r.SourcePath, QString::fromLatin1(r.SourceDigest))
                  .arg(r.PageNumber);
    return seen;
  };
  EXPECT_EQ(rows(),
            QStringList(
                {QStringLiteral("%1 /a/scan.tif d0 4").arg(first), QStringLiteral("%1 /a/scan.tif d0 2").arg(first),
                 QStringLiteral("%1 /a/scan.tif d0 1").arg(second), QStringLiteral("%1 /a/note.pdf d1 0").arg(whole)}));
  EXPECT_TRUE(reader.ClearSourceRemovals(QStringLiteral("/a/scan.tif"), "other"));
  EXPECT_EQ(rows().size(), 4);
  EXPECT_TRUE(reader.ClearSourceRemovals(QStringLiteral("/a/scan.tif"), "d0"));
  EXPECT_EQ(rows(), QStringList{QStringLiteral("%1 /a/note.pdf d1 0").arg(whole)});
}

// A store written before removals were recorded reads as owing none, and takes their table with
// its first store that records any; the upload program still opens it.
TEST_F(DocumentDatabaseStoreTest, AnOlderStoreGainsTheRemovalsTableWhenFirstWritten) {
  {
    SqlConnection sql(path_);
    sql.Execute(QStringLiteral("DROP TABLE SourceRemovals"));
  }
  SqliteDatabase db;
  ASSERT_TRUE(db.Connect(path_, kDatabasePassword));
  EXPECT_TRUE(db.GetSourceRemovals().isEmpty());
  EXPECT_EQ(db.LastError(), kDbOk);
  EXPECT_TRUE(db.ClearSourceRemovals(QStringLiteral("/a/scan.tif"), "d0"));
  Document document;
  AuditLog pending;
  std::int64_t id = 0;
  ASSERT_TRUE(db.StoreIndexedDocument(document, pending, QStringLiteral("/a/scan.tif"), "d0", {1}, id))
      << db.LastErrorDescription().toStdString();
  ASSERT_EQ(db.GetSourceRemovals().size(), 1);
  EXPECT_EQ(db.GetSourceRemovals().first().DocumentID, id);
  SqlConnection sql(path_);
  EXPECT_EQ(CheckStore(sql, kDatabasePassword), StoreCheck::Matches);
}

// A store written before page texts were kept keeps its rows, takes their table with its next
// stored document, and a deleted document takes its text with it.
TEST_F(DocumentDatabaseStoreTest, AnOlderStoreGainsPageTextsWhenFirstWrittenAndLosesNoRow) {
  const std::int64_t old = Store(QStringLiteral("old.tif"));
  {
    SqlConnection sql(path_);
    sql.Execute(QStringLiteral("DROP TRIGGER DocumentTextsGoWithTheirDocument; DROP TABLE DocumentTexts"));
  }
  SqliteDatabase db;
  ASSERT_TRUE(db.Connect(path_, kDatabasePassword));
  ASSERT_EQ(db.GetDocuments().Count(), 1);
  EXPECT_EQ(db.LastError(), kDbOk);

  Document document;
  document.DocumentName = QStringLiteral("read.tif");
  document.PageText = QStringLiteral("Hemoglobin 142");
  AuditLog pending;
  std::int64_t id = 0;
  ASSERT_TRUE(db.StoreIndexedDocument(document, pending, QStringLiteral("/a/read.tif"), "d0", {}, id))
      << db.LastErrorDescription().toStdString();
  const Documents documents = db.GetDocuments();
  ASSERT_EQ(documents.Count(), 2);
  EXPECT_EQ(documents.Item(1).Id, old);
  EXPECT_EQ(documents.Item(1).DocumentName, QStringLiteral("old.tif"));
  EXPECT_EQ(documents.Item(1).PageText, QString());
  EXPECT_EQ(documents.Item(2).PageText, QStringLiteral("Hemoglobin 142"));

  ASSERT_TRUE(db.DeleteDocument(QString::number(id)));
  EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) AS n FROM DocumentTexts")), 0);
  db.Disconnect();
  SqlConnection sql(path_);
  EXPECT_EQ(CheckStore(sql, kDatabasePassword), StoreCheck::Matches);
}

TEST_F(DocumentDatabaseStoreTest, EmptyColumnsReadAsZeroFalseAndEmpty) {
  {
    SqlConnection sql(path_);
    sql.Execute(QStringLiteral("INSERT INTO Documents (IsUploaded) VALUES (-1)"));
    sql.Execute(QStringLiteral("INSERT INTO Exceptions (DocumentID) VALUES (NULL)"));
  }
  SqliteDatabase reader;
  ASSERT_TRUE(reader.Connect(path_, kDatabasePassword));
  const Documents documents = reader.GetDocuments();
  ASSERT_EQ(documents.Count(), 1);
  const Document& d = documents.Item(1);
  EXPECT_GT(d.Id, 0);
  EXPECT_EQ(d.UserID, 0);
  EXPECT_EQ(d.PatientID, 0);
  EXPECT_EQ(d.EncounterID, 0);
  EXPECT_EQ(d.CategoryID, 0);
  EXPECT_EQ(d.DocumentTypeID, 0);
  EXPECT_EQ(d.PhysicianID, 0);
  EXPECT_EQ(d.SenderID, 0);
  EXPECT_FALSE(d.SignOff);
  EXPECT_FALSE(d.Abnormal);
  EXPECT_FALSE(d.DocDateModified);
  EXPECT_TRUE(d.DocumentName.isEmpty());
  EXPECT_TRUE(d.DocumentDate.isNull());
  EXPECT_TRUE(d.FileData.isEmpty());
  const Exceptions exceptions = reader.GetExceptions();
  ASSERT_EQ(exceptions.Count(), 1);
  EXPECT_EQ(exceptions.Item(1).DocumentID, 0);
  EXPECT_TRUE(exceptions.Item(1).AttemptDate.isNull());
}

TEST_F(DocumentDatabaseStoreTest, UpdateDocumentsQueuesOnlyStoredRowsAndAllOrNothing) {
  const std::int64_t a = Store(QStringLiteral("a.tif"));
  const std::int64_t b = Store(QStringLiteral("b.tif"));
  const std::int64_t taken = Store(QStringLiteral("taken.tif"));
  const std::int64_t untouched = Store(QStringLiteral("untouched.tif"));
  {
    // The upload program already moved this one on; it must not be queued again.
    SqlConnection sql(path_);
    sql.Prepare(QStringLiteral("UPDATE Documents SET IsUploaded = 1 WHERE DocumentID = ?"))
        .Bind(1, qlonglong(taken))
        .Run();
  }
  Documents collection;
  for (const std::int64_t id : {a, b, taken, std::int64_t{0}}) {
    Document d;
    d.Id = id;
    collection.Add(d);
  }
  {
    SqlConnection midRead(path_);
    SqlStatement rows = midRead.Prepare(QStringLiteral("SELECT DocumentID FROM Documents"));
    ASSERT_TRUE(rows.Step());
    auto writer = Writer();
    EXPECT_FALSE(writer->UpdateDocuments(collection));
    EXPECT_EQ(writer->LastError(), kDbBusy);
  }
  EXPECT_EQ(AwaitingUpload(), 0);
  EXPECT_EQ(collection.Item(1).IsUploaded, kStoredNotQueued);

  ASSERT_TRUE(Writer()->UpdateDocuments(collection));
  EXPECT_EQ(AwaitingUpload(), 2);
  EXPECT_EQ(collection.Item(1).IsUploaded, kAwaitingUpload);
  EXPECT_EQ(collection.Item(2).IsUploaded, kAwaitingUpload);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT IsUploaded AS n FROM Documents WHERE DocumentName = 'taken.tif'")), 1);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT IsUploaded AS n FROM Documents WHERE DocumentID = %1").arg(untouched)), -1);

  Documents none;
  EXPECT_TRUE(Writer()->UpdateDocuments(none));
}

TEST_F(DocumentDatabaseStoreTest, AuditRowsSelectByDateRangeAndJoinTheirDocuments) {
  Document note = FullDocument();
  const std::int64_t id = Store(note);
  const QDate first(2024, 3, 1);
  Log(id, QDateTime(first.addDays(-1), QTime(23, 59, 59)), QStringLiteral("before"), QStringLiteral("Moreau, Jeanne"));
  Log(id, QDateTime(first, QTime(0, 0)), QStringLiteral("midnight"), QStringLiteral("Moreau, Jeanne"));
  Log(id, QDateTime(first, QTime(0, 0, 1)), QStringLiteral("Note first"), QStringLiteral("Moreau, Jeanne"));
  Log(id, QDateTime(first.addDays(2), QTime(23, 59, 59)), QStringLiteral("Note last"), QStringLiteral("Martin, Paul"));
  Log(0, QDateTime(first.addDays(1), QTime(8, 0)), QStringLiteral("Note failed"), QString());
  Log(id, QDateTime(first.addDays(3), QTime(0, 0)), QStringLiteral("after"), QStringLiteral("Moreau, Jeanne"));

  // The range of the audit viewer, 1st to 3rd: after the start of the 1st, before the 4th.
  const QString from = QDateTime(first, QTime(0, 0)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  const QString to = QDateTime(first.addDays(3), QTime(0, 0)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  SqlConnection sql(path_);
  const auto names = [&](const QString& extra, const QString& like) {
    SqlStatement row = sql.Prepare(QStringLiteral("Select * from AuditLog Where ActionDate > ? And ActionDate < ?") +
                                   extra + QStringLiteral(" ORDER BY ActionDate"));
    row.Bind(1, from).Bind(2, to);
    if (!like.isEmpty()) row.Bind(3, like + QStringLiteral("%"));
    QStringList found;
    while (row.Step()) found << row.Text(QStringLiteral("DocumentName"));
    return found;
  };
  EXPECT_EQ(names(QString(), QString()), QStringList({"Note first", "Note failed", "Note last"}));
  EXPECT_EQ(names(QStringLiteral(" And PatientName Like ?"), QStringLiteral("Mor")), QStringList({"Note first"}));

  {
    SqlStatement row = sql.Prepare(QStringLiteral("Select * from AuditLog Where DocumentName = 'Note first'"));
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Int(QStringLiteral("DocumentID")), id);
    EXPECT_EQ(row.Int(QStringLiteral("ActionID")), kActionPendingUpload);
    EXPECT_EQ(row.Text(QStringLiteral("ActionDate")), QStringLiteral("2024-03-01 00:00:01"));
    EXPECT_EQ(row.Int(QStringLiteral("StatusID")), kStatusSucceeded);
    EXPECT_EQ(row.Int(QStringLiteral("UserID")), 0);
    EXPECT_EQ(row.Text(QStringLiteral("PatientName")), QStringLiteral("Moreau, Jeanne"));
  }

  // The reconciliation search: documents joined with their audit rows in the range.
  SqlStatement joined = sql.Prepare(QStringLiteral(
      "Select Documents.PatientID AS \"Documents.PatientID\", Documents.CategoryID AS \"Documents.CategoryID\","
      " TypeID, Documents.DocumentName AS \"Documents.DocumentName\", EncounterDate,"
      " Documents.UserID AS \"Documents.UserID\", TypeDescription, PhysicianID,"
      " Documents.DocumentID AS \"Documents.DocumentID\", EncounterID"
      " from Documents inner join AuditLog on Documents.DocumentID = AuditLog.DocumentID"
      " Where AuditLog.ActionDate > ? And AuditLog.ActionDate < ?"));
  joined.Bind(1, from).Bind(2, to);
  int rows = 0;
  while (joined.Step()) {
    ++rows;
    EXPECT_EQ(joined.Int(QStringLiteral("Documents.DocumentID")), id);
    EXPECT_EQ(joined.Int(QStringLiteral("Documents.PatientID")), note.PatientID);
    EXPECT_EQ(joined.Int(QStringLiteral("Documents.CategoryID")), 4);
    EXPECT_EQ(joined.Int(QStringLiteral("TypeID")), 12);
    EXPECT_EQ(joined.Text(QStringLiteral("Documents.DocumentName")), note.DocumentName);
    EXPECT_EQ(joined.Text(QStringLiteral("EncounterDate")), QStringLiteral("2024-03-01 12:00:00"));
    EXPECT_EQ(joined.Int(QStringLiteral("Documents.UserID")), 7);
    EXPECT_EQ(joined.Text(QStringLiteral("TypeDescription")), QStringLiteral("Progress note"));
    EXPECT_EQ(joined.Int(QStringLiteral("PhysicianID")), 3);
    EXPECT_EQ(joined.Int(QStringLiteral("EncounterID")), 55);
  }
  EXPECT_EQ(rows, 2);  // one per audit row of the document in range; the failed store's row has ID 0
}

TEST_F(DocumentDatabaseStoreTest, SettingsAreOneRowRewrittenByEachStore) {
  const auto write = [this](const QString& account, const QString& password) {
    auto db = Writer();
    db->WebSvcAccount = account;
    db->WebSvcPwd = password;
    db->WebSvcURL = QStringLiteral("https://clinic.example/ws");
    ASSERT_TRUE(db->UpdateSettings()) << db->LastErrorDescription().toStdString();
  };
  write(QStringLiteral("jmoreau"), QStringLiteral("plain pw"));
  write(EncipherCredential(QStringLiteral("jmoreau")), EncipherCredential(QStringLiteral("plain pw")));

  SqlConnection sql(path_);
  SqlStatement row = sql.Prepare(QStringLiteral("SELECT * FROM UploadSettings"));
  ASSERT_TRUE(row.Step());
  EXPECT_EQ(DecipherCredential(row.Text(QStringLiteral("WebSvcAccount"))), QStringLiteral("jmoreau"));
  EXPECT_EQ(DecipherCredential(row.Text(QStringLiteral("WebSvcPwd"))), QStringLiteral("plain pw"));
  EXPECT_EQ(row.Text(QStringLiteral("WebSvcURL")), QStringLiteral("https://clinic.example/ws"));
  EXPECT_EQ(row.Text(QStringLiteral("DBPwd")), kDatabasePassword);
  EXPECT_EQ(row.Text(QStringLiteral("FilePath")), path_);
  EXPECT_FALSE(row.Step());
}

TEST_F(DocumentDatabaseStoreTest, DeleteDocumentTakesItsExceptionsAndRefusesBadIds) {
  const std::int64_t gone = Store(QStringLiteral("gone.pdf"));
  const std::int64_t kept = Store(QStringLiteral("kept.pdf"));
  Log(gone, QDateTime::currentDateTime(), QStringLiteral("gone.pdf"), QString());
  {
    SqlConnection sql(path_);
    SqlStatement insert =
        sql.Prepare(QStringLiteral("INSERT INTO Exceptions (DocumentID, AttemptDate, Description) VALUES (?, ?, ?)"));
    for (const std::int64_t id : {gone, gone, kept}) {
      insert.Reset();
      insert.Bind(1, qlonglong(id))
          .Bind(2, QStringLiteral("2024-03-02 10:15:00"))
          .Bind(3, QStringLiteral("timeout"))
          .Run();
    }
  }
  SqliteDatabase db(100);
  ASSERT_TRUE(db.Connect(path_, kDatabasePassword));
  Exceptions exceptions = db.GetExceptions();
  ASSERT_EQ(exceptions.Count(), 3);
  EXPECT_EQ(exceptions.Item(1).DocumentID, gone);
  EXPECT_EQ(exceptions.Item(1).AttemptDate, QDateTime(QDate(2024, 3, 2), QTime(10, 15)));
  EXPECT_EQ(exceptions.Item(1).Description, QStringLiteral("timeout"));

  for (const QString& bad : {QStringLiteral("abc"), QString(), QStringLiteral("-3"), QStringLiteral("0"),
                             QStringLiteral("1; DELETE FROM Documents")}) {
    EXPECT_FALSE(db.DeleteDocument(bad));
    EXPECT_EQ(db.LastError(), kDbBadDocumentId);
    EXPECT_EQ(db.LastErrorDescription(), QStringLiteral("'%1' is not a document ID.").arg(bad));
  }
  EXPECT_FALSE(db.DeleteDocument(QStringLiteral("999")));
  EXPECT_EQ(db.LastError(), kDbNoSuchDocument);
  EXPECT_EQ(db.LastErrorDescription(), QStringLiteral("There is no stored document with ID 999."));
  EXPECT_EQ(db.GetDocuments().Count(), 2);
  EXPECT_EQ(db.GetExceptions().Count(), 3);

  ASSERT_TRUE(db.DeleteDocument(QStringLiteral(" %1 ").arg(gone)));
  ASSERT_EQ(db.GetDocuments().Count(), 1);
  EXPECT_EQ(db.GetDocuments().Item(1).Id, kept);
  ASSERT_EQ(db.GetExceptions().Count(), 1);
  EXPECT_EQ(db.GetExceptions().Item(1).DocumentID, kept);
  EXPECT_EQ(Scalar(QStringLiteral("SELECT count(*) AS n FROM AuditLog")), 1);  // the audit trail stays
}

TEST_F(DocumentDatabaseStoreTest, DocumentIdsGoPast16And32BitsAndAreNeverReused) {
  const std::int64_t seed = Store(QStringLiteral("seed.tif"));
  ASSERT_EQ(seed, 1);
  const auto setSequence = [this](std::int64_t value) {
    SqlConnection sql(path_);
    sql.Prepare(QStringLiteral("UPDATE sqlite_sequence SET seq = ? WHERE name = 'Documents'"))
        .Bind(1, qlonglong(value))
        .Run();
  };
  setSequence(40000);
  Document past16;
  past16.DocumentName = QStringLiteral("past16.tif");
  std::int64_t id = 0;
  ASSERT_TRUE(Writer()->UpdateDBWithIndexedDoc(past16, id));
  EXPECT_EQ(id, 40001);
  EXPECT_EQ(past16.Id, 40001);

  // The newest row deleted: its number is not handed out again.
  SqliteDatabase db;
  ASSERT_TRUE(db.Connect(path_, kDatabasePassword));
  ASSERT_TRUE(db.DeleteDocument(QStringLiteral("40001")));
  EXPECT_EQ(Store(QStringLiteral("next.tif")), 40002);

  const std::int64_t past31 = (std::int64_t{1} << 31) + 5;
  setSequence(past31 - 1);
  Document big;
  big.DocumentName = QStringLiteral("past31.tif");
  ASSERT_TRUE(Writer()->UpdateDBWithIndexedDoc(big, id));
  EXPECT_EQ(id, past31);
  Log(id, QDateTime::currentDateTime(), big.DocumentName, QString());
  EXPECT_EQ(Scalar(QStringLiteral("SELECT DocumentID AS n FROM AuditLog")), past31);

  Documents all = db.GetDocuments();
  ASSERT_EQ(all.Count(), 3);
  EXPECT_EQ(all.Item(3).Id, past31);
  ASSERT_TRUE(Writer()->UpdateDocuments(all));
  EXPECT_EQ(db.DocumentsToUpload(), 3);
  ASSERT_TRUE(db.DeleteDocument(QString::number(past31)));
  EXPECT_EQ(db.DocumentsToUpload(), 2);
}

}  // namespace
}  // namespace pyxa
