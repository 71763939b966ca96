// Storing indexed documents on real files and a real store: page lists and their removal from
// the source, whole files, failures that keep their place, audit rows, settings, the reload.
#include "common/TestTiff.h"
#include "components/Rc4.h"
#include "components/SqliteDatabase.h"
#include "platform/Sql.h"
#include "shell/FakeService.h"
#include "upload/DocumentStorer.h"
#include "upload/StoredDocuments.h"

#include <sys/resource.h>

#include <csignal>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

using testing::OriginalPages;
using testing::WriteMarkedTiff;

class StorerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.AvailableFolder = dir.filePath(QStringLiteral("Available Files")) + QLatin1Char('/');
    settings.UploadsFolder = dir.filePath(QStringLiteral("Uploads")) + QLatin1Char('/');
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
    session.Replace(std::make_unique<testing::FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("s3cret"), QStringLiteral("file:///clinic"));
  }
  QString Source(int pages) {
    const QString path = settings.AvailableFolder + QStringLiteral("batch.tif");
    EXPECT_TRUE(WriteMarkedTiff(path, pages));
    return path;
  }
  static Document WithPages(std::initializer_list<int> pages, qint64 patient = 1001) {
    Document document;
    document.PatientID = patient;
    document.UserID = 17;
    document.CategoryID = 1;
    document.DocumentName = QStringLiteral("doc.TIF");
    for (int page : pages) document.Pages.Add(Page{page, {}});
    return document;
  }
  // The original pages a stored document's file data holds.
  std::vector<int> StoredPages(const Document& document) {
    const QString path = dir.filePath(QStringLiteral("check.tif"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document.FileData);
    file.close();
    return OriginalPages(path);
  }
  qint64 Number(const QString& sql) {
    SqlConnection connection(storer.StorePath(), SqlConnection::Mode::ReadOnly);
    auto query = connection.Prepare(sql);
    return query.Step() ? query.Int(QStringLiteral("n"), -99) : -1;
  }
  QStringList Leftovers() {
    return QDir(settings.UploadsFolder).entryList({QStringLiteral("zzz*")}, QDir::Files) +
           QDir(settings.AvailableFolder).entryList({QStringLiteral("zzz*")}, QDir::Files);
  }

  QTemporaryDir dir;
  AppSettings settings;
  SqliteDatabaseFactory databases;
  testing::FakeServiceLog log;
  Session session;
  ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
  DocumentStorer storer{settings, databases, session, clock};
};

TEST_F(StorerTest, ThreeDocumentsTakeEveryPageAndTheEmptiedSourceIsDeleted) {
  const QString source = Source(5);
  Documents documents;
  documents.Add(WithPages({1, 2}));
  documents.Add(WithPages({3}));
  documents.Add(WithPages({4, 5}));
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, source, message), 1) << message.toStdString();
  EXPECT_FALSE(QFile::exists(source));
  EXPECT_EQ(StoredPages(documents.Item(1)), (std::vector<int>{1, 2}));
  EXPECT_EQ(StoredPages(documents.Item(2)), (std::vector<int>{3}));
  EXPECT_EQ(StoredPages(documents.Item(3)), (std::vector<int>{4, 5}));
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents WHERE IsUploaded = -1")), 3);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM AuditLog WHERE ActionID = 1 AND StatusID = 0"
                                  " AND DocumentID > 0")),
            3);
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(StorerTest, StoredPagesLeaveTheSourceWhateverTheirOrder) {
  QString source = Source(5);
  Documents documents;
  documents.Add(WithPages({2, 4}));
  documents.Add(WithPages({5}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, source, message), 1) << message.toStdString();
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 3}));

  // Pages given in falling order still take the right ones out.
  source = Source(5);
  Documents reversed;
  reversed.Add(WithPages({4}));
  reversed.Add(WithPages({2}));
  ASSERT_EQ(storer.SaveIndexedDocuments(reversed, source, message), 1);
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(StoredPages(reversed.Item(1)), (std::vector<int>{4}));
}

TEST_F(StorerTest, APdfIsStoredWholeAndLeavesTheAvailableFilesOnlyOnceStored) {
  const QString pdf = settings.AvailableFolder + QStringLiteral("Consult.pdf");
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("%PDF-1.4 consult note");
  file.close();
  Documents documents;
  documents.Add(WithPages({1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, pdf, message), 1) << message.toStdString();
  EXPECT_EQ(documents.Item(1).FileData, QByteArray("%PDF-1.4 consult note"));
  EXPECT_FALSE(QFile::exists(pdf));

  // When the insert fails (here the store is not a store at all), the PDF stays where it was.
  const QString other = settings.AvailableFolder + QStringLiteral("Letter.pdf");
  QFile letter(other);
  ASSERT_TRUE(letter.open(QIODevice::WriteOnly));
  letter.write("%PDF-1.4 letter");
  letter.close();
  QFile::remove(storer.StorePath());
  QFile broken(storer.StorePath());
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write(QByteArray(4096, 'x'));
  broken.close();
  Documents failing;
  failing.Add(WithPages({1}));
  EXPECT_EQ(storer.SaveIndexedDocuments(failing, other, message), -1);
  EXPECT_TRUE(QFile::exists(other));
  EXPECT_TRUE(failing.Item(1).FileData.isEmpty());
}

TEST_F(StorerTest, AJpegIsStoredAsItsOnePageAndLeavesTheAvailableFiles) {
  const QString jpeg = settings.AvailableFolder + QStringLiteral("ECG.jpg");
  QImage photo(64, 48, QImage::Format_RGB32);
  photo.fill(Qt::white);
  ASSERT_TRUE(photo.save(jpeg, "JPG"));
  Documents documents;
  documents.Add(WithPages({1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, jpeg, message), 1) << message.toStdString();
  EXPECT_TRUE(QImage::fromData(documents.Item(1).FileData).size() == QSize(64, 48));
  EXPECT_FALSE(QFile::exists(jpeg));
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(StorerTest, AFailedDocumentKeepsItsPlaceAndItsPagesWhileTheOthersGo) {
  const QString source = Source(3);
  Documents documents;
  documents.Add(WithPages({1}));
  documents.Add(WithPages({9}));  // not in the file
  documents.Add(WithPages({3}));
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, source, message), -1);
  EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to save the document's pages.")));
  EXPECT_TRUE(documents.Item(2).FileData.isEmpty());
  EXPECT_EQ(documents.Item(2).Pages.Count(), 1);
  EXPECT_FALSE(documents.Item(3).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{2}));
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(StorerTest, AStoreTheUploadProgramHoldsIsToldAndLosesNothing) {
  const QString source = Source(2);
  Documents documents;
  documents.Add(WithPages({1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, source, message), 1);  // the store exists now
  Documents more;
  more.Add(WithPages({1}));
  {
    SqlConnection holder(storer.StorePath());
    SqlTransaction busy(holder);
    SqliteDatabaseFactory impatient(200);  // the program waits longer; the outcome is the same
    DocumentStorer waiting(settings, impatient, session, clock);
    EXPECT_EQ(waiting.SaveIndexedDocuments(more, source, message), -1);
  }
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(more.Item(1).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{2}));
  EXPECT_TRUE(Leftovers().isEmpty());
  EXPECT_EQ(storer.SaveIndexedDocuments(more, source, message), 1);  // and goes once it is free
  EXPECT_FALSE(QFile::exists(source));
}

TEST_F(StorerTest, AFullDiskDuringTheStoreIsToldAndLosesNothing) {
  Documents first;
  first.Add(WithPages({1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(first, Source(2), message), 1);
  const QString pdf = settings.AvailableFolder + QStringLiteral("Scan.pdf");
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(1024 * 1024, 'p'));
  file.close();

  // Files may not grow past the store's size and a little: the disk is "full" for the insert.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = static_cast<rlim_t>(QFileInfo(storer.StorePath()).size() + 64 * 1024);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Documents scan;
  scan.Add(WithPages({1}));
  const int result = storer.SaveIndexedDocuments(scan, pdf, message);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result, -1);
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(scan.Item(1).FileData.isEmpty());
  EXPECT_EQ(QFileInfo(pdf).size(), 1024 * 1024);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents")), 1);  // the earlier one, whole
  EXPECT_EQ(storer.SaveIndexedDocuments(scan, pdf, message), 1) << message.toStdString();
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(StorerTest, StoredDocumentsAreSkippedAndEverythingStoredIsOne) {
  Documents documents;
  Document stored = WithPages({1});
  stored.FileData = "II*\0";
  documents.Add(stored);
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, Source(2), message), 1);
  EXPECT_FALSE(QFile::exists(storer.StorePath()));  // nothing to store

  documents.Add(WithPages({2}));
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, settings.AvailableFolder + QStringLiteral("batch.tif"), message), 1)
      << message.toStdString();
  EXPECT_EQ(OriginalPages(settings.AvailableFolder + QStringLiteral("batch.tif")), (std::vector<int>{1}));
}

TEST_F(StorerTest, TheQueueHandOverWritesEncipheredCredentialsAndQueuesTheStoredRows) {
  Documents documents;
  documents.Add(WithPages({1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, Source(1), message), 1);
  std::int32_t number = 0;
  ASSERT_EQ(storer.StoreDocsInMDB(documents, message, number), 0) << message.toStdString();
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents WHERE IsUploaded = 0")), 1);
  SqlConnection connection(storer.StorePath(), SqlConnection::Mode::ReadOnly);
  auto row = connection.Prepare(QStringLiteral("SELECT * FROM UploadSettings"));
  ASSERT_TRUE(row.Step());
  EXPECT_NE(row.Text(QStringLiteral("WebSvcPwd")), QStringLiteral("s3cret"));
  EXPECT_EQ(DecipherCredential(row.Text(QStringLiteral("WebSvcAccount"))), QStringLiteral("demo"));
  EXPECT_EQ(DecipherCredential(row.Text(QStringLiteral("WebSvcPwd"))), QStringLiteral("s3cret"));
  EXPECT_EQ(row.Text(QStringLiteral("WebSvcURL")), QStringLiteral("file:///clinic"));
}

TEST_F(StorerTest, TheReloadRebuildsPagesOfDocumentsNotQueued) {
  Documents documents;
  documents.Add(WithPages({1, 2}));
  documents.Add(WithPages({3}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, Source(3), message), 1);
  {
    SqlConnection connection(storer.StorePath());
    connection.Execute(QStringLiteral("UPDATE Documents SET PatientID = NULL, IsSignedOff = NULL WHERE DocumentID = 1;"
                                      "INSERT INTO Documents (IsUploaded, FileData) VALUES (0, x'00');"));
  }
  const Documents reloaded =
      LoadStoredDocuments(storer.StorePath(), databases, session, settings.UploadsFolder);
  ASSERT_EQ(reloaded.Count(), 2);
  EXPECT_EQ(reloaded.Item(1).Pages.Count(), 2);
  EXPECT_EQ(reloaded.Item(1).Pages.Item(2).PageNumber, 2);
  EXPECT_EQ(reloaded.Item(1).PatientID, 0);
  EXPECT_FALSE(reloaded.Item(1).SignOff);
  EXPECT_EQ(reloaded.Item(2).Pages.Count(), 1);
  EXPECT_TRUE(Leftovers().isEmpty());

  // A missing store is made, empty.
  QFile::remove(storer.StorePath());
  EXPECT_EQ(LoadStoredDocuments(storer.StorePath(), databases, session, settings.UploadsFolder).Count(), 0);
  EXPECT_TRUE(QFile::exists(storer.StorePath()));
}

}  // namespace
}  // namespace pyxa
