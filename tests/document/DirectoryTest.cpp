// Folder listing: filter matching and normalisation, folders, appending, paths, awkward names,
// unreadable folders, entries that cannot be followed, and the listing's speed and order.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "document/Directory.h"

namespace pyxa {
namespace {

class DirectoryTest : public ::testing::Test {
 protected:
  void Touch(const QString& name) {
    QFile file(dir_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
  }
  void MakeFolder(const QString& name) { ASSERT_TRUE(QDir(dir_.path()).mkdir(name)); }

  // Lists the temporary folder and returns the names in listing order.
  QStringList List(bool filesOnly, QString filter, std::int32_t* result = nullptr) {
    listing_.SetPath(dir_.path());
    std::int32_t code = -99;
    listing_.Load(filesOnly, filter, code);
    if (result) *result = code;
    QStringList names;
    for (const Item& item : listing_.Items()) names << item.ItemName;
    return names;
  }

  QTemporaryDir dir_;
  Directory listing_;
};

TEST_F(DirectoryTest, ExtensionListMatchesWholeUpperCasedExtensionsOnly) {
  for (const char* name : {"Scan.PDF", "x.Tif", "a.pdfx", "NOTES", "archive.tar.gz", "trailing.", "b.DOC"})
    Touch(QString::fromLatin1(name));
  std::int32_t result = -1;
  EXPECT_EQ(List(true, QStringLiteral("pdf|tif"), &result), (QStringList{"Scan.PDF", "x.Tif"}));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(listing_.ErrorNumber(), 0);
  EXPECT_TRUE(listing_.ErrorDescription().isEmpty());

  listing_.SetItems(Items());
  EXPECT_EQ(List(true, QStringLiteral("GZ")), QStringList{"archive.tar.gz"});
  listing_.SetItems(Items());
  EXPECT_EQ(List(true, QStringLiteral("TAR")), QStringList());
  // A doubled separator must not let names without an extension through.
  listing_.SetItems(Items());
  EXPECT_EQ(List(true, QStringLiteral("||")), QStringList());
  listing_.SetItems(Items());
  EXPECT_EQ(List(true, QStringLiteral("*.*")),
            (QStringList{"a.pdfx", "archive.tar.gz", "b.DOC", "NOTES", "Scan.PDF", "trailing.", "x.Tif"}));
}

TEST_F(DirectoryTest, FilterComesBackNormalised) {
  const auto normalised = [this](const QString& given) {
    QString filter = given;
    std::int32_t result = 0;
    listing_.Load(true, filter, result);
    return filter;
  };
  listing_.SetPath(dir_.path());
  EXPECT_EQ(normalised(QStringLiteral("PDF|DOC|TIF|JPG")), QStringLiteral("|PDF|DOC|TIF|JPG|"));
  EXPECT_EQ(normalised(QString()), QStringLiteral("|"));
  EXPECT_EQ(normalised(QStringLiteral("|mdb|")), QStringLiteral("|MDB|"));
  EXPECT_EQ(normalised(QStringLiteral("pdf||tif")), QStringLiteral("|PDF|TIF|"));
  EXPECT_EQ(normalised(QStringLiteral("*.*")), QStringLiteral("|*.*|"));
}

TEST_F(DirectoryTest, FoldersListedUnlessFilesOnly) {
  MakeFolder(QStringLiteral("old.TIF"));
  Touch(QStringLiteral("new.tif"));
  MakeFolder(QStringLiteral("plain"));
  EXPECT_EQ(List(true, QStringLiteral("TIF")), QStringList{"new.tif"});

  listing_.SetItems(Items());
  EXPECT_EQ(List(false, QStringLiteral("TIF")), (QStringList{"new.tif", "old.TIF"}));
  EXPECT_FALSE(listing_.Items().Item(1)->IsDirectory);
  EXPECT_TRUE(listing_.Items().Item(2)->IsDirectory);

  // A link to a folder is a folder; a link to nothing is not offered.
  std::filesystem::create_directory_symlink(dir_.filePath(QStringLiteral("old.TIF")).toStdString(),
                                            dir_.filePath(QStringLiteral("link.tif")).toStdString());
  std::filesystem::create_symlink(dir_.filePath(QStringLiteral("gone")).toStdString(),
                                  dir_.filePath(QStringLiteral("dangling.tif")).toStdString());
  listing_.SetItems(Items());
  EXPECT_EQ(List(true, QStringLiteral("TIF")), QStringList{"new.tif"});
  listing_.SetItems(Items());
  EXPECT_EQ(List(false, QStringLiteral("TIF")), (QStringList{"link.tif", "new.tif", "old.TIF"}));
  EXPECT_TRUE(listing_.Items().Item(1)->IsDirectory);
}

TEST_F(DirectoryTest, LoadAppendsAndPathWorksWithOrWithoutSeparator) {
  Touch(QStringLiteral("a.pdf"));
  Touch(QStringLiteral("b.pdf"));
  QString filter = QStringLiteral("PDF");
  std::int32_t result = 0;

  listing_.SetPath(dir_.path());
  EXPECT_EQ(listing_.Path(), dir_.path() + QStringLiteral("/"));
  listing_.Load(true, filter, result);
  listing_.SetPath(dir_.path() + QStringLiteral("/"));
  EXPECT_EQ(listing_.Path(), dir_.path() + QStringLiteral("/"));
  listing_.Load(true, filter, result);
  ASSERT_EQ(listing_.Items().Count(), 4);
  EXPECT_EQ(listing_.Items().Item(3)->ItemName, QStringLiteral("a.pdf"));

  // The separator goes on before the spaces come off.
  listing_.SetPath(QStringLiteral("  /srv/files  "));
  EXPECT_EQ(listing_.Path(), QStringLiteral("/srv/files  /"));
  listing_.SetPath(QStringLiteral("  /srv/files/  "));
  EXPECT_EQ(listing_.Path(), QStringLiteral("/srv/files/  /"));
  listing_.SetPath(QStringLiteral(" /srv/files/"));
  EXPECT_EQ(listing_.Path(), QStringLiteral("/srv/files/"));
}

TEST_F(DirectoryTest, AwkwardNamesAndHiddenFiles) {
  const QString accented = QString::fromUtf8("Müller résumé.tif");
  Touch(accented);
  Touch(QStringLiteral("with  two spaces.PDF"));
  Touch(QStringLiteral(".tif"));
  Touch(QStringLiteral(".hidden.pdf"));
  // Bytes that are not UTF-8 cannot be named back, so they are not offered.
  const std::filesystem::path undecodable = std::filesystem::path(dir_.path().toStdString()) / "bad\xff.pdf";
  { std::ofstream create(undecodable); }
  const QStringList names = List(true, QStringLiteral("PDF|TIF"));
  std::filesystem::remove(undecodable);  // QTemporaryDir cannot name it either
  EXPECT_EQ(names, (QStringList{accented, "with  two spaces.PDF"}));
  EXPECT_TRUE(QFile::exists(listing_.Path() + listing_.Items().Item(1)->ItemName));
}

TEST_F(DirectoryTest, UnopenableFolderListsNothingAndSucceeds) {
  listing_.SetPath(dir_.filePath(QStringLiteral("missing")));
  QString filter = QStringLiteral("PDF");
  std::int32_t result = -1;
  listing_.Items().Add(QStringLiteral("kept"), false);
  listing_.Load(false, filter, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(listing_.ErrorNumber(), 0);
  EXPECT_EQ(listing_.Items().Count(), 1);

  Touch(QStringLiteral("file.pdf"));
  listing_.SetPath(dir_.filePath(QStringLiteral("file.pdf")));  // a file, not a folder
  listing_.Load(false, filter, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(listing_.Items().Count(), 1);
}

TEST_F(DirectoryTest, EntriesThatCannotBeFollowedAreSkippedAndTheRestListed) {
  Touch(QStringLiteral("a.pdf"));
  Touch(QStringLiteral("z.pdf"));
  const auto link = [&](const char* target, const QString& name) {
    std::filesystem::create_symlink(target, dir_.filePath(name).toStdString());
  };
  link("loop.pdf", QStringLiteral("loop.pdf"));         // points at itself: ELOOP
  link("a.pdf/inside", QStringLiteral("through.pdf"));  // through a file: ENOTDIR
  link("nowhere.pdf", QStringLiteral("dangling.pdf"));  // to nothing: ENOENT
  const std::string tooLong(300, 'x');
  link(tooLong.c_str(), QStringLiteral("long.pdf"));  // a target no folder can hold: ENAMETOOLONG
  MakeFolder(QStringLiteral("m.pdf"));

  std::int32_t result = -1;
  EXPECT_EQ(List(false, QStringLiteral("PDF"), &result), (QStringList{"a.pdf", "m.pdf", "z.pdf"}));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(listing_.ErrorNumber(), 0);
  EXPECT_TRUE(listing_.ErrorDescription().isEmpty());
}

TEST_F(DirectoryTest, ThousandFilesListQuicklyInNameOrder) {
  for (int i = 999; i >= 0; --i) Touch(QStringLiteral("%1page%2.tif").arg(i % 2 ? "B" : "a").arg(i, 4, 10, QChar('0')));
  QElapsedTimer timer;
  timer.start();
  const QStringList names = List(true, QStringLiteral("PDF|DOC|TIF|JPG"));
  const qint64 elapsed = timer.elapsed();
  EXPECT_LT(elapsed, 100);
  RecordProperty("ListingMs", static_cast<int>(elapsed));
  ASSERT_EQ(names.size(), 1000);
  // Case does not split the order: every "a..." sorts before every "B...".
  EXPECT_EQ(names.first(), QStringLiteral("apage0000.tif"));
  EXPECT_EQ(names.at(499), QStringLiteral("apage0998.tif"));
  EXPECT_EQ(names.at(500), QStringLiteral("Bpage0001.tif"));
  EXPECT_EQ(names.last(), QStringLiteral("Bpage0999.tif"));
}

TEST(ItemsTest, PositionsKeysAndRemoval) {
  Items items;
  ASSERT_NE(items.Add(QStringLiteral("one"), false), nullptr);
  ASSERT_NE(items.Add(QStringLiteral("two"), true, QStringLiteral("k2")), nullptr);
  EXPECT_EQ(items.Add(QStringLiteral("dup"), false, QStringLiteral("k2")), nullptr);
  ASSERT_NE(items.Add(QStringLiteral("three"), false, QStringLiteral("k3")), nullptr);
  EXPECT_EQ(items.Count(), 3);
  EXPECT_EQ(items.Item(QStringLiteral("k2"))->ItemName, QStringLiteral("two"));
  EXPECT_EQ(items.Item(QStringLiteral("K2")), nullptr);
  EXPECT_EQ(items.Item(0), nullptr);
  EXPECT_EQ(items.Item(4), nullptr);

  EXPECT_TRUE(items.Remove(1));
  EXPECT_EQ(items.Item(1)->ItemName, QStringLiteral("two"));
  EXPECT_TRUE(items.Remove(QStringLiteral("k2")));
  EXPECT_FALSE(items.Remove(QStringLiteral("k2")));
  EXPECT_FALSE(items.Remove(2));
  ASSERT_EQ(items.Count(), 1);
  EXPECT_EQ(items.Item(QStringLiteral("k3")), items.Item(1));
  // A removed key can be used again.
  EXPECT_NE(items.Add(QStringLiteral("again"), false, QStringLiteral("k2")), nullptr);
}

}  // namespace
}  // namespace pyxa
