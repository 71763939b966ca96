// The audit reads on a real store: the date range rule at its edges, name prefixes that treat
// quotes and wildcards as letters, words found in names and in the stored document's page text,
// the reconciliation join, and emptying the trail.
#include "components/SqliteDatabase.h"
#include "platform/Sql.h"
#include "store/AuditReads.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

class AuditReadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    path = dir.filePath(QStringLiteral("documents.mdb"));
    ASSERT_TRUE(database.Create(path, kDatabasePassword));
  }
  void Log(const QDateTime& when, const QString& document, const QString& patient, qint64 documentId = 0) {
    AuditLog record;
    record.ActionDate = when;
    record.DocumentName = document;
    record.PatientName = patient;
    record.DocumentID = documentId;
    record.ActionID = kActionPendingUpload;
    ASSERT_TRUE(database.UpdateDBWithLog(record)) << database.LastErrorDescription().toStdString();
  }
  static QStringList Names(const QVector<AuditLog>& rows) {
    QStringList names;
    for (const AuditLog& row : rows) names << row.DocumentName;
    return names;
  }

  QTemporaryDir dir;
  QString path;
  SqliteDatabase database;
};

TEST_F(AuditReadsTest, TheRangeRunsFromAfterMidnightOfTheFirstDayToMidnightAfterTheLast) {
  Log(QDateTime(QDate(2026, 12, 1), QTime(0, 0, 0)), QStringLiteral("at midnight"), {});
  Log(QDateTime(QDate(2026, 12, 1), QTime(0, 0, 1)), QStringLiteral("first"), {});
  Log(QDateTime(QDate(2026, 12, 3), QTime(23, 59, 59)), QStringLiteral("last"), {});
  Log(QDateTime(QDate(2026, 12, 4), QTime(0, 0, 0)), QStringLiteral("next day"), {});
  Log(QDateTime(QDate(2026, 11, 30), QTime(12, 0)), QStringLiteral("before"), {});
  EXPECT_EQ(Names(ReadAuditLog(path, QDate(2026, 12, 1), QDate(2026, 12, 3))),
            (QStringList{QStringLiteral("first"), QStringLiteral("last")}));
}

TEST_F(AuditReadsTest, PrefixesMatchTheStartOfANameAndTreatQuotesAndWildcardsAsLetters) {
  const QDateTime day(QDate(2026, 12, 2), QTime(10, 0));
  Log(day, QStringLiteral("Lab 100% done.TIF"), QStringLiteral("O'Brien, Siobhan"));
  Log(day, QStringLiteral("Lab 1000.TIF"), QStringLiteral("Obrien, Sam"));
  Log(day, QStringLiteral("lab_x.TIF"), QStringLiteral("Müller, Jörg"));
  const QDate from(2026, 12, 1), to(2026, 12, 3);
  EXPECT_EQ(Names(ReadAuditLog(path, from, to, QStringLiteral("Lab 100%"))), QStringList{QStringLiteral("Lab 100% done.TIF")});
  EXPECT_EQ(ReadAuditLog(path, from, to, QStringLiteral("lab_")).size(), 1);
  EXPECT_EQ(ReadAuditLog(path, from, to, QStringLiteral("LAB")).size(), 3);
  EXPECT_EQ(Names(ReadAuditLog(path, from, to, {}, QStringLiteral("O'B"))), QStringList{QStringLiteral("Lab 100% done.TIF")});
  EXPECT_EQ(ReadAuditLog(path, from, to, QStringLiteral("Lab 1"), QStringLiteral("Müller")).size(), 0);
  EXPECT_EQ(ReadAuditLog(path, from, to, {}, QStringLiteral("Müller")).size(), 1);
}

// Every word must occur, letter case ignored, in the name, the type or the page text of the row's
// document; audit rows and reconciliation rows find the same documents.
TEST_F(AuditReadsTest, EveryWordMustOccurInTheNameTypeOrPageTextOfTheRowsDocument) {
  const QDateTime day(QDate(2026, 12, 2), QTime(10, 0));
  const auto store = [&](const QString& name, const QString& type, const QString& text) {
    Document document;
    document.DocumentName = name;
    document.DocumentTypeDesc = type;
    document.PageText = text;
    document.FileData = "II*\0";
    std::int64_t id = 0;
    EXPECT_TRUE(database.UpdateDBWithIndexedDoc(document, id));
    AuditLog record;
    record.ActionDate = day;
    record.DocumentName = name;
    record.TypeDesc = type;
    record.DocumentID = id;
    EXPECT_TRUE(database.UpdateDBWithLog(record));
  };
  store(QStringLiteral("CBC.TIF"), QStringLiteral("Hematology"), QStringLiteral("Hemoglobin 142 g/L\nFERRITIN low"));
  store(QStringLiteral("Letter.TIF"), QStringLiteral("Consult"), QStringLiteral("Dr. Lévesque: Échographie 100% normale"));
  store(QStringLiteral("Blank.TIF"), QStringLiteral("Consult"), QString());
  Log(day, QStringLiteral("Ferritin gone.TIF"), {}, 9999);  // its document is no longer stored
  struct Case {
    const char* words;
    QStringList audit;  // the reconciliation lists the same without the row whose document is gone
  };
  const Case cases[] = {
      {"ferritin", {"CBC.TIF", "Ferritin gone.TIF"}},
      {"ferritin  HEMOGLOBIN", {"CBC.TIF"}},          // every word, anywhere in the text
      {"hematology ferritin", {"CBC.TIF"}},           // one in the type, one in the text
      {"ferritin normale", {}},                       // each word is there, but not in one document
      {"échographie LÉVESQUE", {"Letter.TIF"}},       // case beyond ASCII
      {"100%", {"Letter.TIF"}},                       // a wildcard is a letter
      {"1_0", {}},
      {"consult", {"Letter.TIF", "Blank.TIF"}},
      {"   ", {"CBC.TIF", "Letter.TIF", "Blank.TIF", "Ferritin gone.TIF"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    const QString words = QString::fromUtf8(c.words);
    EXPECT_EQ(Names(ReadAuditLog(path, day.date(), day.date(), {}, {}, words)), c.audit);
    QStringList reconciled;
    for (const ReconciliationRow& row : ReadReconciliation(path, day.date(), day.date(), words))
      reconciled << row.documentName;
    QStringList expected = c.audit;
    expected.removeAll(QStringLiteral("Ferritin gone.TIF"));
    EXPECT_EQ(reconciled, expected);
  }
  // A store no version with page texts has written still finds words in its names.
  SqlConnection(path).Execute(QStringLiteral("DROP TRIGGER DocumentTextsGoWithTheirDocument; DROP TABLE DocumentTexts"));
  EXPECT_EQ(Names(ReadAuditLog(path, day.date(), day.date(), {}, {}, QStringLiteral("cbc"))),
            QStringList{QStringLiteral("CBC.TIF")});
  EXPECT_TRUE(ReadReconciliation(path, day.date(), day.date(), QStringLiteral("ferritin")).isEmpty());
}

TEST_F(AuditReadsTest, ReconciliationJoinsDocumentsToTheirActionsAndTheTrailCanBeEmptied) {
  Document document;
  document.PatientID = 1001;
  document.EncounterID = 7;
  document.DocumentTypeDesc = QStringLiteral("Hematology");
  document.DocumentName = QStringLiteral("CBC.TIF");
  document.FileData = "II*\0";
  std::int64_t id = 0;
  ASSERT_TRUE(database.UpdateDBWithIndexedDoc(document, id));
  Log(QDateTime(QDate(2026, 12, 2), QTime(9, 0)), QStringLiteral("CBC.TIF"), {}, id);
  Log(QDateTime(QDate(2026, 12, 2), QTime(9, 5)), QStringLiteral("lost.TIF"), {}, 0);  // no document
  const auto rows = ReadReconciliation(path, QDate(2026, 12, 2), QDate(2026, 12, 2));
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].documentId, id);
  EXPECT_EQ(rows[0].patientId, 1001);
  EXPECT_EQ(rows[0].encounterId, 7);
  EXPECT_EQ(rows[0].typeDescription, QStringLiteral("Hematology"));

  DeleteAuditLog(path);
  EXPECT_TRUE(ReadAuditLog(path, QDate(2026, 1, 1), QDate(2026, 12, 31)).isEmpty());
  EXPECT_THROW(ReadAuditLog(dir.filePath(QStringLiteral("missing.mdb")), QDate(2026, 1, 1), QDate(2026, 1, 2)),
               AuditReadError);
}

}  // namespace
}  // namespace pyxa
