// The clerk's past choices per sender on a real store: grouped and counted, dated by the document
// or else by its storing, the most recent first, and only as far back as asked.
#include "components/SqliteDatabase.h"
#include "store/SenderChoices.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

class SenderChoicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = dir.filePath(QStringLiteral("documents.mdb"));
    ASSERT_TRUE(database.Create(path, kDatabasePassword));
  }
  // Stores a document as indexing does, with its PENDING UPLOAD row at `stored`.
  void Store(qint64 senderId, const QString& sender, qint64 category, qint64 type, const QString& typeDesc,
             const QDateTime& date, const QDateTime& stored = QDateTime(QDate(2026, 12, 1), QTime(9, 0))) {
    Document document;
    document.SenderID = senderId;
    document.Sender = sender;
    document.CategoryID = category;
    document.DocumentTypeID = type;
    document.DocumentTypeDesc = typeDesc;
    document.DocumentDate = date;
    document.FileData = "II*\0";
    AuditLog pending;
    pending.ActionID = kActionPendingUpload;
    pending.ActionDate = stored;
    std::int64_t id = 0;
    ASSERT_TRUE(database.StoreIndexedDocument(document, pending, {}, {}, {}, id));
  }
  static QStringList Texts(const QVector<SenderChoice>& choices) {
    QStringList texts;
    for (const SenderChoice& c : choices)
      texts << QStringLiteral("%1 %2 %3/%4 %5 x%6 %7")
                   .arg(c.SenderID)
                   .arg(c.Sender)
                   .arg(c.CategoryID)
                   .arg(c.DocumentTypeID)
                   .arg(c.DocumentTypeDesc)
                   .arg(c.Times)
                   .arg(c.Last.toString(QStringLiteral("yyyy-MM-dd")));
    return texts;
  }

  QTemporaryDir dir;
  QString path;
  SqliteDatabase database;
};

TEST_F(SenderChoicesTest, GroupsTheLatestDocumentsPerSenderCategoryAndTypeMostRecentFirst) {
  const auto day = [](int d) { return QDateTime(QDate(2026, 11, d), QTime(0, 0)); };
  Store(5, QStringLiteral("City Lab"), 1, 10, QStringLiteral("Hematology"), day(3));
  Store(5, QStringLiteral("City Lab"), 1, 10, QStringLiteral("Hematology"), day(20));
  Store(5, QStringLiteral("City Lab"), 1, 11, QStringLiteral("Chemistry"), day(10));
  // A free-text sender's letter without a date counts the day it was stored.
  Store(0, QStringLiteral("Dr. Okafor"), 2, 20, QStringLiteral("Consult"), {}, QDateTime(QDate(2026, 11, 25), QTime(8, 0)));
  Store(5, QStringLiteral("City Lab"), 1, 10, QStringLiteral("Hematology"), day(1));

  EXPECT_EQ(Texts(ReadSenderChoices(path)),
            QStringList({"0 Dr. Okafor 2/20 Consult x1 2026-11-25", "5 City Lab 1/10 Hematology x3 2026-11-20",
                         "5 City Lab 1/11 Chemistry x1 2026-11-10"}));
  // Only the latest two documents, and only the most recent group.
  EXPECT_EQ(Texts(ReadSenderChoices(path, 2)),
            QStringList({"0 Dr. Okafor 2/20 Consult x1 2026-11-25", "5 City Lab 1/10 Hematology x1 2026-11-01"}));
  EXPECT_EQ(ReadSenderChoices(path, kSenderChoiceDocuments, 1).size(), 1);
  // No store yet: no choices, and no store made.
  const QString missing = dir.filePath(QStringLiteral("none.mdb"));
  EXPECT_TRUE(ReadSenderChoices(missing).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(missing));
}

}  // namespace
}  // namespace pyxa
