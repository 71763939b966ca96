#include "mainwindow/PathText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

TEST(PathTextTest, NamesAndExtensionsComeFromTheLastPartOfAPath) {
  EXPECT_EQ(NameFromFullPath(QStringLiteral("/home/clerk/Available Files/a.tif")), QStringLiteral("a.tif"));
  EXPECT_EQ(NameFromFullPath(QStringLiteral("C:\\Scans\\b.pdf")), QStringLiteral("b.pdf"));
  EXPECT_EQ(NameFromFullPath(QStringLiteral("c:\\x/y\\c.doc")), QStringLiteral("c.doc"));
  EXPECT_EQ(NameFromFullPath(QStringLiteral("plain.jpg")), QStringLiteral("plain.jpg"));
  EXPECT_EQ(NameFromFullPath(QStringLiteral("/folder/")), QString());

  EXPECT_EQ(FileExtension(QStringLiteral("a.tif")), QStringLiteral("TIF"));
  EXPECT_EQ(FileExtension(QStringLiteral("a.b.Jpg")), QStringLiteral("JPG"));
  EXPECT_EQ(FileExtension(QStringLiteral("/my.folder/noext")), QString());
  EXPECT_EQ(FileExtension(QStringLiteral("trailing.")), QString());
}

TEST(PathTextTest, GetNthSplitsAMultipleSelectionAtNul) {
  const QChar nul(u'\0');
  const QString selection =
      QStringLiteral("/scans") + nul + QStringLiteral("a.tif") + nul + QStringLiteral("b c.pdf");
  const QString separator(nul);
  EXPECT_EQ(GetNth(selection, 1, separator), QStringLiteral("/scans"));
  EXPECT_EQ(GetNth(selection, 2, separator), QStringLiteral("a.tif"));
  EXPECT_EQ(GetNth(selection, 3, separator), QStringLiteral("b c.pdf"));
  EXPECT_EQ(GetNth(selection, 4, separator), QString());
  EXPECT_EQ(GetNth(selection, 0, separator), QString());
  EXPECT_EQ(GetNth(selection, -1, separator), QString());

  // A single choice has no separator: the whole text is the first field.
  EXPECT_EQ(GetNth(QStringLiteral("/scans/a.tif"), 1, separator), QStringLiteral("/scans/a.tif"));
  EXPECT_EQ(GetNth(QStringLiteral("/scans/a.tif"), 2, separator), QString());
  EXPECT_EQ(GetNth(QStringLiteral("x|y"), 2, QStringLiteral("|")), QStringLiteral("y"));
  EXPECT_EQ(GetNth(QStringLiteral("xy"), 1, QString()), QStringLiteral("xy"));
}

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(PathTextTest, FreeCopyNameNeverReplacesAWaitingFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QDir folder(dir.path());

  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("a.tif")), QStringLiteral("a.tif"));
  Touch(folder.filePath(QStringLiteral("a.tif")));
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("a.tif")), QStringLiteral("a (2).tif"));
  Touch(folder.filePath(QStringLiteral("a (2).tif")));
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("a.tif")), QStringLiteral("a (3).tif"));
  // The name part of a chosen path is what counts.
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("/elsewhere/a.tif")), QStringLiteral("a (3).tif"));

  Touch(folder.filePath(QStringLiteral("notes")));
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("notes")), QStringLiteral("notes (2)"));
  Touch(folder.filePath(QStringLiteral(".hidden")));
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral(".hidden")), QStringLiteral(".hidden (2)"));

  // A dangling link is not free: a copy onto it would land wherever it points.
  ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("gone.tif")), folder.filePath(QStringLiteral("b.tif"))));
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("b.tif")), QStringLiteral("b (2).tif"));

  EXPECT_EQ(FreeCopyName(dir.path(), QString()), QString());
  EXPECT_EQ(FreeCopyName(dir.path(), QStringLiteral("..")), QString());
}

}  // namespace
}  // namespace pyxa
