// The status-bar counts and the Upload Now count on a real store in a temporary folder, and
// what a missing, foreign or unreadable store does to each.
#include <filesystem>
#include <functional>

#include "StoreFixture.h"
#include "upload/UploadCounts.h"

namespace pyxa::storetest {
namespace {

const QString kNoneAwaiting = QStringLiteral("   Awaiting Upload: 0   ");

class UploadCountsTest : public StoreWorld {
 protected:
  // Stores `stored` documents and queues the first `queued` of them, as the Upload button does.
  void StoreDocuments(int stored, int queued) {
    SqliteDatabase writer;
    if (!QFile::exists(Store())) {
      ASSERT_TRUE(writer.Create(Store(), kDatabasePassword));
    }
    writer.FilePath = Store();
    writer.DBPwd = kDatabasePassword;
    Documents toQueue;
    for (int i = 0; i < stored; ++i) {
      Document document;
      document.DocumentName = QStringLiteral("doc%1").arg(i);
      std::int64_t id = 0;
      ASSERT_TRUE(writer.UpdateDBWithIndexedDoc(document, id)) << writer.LastErrorDescription().toStdString();
      if (i < queued) toQueue.Add(document);
    }
    ASSERT_TRUE(writer.UpdateDocuments(toQueue)) << writer.LastErrorDescription().toStdString();
  }
  QByteArray StoreBytes() {
    QFile file(Store());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  SqliteDatabaseFactory factory{100};
  UploadCounts counts{settings, factory};
};

// Stores that cannot be counted: the panel shows 0, the Upload Now count is refused with the
// store's error, and nothing is written over the file.
TEST_F(UploadCountsTest, AStoreThatCannotBeReadShowsZeroAndRefusesTheUploadCount) {
  struct Unreadable {
    const char* name;
    std::function<void()> make;
    std::int32_t number;  // 0: any
  };
  const Unreadable stores[] = {
      {"a foreign file", [&] { WriteFile(Store(), "this is a text file, not a document store\n"); }, 0},
      {"another password", [&] { ASSERT_TRUE(SqliteDatabase().Create(Store(), QStringLiteral("another password"))); },
       kDbWrongPassword},
      {"a store that cannot say how many wait",
       [&] {
         ASSERT_TRUE(SqliteDatabase().Create(Store(), kDatabasePassword));
         SqlConnection(Store()).Execute(QStringLiteral("DROP TABLE Documents; CREATE TABLE Documents (x)"));
       },
       0},
      {"a store that cannot be created",
       [&] { settings.UploadsFolder = dir.filePath(QStringLiteral("no such folder/")); }, kDbCannotCreate},
  };
  for (const Unreadable& store : stores) {
    SCOPED_TRACE(store.name);
    QFile::remove(Store());
    store.make();
    const QByteArray before = StoreBytes();
    EXPECT_EQ(counts.UpdateUploadCount(), kNoneAwaiting);
    try {
      counts.AreDocsToUpload(1);
      ADD_FAILURE() << "no StoreReadError";
    } catch (const StoreReadError& error) {
      if (store.number != 0) {
        EXPECT_EQ(error.Number(), store.number);
      }
      EXPECT_NE(error.Number(), 0);
      EXPECT_FALSE(error.Description().isEmpty());
    }
    EXPECT_EQ(StoreBytes(), before);
  }
}

// A missing store counts 0 and is made only for the Upload Now count; the counts take only the
// queued documents and the document files available; the files display gives both panels, or the
// error of the listing of the uploads folder.
TEST_F(UploadCountsTest, CountsFollowTheStoreAndTheAvailableFilesOrTellTheListingError) {
  EXPECT_EQ(counts.UpdateUploadCount(), kNoneAwaiting);
  EXPECT_FALSE(QFile::exists(Store()));
  EXPECT_EQ(counts.AreDocsToUpload(2), 2);
  {  // The created store is a real, empty store.
    SqliteDatabase check;
    ASSERT_TRUE(check.Connect(Store(), kDatabasePassword)) << check.LastErrorDescription().toStdString();
    EXPECT_EQ(check.DocumentsToUpload(), 0);
  }
  EXPECT_EQ(counts.AreDocsToUpload(0), 0);

  StoreDocuments(4, 3);  // one stays stored but not queued
  EXPECT_EQ(counts.AreDocsToUpload(0), 3);
  EXPECT_EQ(counts.AreDocsToUpload(5), 8);
  for (const char* name : {"a.pdf", "b.DOC", "c.tif", "d.jpg", "e.png", "f.docx", "NOTES"})
    WriteFile(settings.AvailableFolder + QString::fromLatin1(name), "x");
  ASSERT_TRUE(QDir(settings.AvailableFolder).mkdir(QStringLiteral("folder.pdf")));
  int count = -1;
  EXPECT_EQ(counts.UpdateAvailableCount(count), QStringLiteral("   Available Files: 4   "));
  EXPECT_EQ(count, 4);
  UploadCounts::FilesDisplay display = counts.UpdateFilesDisplay();
  EXPECT_TRUE(display.ok);
  EXPECT_TRUE(display.errorMessage.isEmpty());
  EXPECT_EQ(display.uploadPanel, QStringLiteral("   Awaiting Upload: 3   "));
  EXPECT_EQ(display.availablePanel, QStringLiteral("   Available Files: 4   "));

  // An entry of the uploads folder that cannot be followed is passed over, not a failed listing.
  std::filesystem::create_symlink("loop.mdb", (settings.UploadsFolder + QStringLiteral("loop.mdb")).toStdString());
  display = counts.UpdateFilesDisplay();
  EXPECT_TRUE(display.ok);
  EXPECT_TRUE(display.errorMessage.isEmpty());
  EXPECT_EQ(display.uploadPanel, QStringLiteral("   Awaiting Upload: 3   "));

  settings.AvailableFolder = dir.filePath(QStringLiteral("missing/"));
  EXPECT_EQ(counts.UpdateAvailableCount(count), QStringLiteral("   Available Files: 0   "));
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace pyxa::storetest
