// The configuration window's rules: the time-out typed, the insecure-address question, and emptying a
// working folder without losing a store that still holds documents for the clinic.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/FolderCleanup.h"
#include "shell/PreferenceRules.h"

namespace pyxa {
namespace {

TEST(PreferenceRules, TimeOutsAndAddresses) {
  const std::pair<const char*, std::optional<qint16>> timeouts[] = {
      {"60", 60}, {" 0 ", 0}, {"32767", 32767}, {"32768", std::nullopt}, {"-1", std::nullopt},
      {"abc", std::nullopt}, {"", std::nullopt}, {"1.5", std::nullopt}};
  for (const auto& [text, expected] : timeouts) {
    QString why;
    EXPECT_EQ(ParseServiceTimeout(QString::fromLatin1(text), &why), expected) << text;
    EXPECT_EQ(why.isEmpty(), expected.has_value()) << text;
  }
  const std::pair<const char*, bool> urls[] = {{"https://clinic.example/ws", false}, {"HtTpS://clinic", false},
                                               {"  HTTPS://x", false},              {"http://clinic", true},
                                               {"file:///srv/clinic.sqlite", false}, {"ftp://clinic", true},
                                               {"clinic.example", true}};
  for (const auto& [url, asks] : urls) EXPECT_EQ(AsksInsecureQuestion(QString::fromLatin1(url)), asks) << url;
}

class FolderCleanupTest : public ::testing::Test {
 protected:
  void Make(const QString& name) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
  }
  QStringList Left() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
  QString Store() const { return dir.filePath(QStringLiteral("documents.mdb")); }
  QTemporaryDir dir;
};

TEST_F(FolderCleanupTest, EveryFileGoesButAStoreWithDocumentsStillWaiting) {
  for (const char* name : {"documents.mdb", "documents.mdb-journal", "old.tif", ".hidden", "readonly.tif"}) Make(name);
  QFile::setPermissions(dir.filePath(QStringLiteral("readonly.tif")), QFileDevice::ReadOwner);
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));

  CleanupResult kept = CleanFolder(dir.path(), Store(), [] { return 3; });
  EXPECT_TRUE(kept.Ok());
  EXPECT_EQ(kept.storeKeptFor, 3);
  EXPECT_EQ(Left(), QStringList({"documents.mdb", "documents.mdb-journal"}));
  EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("sub"))).exists());  // files only
  EXPECT_EQ(StoreKeptText(3), QStringLiteral("The document store was kept: 3 stored documents have not been uploaded yet."));

  const CleanupResult all = CleanFolder(dir.path(), Store(), [] { return 0; });
  EXPECT_TRUE(all.Ok());
  EXPECT_EQ(all.storeKeptFor, 0);
  EXPECT_EQ(Left(), QStringList());

  // An empty folder is clean, not a failure.
  const CleanupResult empty = CleanFolder(dir.path(), Store(), [] { return 5; });
  EXPECT_TRUE(empty.Ok());
  EXPECT_EQ(empty.deleted, 0);
}

}  // namespace
}  // namespace pyxa
