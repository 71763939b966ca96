// The clerk's past choices per sender on a real store: grouped and counted, dated by the document
// or else by its storing, the most recent first, and only as far back as asked.
#include "components/SqliteDatabase.h"
#include "store/SenderChoices.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

QStringList Texts(const QVector<SenderChoice>& choices) {
  QStringList texts;
  for (const SenderChoice& c : choices)
    texts << QStringLiteral("%1 %2 %3/%4 %5 x%6 %7")
                 .arg(QString::number(c.SenderID), c.Sender, QString::number(c.CategoryID),
                      QString::number(c.DocumentTypeID), c.DocumentTypeDesc, QString::number(c.Times),
                      c.Last.toString(QStringLiteral("MM-dd")));
  return texts;
}

TEST(SenderChoicesTest, GroupsTheLatestDocumentsPerSenderCategoryAndTypeMostRecentFirst) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("documents.mdb"));
  SqliteDatabase database;
  ASSERT_TRUE(database.Create(path, kDatabasePassword));
  // A document without a date counts the day it was stored (its PENDING UPLOAD row).
  const auto store = [&](qint64 senderId, const char* sender, qint64 type, const char* typeDesc, int day, int stored) {
    Document document;
    document.SenderID = senderId;
    document.Sender = QString::fromUtf8(sender);
    document.CategoryID = 1;
    document.DocumentTypeID = type;
    document.DocumentTypeDesc = QString::fromUtf8(typeDesc);
    if (day) document.DocumentDate = QDateTime(QDate(2026, 11, day), QTime(0, 0));
    document.FileData = "II*\0";
    AuditLog pending;
    pending.ActionDate = QDateTime(QDate(2026, 11, stored), QTime(8, 0));
    std::int64_t id = 0;
    ASSERT_TRUE(database.StoreIndexedDocument(document, pending, {}, {}, {}, id));
  };
  store(5, "City Lab", 10, "Hematology", 3, 4);
  store(5, "City Lab", 10, "Hematology", 20, 21);
  store(5, "City Lab", 11, "Chemistry", 10, 22);
  store(0, "Dr. Okafor", 20, "Consult", 0, 25);
  store(5, "City Lab", 10, "Hematology", 1, 26);

  EXPECT_EQ(Texts(ReadSenderChoices(path)), QStringList({"0 Dr. Okafor 1/20 Consult x1 11-25",
                                                         "5 City Lab 1/10 Hematology x3 11-20",
                                                         "5 City Lab 1/11 Chemistry x1 11-10"}));
  // Only the latest two documents; only the most recent group.
  EXPECT_EQ(Texts(ReadSenderChoices(path, 2)),
            QStringList({"0 Dr. Okafor 1/20 Consult x1 11-25", "5 City Lab 1/10 Hematology x1 11-01"}));
  EXPECT_EQ(ReadSenderChoices(path, kSenderChoiceDocuments, 1).size(), 1);
  // No store yet: no choices, and no store made.
  const QString missing = dir.filePath(QStringLiteral("none.mdb"));
  EXPECT_TRUE(ReadSenderChoices(missing).isEmpty());
  EXPECT_FALSE(QFileInfo::exists(missing));
}

}  // namespace
}  // namespace pyxa
