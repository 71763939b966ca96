// Batch names: the date stays that of the start, taken names are skipped without being touched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/Clock.h"
#include "scan/BatchName.h"

namespace pyxa {
namespace {

struct NameCase {
  QTime start;
  QStringList taken;  // files (or, ending in "/", folders) already in the folder
  QString expected;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.expected.toStdString(); }

class BatchNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(BatchNameTest, TakesTheFirstFreeSecondAndLeavesOthersAlone) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("Available Files"));
  ASSERT_TRUE(QDir().mkpath(folder));
  for (const QString& name : GetParam().taken) {
    QFile file(QDir(folder).filePath(name));
    const bool made = name.endsWith(u'/') ? QDir(folder).mkdir(name.chopped(1))
                                          : file.open(QIODevice::WriteOnly) && file.write("theirs") == 6;
    ASSERT_TRUE(made) << name.toStdString();
  }
  const ManualClock clock(QDateTime(QDate(2026, 3, 9), GetParam().start));
  const BatchName name = ReserveBatchName(folder, clock);
  ASSERT_TRUE(name.Ok()) << name.message.toStdString();
  EXPECT_EQ(name.path, QDir(folder).filePath(GetParam().expected));
  EXPECT_EQ(QFileInfo(name.path).size(), 0);
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(name.path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // patient pages are the user's alone
  for (const QString& taken : GetParam().taken) {
    QFile file(QDir(folder).filePath(taken));
    EXPECT_TRUE(taken.endsWith(u'/') || (file.open(QIODevice::ReadOnly) && file.readAll() == "theirs"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, BatchNameTest,
    ::testing::Values(NameCase{QTime(10, 30), {}, QStringLiteral("Batch_20260309_103000.tif")},
                      NameCase{QTime(22, 5, 7), {}, QStringLiteral("Batch_20260309_220507.tif")},  // 24-hour
                      NameCase{QTime(10, 30), {QStringLiteral("Batch_20260309_103000.tif")},
                               QStringLiteral("Batch_20260309_103001.tif")},
                      NameCase{QTime(10, 30), {QStringLiteral("Batch_20260309_103000.tif/")},
                               QStringLiteral("Batch_20260309_103001.tif")},
                      NameCase{QTime(23, 59, 59), {QStringLiteral("Batch_20260309_235959.tif")},
                               QStringLiteral("Batch_20260309_000000.tif")}));

TEST(BatchNameRule, TwoBatchesInOneSecondGetNamesOneSecondApart) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("a/b"));
  const ManualClock clock(QDateTime(QDate(2026, 3, 9), QTime(10, 30)));
  const BatchName first = ReserveBatchName(folder, clock);
  const BatchName second = ReserveBatchName(folder, clock);
  EXPECT_TRUE(first.path.endsWith(QStringLiteral("/Batch_20260309_103000.tif")));
  EXPECT_TRUE(second.path.endsWith(QStringLiteral("/Batch_20260309_103001.tif")));
}

TEST(BatchNameRule, AFolderThatCannotBeMadeIsReported) {
  QTemporaryDir dir;
  QFile blocker(dir.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  const BatchName name = ReserveBatchName(dir.filePath(QStringLiteral("file/sub")), ManualClock());
  EXPECT_FALSE(name.Ok());
  EXPECT_TRUE(name.path.isEmpty());
  EXPECT_TRUE(name.message.contains(QStringLiteral("file/sub")));
}

}  // namespace
}  // namespace pyxa
