#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include "shell/PathRoutines.h"

namespace pyxa {
namespace {

int ModeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return -1;
  return static_cast<int>(info.st_mode & 07777);
}

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(CreateFolderPath, CreatesEveryMissingLevelPrivately) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString base = dir.path();
  ASSERT_EQ(::chmod(QFile::encodeName(base).constData(), 0755), 0);

  EXPECT_EQ(CreateFolderPath(base + QStringLiteral("/a/b c/d/")), 0);
  for (const char* level : {"/a", "/a/b c", "/a/b c/d"}) {
    EXPECT_EQ(ModeOf(base + QLatin1String(level)), 0700) << level;
  }
  EXPECT_EQ(ModeOf(base), 0755);  // existing levels keep their mode

  ASSERT_EQ(::chmod(QFile::encodeName(base + QStringLiteral("/a")).constData(), 0751), 0);
  EXPECT_EQ(CreateFolderPath(base + QStringLiteral("/a/b c/d")), 0);  // exists already
  EXPECT_EQ(CreateFolderPath(base + QStringLiteral("/a/e")), 0);
  EXPECT_EQ(ModeOf(base + QStringLiteral("/a")), 0751);

  EXPECT_EQ(CreateFolderPath(QStringLiteral("/")), 0);
  EXPECT_EQ(CreateFolderPath(QString()), -1);
}

TEST(CreateFolderPath, FailsWhereAFileStandsInTheWay) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Touch(dir.filePath(QStringLiteral("file")));

  EXPECT_EQ(CreateFolderPath(dir.filePath(QStringLiteral("file"))), -1);
  EXPECT_EQ(CreateFolderPath(dir.filePath(QStringLiteral("file/below/deeper"))), -1);
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("file"))).isFile());
}

TEST(MakeUniqueTempName, GivesFreshNamesAndLeavesNoFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QSet<QString> seen;
  for (int i = 0; i < 20; ++i) {
    QString name;
    ASSERT_EQ(MakeUniqueTempName(dir.path(), QStringLiteral("tif"), name, QStringLiteral("zzz")), 0);
    EXPECT_TRUE(name.startsWith(dir.path() + QStringLiteral("/zzz"))) << name.toStdString();
    EXPECT_TRUE(name.endsWith(QStringLiteral(".tif")));
    EXPECT_FALSE(QFileInfo::exists(name));
    seen.insert(name);
    Touch(name);  // the caller uses the name; the next one must differ
  }
  EXPECT_EQ(seen.size(), 20);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 20);

  QString bare;
  ASSERT_EQ(MakeUniqueTempName(dir.path() + QStringLiteral("/"), QString(), bare, QStringLiteral("zzz")), 0);
  EXPECT_FALSE(bare.contains(QStringLiteral("//")));
  EXPECT_FALSE(QFileInfo(bare).fileName().contains(QLatin1Char('.')));
  EXPECT_FALSE(QFileInfo::exists(bare));
}

TEST(MakeUniqueTempName, MissingFolderIsReported) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QString name = QStringLiteral("stale");
  EXPECT_EQ(
      MakeUniqueTempName(dir.filePath(QStringLiteral("gone")), QStringLiteral("tif"), name, QStringLiteral("zzz")),
      ENOENT);
  EXPECT_TRUE(name.isEmpty());
}

TEST(FindInColumn, MatchesTheFirstColumnIgnoringCase) {
  const ValuesTable table = ValueRows{
      {QVariant(), QStringLiteral("null first field")},
      {},
      {QStringLiteral("Lab Report"), 1},
      {QStringLiteral("Encounters"), 2},
      {QStringLiteral("LAB REPORT"), 3},
      {42, QStringLiteral("number")},
  };
  EXPECT_EQ(FindInColumn(QStringLiteral("lab report"), table), 2);
  EXPECT_EQ(FindInColumn(QStringLiteral("ENCOUNTERS"), table), 3);
  EXPECT_EQ(FindInColumn(QStringLiteral("42"), table), 5);
  EXPECT_EQ(FindInColumn(QStringLiteral("1"), table), -1);  // other columns do not count
  EXPECT_EQ(FindInColumn(QString(), table), -1);            // a null field matches nothing
  EXPECT_EQ(FindInColumn(QStringLiteral("x"), ValuesTable()), -1);
  EXPECT_EQ(FindInColumn(QStringLiteral("x"), ValueRows()), -1);
}

}  // namespace
}  // namespace pyxa
