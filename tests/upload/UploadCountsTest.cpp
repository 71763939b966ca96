// The status-bar counts and the Upload Now count on a real store in a temporary folder, and
// what a missing, foreign or unreadable store does to each.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>

#include "components/SqliteDatabase.h"
#include "upload/UploadCounts.h"

namespace pyxa {
namespace {

// A store that opens but cannot say how many documents wait.
class UnknownCountDatabase : public Database {
 public:
  bool Create(const QString&, const QString&) override { return true; }
  bool Connect(const QString&, const QString&) override { return true; }
  void Disconnect() override {}
  Documents GetDocuments() override { return {}; }
  Exceptions GetExceptions() override { return {}; }
  std::int64_t DocumentsToUpload() override { return -1; }
  QVector<SourceRemoval> GetSourceRemovals() override { return {}; }
  bool DeleteDocument(const QString&) override { return false; }
  bool UpdateSettings() override { return false; }
  bool UpdateDBWithIndexedDoc(Document&, std::int64_t&) override { return false; }
  bool UpdateDocuments(Documents&) override { return false; }
  bool UpdateDBWithLog(AuditLog&) override { return false; }
  bool StoreIndexedDocument(Document&, AuditLog&, const QString&, const QByteArray&, const QVector<int>&,
                            std::int64_t&) override {
    return false;
  }
  bool ClearSourceRemovals(const QString&, const QByteArray&) override { return false; }
  QByteArray RC4(const QByteArray& text, const QByteArray&) override { return text; }
  QString Base64Encoding(const QByteArray& value) override { return QString::fromLatin1(value.toBase64()); }
  std::int32_t LastError() const override { return 0; }
  QString LastErrorDescription() const override { return {}; }
};

class UnknownCountFactory : public DatabaseFactory {
 public:
  std::unique_ptr<Database> Create() override { return std::make_unique<UnknownCountDatabase>(); }
};

class UploadCountsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("Available Files")));
    ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("Uploads")));
    settings_.AvailableFolder = root_.filePath(QStringLiteral("Available Files")) + QStringLiteral("/");
    settings_.UploadsFolder = root_.filePath(QStringLiteral("Uploads")) + QStringLiteral("/");
  }

  QString store() const { return settings_.UploadsFolder + QStringLiteral("documents.mdb"); }

  void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

  // Stores `stored` documents and queues the first `queued` of them, as the Upload button does.
  void StoreDocuments(int stored, int queued) {
    SqliteDatabase writer;
    if (!QFile::exists(store())) {
      ASSERT_TRUE(writer.Create(store(), kDatabasePassword));
    }
    writer.FilePath = store();
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

  QTemporaryDir root_;
  AppSettings settings_;
  SqliteDatabaseFactory factory_{100};
};

TEST_F(UploadCountsTest, MissingStoreCountsZeroAndIsCreatedOnlyByAreDocsToUpload) {
  UploadCounts counts(settings_, factory_);
  EXPECT_EQ(counts.StorePath(), store());
  EXPECT_EQ(counts.UpdateUploadCount(), QStringLiteral("   Awaiting Upload: 0   "));
  EXPECT_FALSE(QFile::exists(store()));

  EXPECT_EQ(counts.AreDocsToUpload(2), 2);
  ASSERT_TRUE(QFile::exists(store()));
  // The created store is a real, empty store.
  SqliteDatabase check;
  ASSERT_TRUE(check.Connect(store(), kDatabasePassword)) << check.LastErrorDescription().toStdString();
  EXPECT_EQ(check.DocumentsToUpload(), 0);
  EXPECT_EQ(counts.AreDocsToUpload(0), 0);
}

TEST_F(UploadCountsTest, CountsOnlyDocumentsAwaitingUpload) {
  StoreDocuments(4, 3);  // one stays stored but not queued
  UploadCounts counts(settings_, factory_);
  EXPECT_EQ(counts.UpdateUploadCount(), QStringLiteral("   Awaiting Upload: 3   "));
  EXPECT_EQ(counts.AreDocsToUpload(0), 3);
  EXPECT_EQ(counts.AreDocsToUpload(5), 8);
}

TEST_F(UploadCountsTest, StoreThatCannotBeReadShowsZeroButAreDocsToUploadThrows) {
  Write(store(), "this is a text file, not a document store\n");
  UploadCounts counts(settings_, factory_);
  EXPECT_EQ(counts.UpdateUploadCount(), QStringLiteral("   Awaiting Upload: 0   "));
  try {
    counts.AreDocsToUpload(1);
    FAIL() << "no StoreReadError";
  } catch (const StoreReadError& error) {
    EXPECT_NE(error.Number(), 0);
    EXPECT_FALSE(error.Description().isEmpty());
  }
  // Nothing was written over the foreign file.
  QFile file(store());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("this is a text file, not a document store\n"));
}

TEST_F(UploadCountsTest, StoreWithAnotherPasswordIsNotRead) {
  SqliteDatabase other;
  ASSERT_TRUE(other.Create(store(), QStringLiteral("another password")));
  UploadCounts counts(settings_, factory_);
  EXPECT_EQ(counts.UpdateUploadCount(), QStringLiteral("   Awaiting Upload: 0   "));
  try {
    counts.AreDocsToUpload(0);
    FAIL() << "no StoreReadError";
  } catch (const StoreReadError& error) {
    EXPECT_EQ(error.Number(), kDbWrongPassword);
  }
}

TEST_F(UploadCountsTest, StoreThatCannotBeCreatedThrows) {
  settings_.UploadsFolder = root_.filePath(QStringLiteral("no such folder")) + QStringLiteral("/");
  UploadCounts counts(settings_, factory_);
  try {
    counts.AreDocsToUpload(0);
    FAIL() << "no StoreReadError";
  } catch (const StoreReadError& error) {
    EXPECT_EQ(error.Number(), kDbCannotCreate);
  }
}

TEST_F(UploadCountsTest, UnknownCountLeavesPanelAtZero) {
  Write(store(), "present");
  UnknownCountFactory unknown;
  UploadCounts counts(settings_, unknown);
  EXPECT_EQ(counts.UpdateUploadCount(), QStringLiteral("   Awaiting Upload: 0   "));
}

TEST_F(UploadCountsTest, AvailableCountListsOnlyDocumentFiles) {
  for (const char* name : {"a.pdf", "b.DOC", "c.tif", "d.jpg", "e.png", "f.docx", "NOTES"})
    Write(settings_.AvailableFolder + QString::fromLatin1(name), "x");
  ASSERT_TRUE(QDir(settings_.AvailableFolder).mkdir(QStringLiteral("folder.pdf")));
  UploadCounts counts(settings_, factory_);
  int count = -1;
  EXPECT_EQ(counts.UpdateAvailableCount(count), QStringLiteral("   Available Files: 4   "));
  EXPECT_EQ(count, 4);

  settings_.AvailableFolder = root_.filePath(QStringLiteral("missing")) + QStringLiteral("/");
  EXPECT_EQ(counts.UpdateAvailableCount(count), QStringLiteral("   Available Files: 0   "));
  EXPECT_EQ(count, 0);
}

TEST_F(UploadCountsTest, FilesDisplayGivesBothPanelsOrTheListingError) {
  StoreDocuments(2, 2);
  Write(settings_.AvailableFolder + QStringLiteral("scan.tif"), "x");
  UploadCounts counts(settings_, factory_);
  UploadCounts::FilesDisplay display = counts.UpdateFilesDisplay();
  EXPECT_TRUE(display.ok);
  EXPECT_TRUE(display.errorMessage.isEmpty());
  EXPECT_EQ(display.uploadPanel, QStringLiteral("   Awaiting Upload: 2   "));
  EXPECT_EQ(display.availablePanel, QStringLiteral("   Available Files: 1   "));

  // An entry of the uploads folder that cannot be followed is passed over, not a failed listing.
  std::filesystem::create_symlink("loop.mdb", (settings_.UploadsFolder + QStringLiteral("loop.mdb")).toStdString());
  display = counts.UpdateFilesDisplay();
  EXPECT_TRUE(display.ok);
  EXPECT_TRUE(display.errorMessage.isEmpty());
  EXPECT_EQ(display.uploadPanel, QStringLiteral("   Awaiting Upload: 2   "));
}

}  // namespace
}  // namespace pyxa
