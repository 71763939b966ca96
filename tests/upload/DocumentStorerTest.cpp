// Storing indexed documents on real files and a real store: page lists and their removal from
// each document's own source, whole files, refusals and failures that keep their place and
// pages, audit rows, settings, the reload.
#include "common/TestTiff.h"
#include "components/Rc4.h"
#include "components/SqliteDatabase.h"
#include "platform/Sql.h"
#include "shell/FakeService.h"
#include "upload/DocumentStorer.h"
#include "upload/FileDigest.h"
#include "upload/SourceRemovals.h"
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
  QString Source(int pages, const QString& name = QStringLiteral("batch.tif")) {
    const QString path = settings.AvailableFolder + name;
    EXPECT_TRUE(WriteMarkedTiff(path, pages));
    return path;
  }
  QString Photo(const QString& name) {
    const QString path = settings.AvailableFolder + name;
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(Qt::white);
    EXPECT_TRUE(photo.save(path, "JPG"));
    return path;
  }
  QString WholeFile(const QString& name, const QByteArray& bytes) {
    const QString path = settings.AvailableFolder + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  // A document indexed from the file as it is now.
  static Document WithPages(const QString& source, std::initializer_list<int> pages, qint64 patient = 1001) {
    Document document;
    document.PatientID = patient;
    document.UserID = 17;
    document.CategoryID = 1;
    document.DocumentName = QStringLiteral("doc.TIF");
    document.SourceFile = source;
    document.SourceDigest = FileDigest(source);
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
    if (!QFile::exists(storer.StorePath())) return 0;
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

// Documents of one or two source files, their pages in any order: each stored document holds its
// own pages, each source keeps the rest (or is deleted when none are left), every row has its
// audit row and no copy is left behind.
struct Split {
  const char* name;
  std::vector<std::pair<int, std::vector<int>>> documents;  // source (0 or 1) and pages
  std::vector<int> leftA, leftB;                            // empty: the source is deleted
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.name; }

class SplitTest : public StorerTest, public ::testing::WithParamInterface<Split> {};

TEST_P(SplitTest, EachSourceLosesExactlyTheStoredPages) {
  const QString sources[] = {Source(5, QStringLiteral("a.tif")), Source(4, QStringLiteral("b.tif"))};
  Documents documents;
  for (const auto& [source, pages] : GetParam().documents) {
    Document document = WithPages(sources[source], {});
    for (int page : pages) document.Pages.Add(Page{page, {}});
    documents.Add(document);
  }
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1) << message.toStdString();
  for (int i = 1; i <= documents.Count(); ++i) {
    EXPECT_EQ(StoredPages(documents.Item(i)), GetParam().documents[static_cast<size_t>(i - 1)].second) << i;
  }
  const std::vector<int>* left[] = {&GetParam().leftA, &GetParam().leftB};
  for (int source = 0; source < 2; ++source) {
    EXPECT_EQ(QFile::exists(sources[source]), !left[source]->empty()) << source;
    if (!left[source]->empty()) {
      EXPECT_EQ(OriginalPages(sources[source]), *left[source]) << source;
    }
  }
  const qint64 count = static_cast<qint64>(GetParam().documents.size());
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents WHERE IsUploaded = -1")), count);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM AuditLog WHERE ActionID = 1 AND StatusID = 0"
                                  " AND DocumentID > 0")),
            count);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM SourceRemovals")), 0);
  EXPECT_TRUE(Leftovers().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SplitTest,
    ::testing::Values(Split{"EveryPageTaken", {{0, {1, 2}}, {0, {3}}, {0, {4, 5}}}, {}, {1, 2, 3, 4}},
                      Split{"SomePages", {{0, {2, 4}}, {0, {5}}}, {1, 3}, {1, 2, 3, 4}},
                      Split{"FallingOrder", {{0, {4}}, {0, {2}}}, {1, 3, 5}, {1, 2, 3, 4}},
                      Split{"TwoSourcesInterleaved", {{0, {1}}, {1, {2, 3}}, {0, {3}}, {1, {1}}}, {2, 4, 5}, {4}},
                      Split{"OneSourceEmptied", {{1, {4, 1}}, {0, {5}}, {1, {2, 3}}}, {1, 2, 3, 4}, {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StorerTest, ASourceChangedAfterIndexingIsRefusedAndKeptWhileOtherSourcesGo) {
  const QString kept = Source(3, QStringLiteral("a.tif"));
  const QString changed = Source(2, QStringLiteral("b.tif"));
  Documents documents;
  documents.Add(WithPages(changed, {1}));
  documents.Add(WithPages(kept, {1}));
  documents.Add(WithPages(changed, {2}));
  ASSERT_TRUE(WriteMarkedTiff(changed, 3));  // rescanned under the same name
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), -1);
  EXPECT_EQ(message, QStringLiteral("The file 'b.tif' was changed after its pages were indexed. Its documents "
                                    "were not stored; please index it again."));
  for (int refused : {1, 3}) {
    EXPECT_TRUE(documents.Item(refused).FileData.isEmpty());
    EXPECT_EQ(documents.Item(refused).Pages.Count(), 1);
  }
  EXPECT_EQ(OriginalPages(changed), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(StoredPages(documents.Item(2)), (std::vector<int>{1}));
  EXPECT_EQ(OriginalPages(kept), (std::vector<int>{2, 3}));
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents")), 1);
}

// Documents that cannot be stored: without pages (from a paged file whatever the letter case of
// its name, or from a file kept whole), or without a source. Nothing of theirs is stored and their sources stay whole.
struct Refusal {
  const char* name;
  const char* file;  // empty: the document names no source
  std::vector<std::vector<int>> documents;
  const char* message;
  std::vector<int> left;  // the source's pages afterwards
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

class RefusalTest : public StorerTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusalTest, IsRefusedAndTakesNothing) {
  const QString file = QString::fromLatin1(GetParam().file);
  QString source;
  if (file.endsWith(QStringLiteral("JPG"), Qt::CaseInsensitive)) {
    source = Photo(file);
  } else if (file.endsWith(QStringLiteral("pdf"))) {
    source = WholeFile(file, "%PDF-1.4 consult note");
  } else if (!file.isEmpty()) {
    source = Source(3, file);
  }
  const QByteArray before = FileDigest(source);
  Documents documents;
  for (const auto& pages : GetParam().documents) {
    Document document = WithPages(source, {});
    for (int page : pages) document.Pages.Add(Page{page, {}});
    documents.Add(document);
  }
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), -1);
  EXPECT_EQ(message, QString::fromLatin1(GetParam().message));
  const Document& refused = documents.Item(documents.Count());
  EXPECT_TRUE(refused.FileData.isEmpty());
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents")), documents.Count() - 1);
  if (GetParam().left.empty()) {
    EXPECT_EQ(FileDigest(source), before);
  } else {
    EXPECT_EQ(OriginalPages(source), GetParam().left);
  }
  EXPECT_TRUE(Leftovers().isEmpty());
}

constexpr const char* kNoPages =
    "The documents do not contain any pages. Please correct these indexing problems before uploading.";

INSTANTIATE_TEST_SUITE_P(
    Documents, RefusalTest,
    ::testing::Values(Refusal{"UpperCaseTif", "SCAN.TIF", {{}}, kNoPages, {}},
                      Refusal{"LowerCaseTif", "scan.tif", {{}}, kNoPages, {}},
                      Refusal{"UpperCaseJpg", "ECG.JPG", {{}}, kNoPages, {}},
                      Refusal{"APdfWhosePageWasTakenOut", "Consult.pdf", {{}}, kNoPages, {}},
                      Refusal{"BesideADocumentWithPages", "SCAN.Tif", {{1}, {}}, kNoPages, {2, 3}},
                      Refusal{"NoSource", "", {{1}}, "The document 'doc.TIF' does not name the file its pages come "
                                                     "from. Please index it again.", {}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StorerTest, PagesAnEarlierStoreStillOwesTheUnchangedFileLeaveWithTheNewOnes) {
  const QString source = Source(4);
  {
    SqliteDatabase earlier;  // stored page 2, then could not rewrite the file
    ASSERT_TRUE(earlier.Create(storer.StorePath(), kDatabasePassword));
    Document document;
    AuditLog pending;
    std::int64_t id = 0;
    ASSERT_TRUE(earlier.StoreIndexedDocument(document, pending, QFileInfo(source).canonicalFilePath(),
                                             FileDigest(source), {2}, id));
  }
  Documents documents;
  documents.Add(WithPages(source, {4}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1) << message.toStdString();
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 3}));
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM SourceRemovals")), 0);
}

TEST_F(StorerTest, AFileChangedWhileItsDocumentsAreStoredIsToldAndLeftAsItIs) {
  const QString source = Source(3);
  Documents documents;
  documents.Add(WithPages(source, {1}));
  storer.checkpoint = [&](const char* step) {
    if (QByteArray(step) == "document inserted") WriteMarkedTiff(source, 6);
  };
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), -1);
  EXPECT_EQ(message, QStringLiteral("The file 'batch.tif' was changed by another program while its documents were "
                                    "stored; the stored pages may still be in it."));
  EXPECT_FALSE(documents.Item(1).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // The next start takes nothing from the new file either.
  EXPECT_TRUE(FinishSourceRemovals(storer.StorePath(), databases).isEmpty());
  EXPECT_EQ(OriginalPages(source).size(), 6u);
}

TEST_F(StorerTest, APdfIsStoredWholeAndAJpegAsItsOnePageAndBothLeaveTheAvailableFiles) {
  const QString pdf = WholeFile(QStringLiteral("Consult.pdf"), "%PDF-1.4 consult note");
  const QString jpeg = Photo(QStringLiteral("ECG.jpg"));
  Documents documents;
  documents.Add(WithPages(pdf, {1}));
  documents.Add(WithPages(jpeg, {1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1) << message.toStdString();
  EXPECT_EQ(documents.Item(1).FileData, QByteArray("%PDF-1.4 consult note"));
  EXPECT_EQ(QImage::fromData(documents.Item(2).FileData).size(), QSize(64, 48));
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_FALSE(QFile::exists(jpeg));
  EXPECT_TRUE(Leftovers().isEmpty());
}

// A document whose pages cannot be written, and one whose insert fails (with its FAILED audit
// row), keep their place and pages while the others go; the pages follow the rewritten source, so
// that storing again takes the same pages.
TEST_F(StorerTest, AFailedDocumentKeepsItsPlaceAndItsPagesWhileTheOthersGo) {
  const QString source = Source(5);
  {
    SqliteDatabase store;
    ASSERT_TRUE(store.Create(storer.StorePath(), kDatabasePassword));
    SqlConnection(storer.StorePath())
        .Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Documents WHEN NEW.PatientID = 666"
                                " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  }
  Documents documents;
  documents.Add(WithPages(source, {1}));
  documents.Add(WithPages(source, {4, 2}, 666));
  documents.Add(WithPages(source, {9}));  // not in the file
  documents.Add(WithPages(source, {3}));
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), -1);
  EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to save the document's pages.")));
  for (int failed : {2, 3}) EXPECT_TRUE(documents.Item(failed).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(documents.Item(2).Pages.Item(1).PageNumber, 2);
  EXPECT_EQ(documents.Item(2).Pages.Item(2).PageNumber, 1);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM AuditLog WHERE StatusID = -1 AND PatientID = 666")), 1);
  EXPECT_TRUE(Leftovers().isEmpty());

  SqlConnection(storer.StorePath()).Execute(QStringLiteral("DROP TRIGGER refuse"));
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), -1);  // the page outside the file still fails
  EXPECT_EQ(StoredPages(documents.Item(2)), (std::vector<int>{4, 2}));
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{5}));
}

TEST_F(StorerTest, AStoreTheUploadProgramHoldsIsToldAndLosesNothing) {
  const QString source = Source(2);
  Documents documents;
  documents.Add(WithPages(source, {1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1);  // the store exists now
  Documents more;
  more.Add(WithPages(source, {1}));
  {
    SqlConnection holder(storer.StorePath());
    SqlTransaction busy(holder);
    SqliteDatabaseFactory impatient(200);  // the program waits longer; the outcome is the same
    DocumentStorer waiting(settings, impatient, session, clock);
    EXPECT_EQ(waiting.SaveIndexedDocuments(more, message), -1);
  }
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(more.Item(1).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{2}));
  EXPECT_TRUE(Leftovers().isEmpty());
  EXPECT_EQ(storer.SaveIndexedDocuments(more, message), 1);  // and goes once it is free
  EXPECT_FALSE(QFile::exists(source));
}

TEST_F(StorerTest, AFullDiskDuringTheStoreIsToldAndLosesNothing) {
  Documents first;
  first.Add(WithPages(Source(2), {1}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(first, message), 1);
  const QString pdf = WholeFile(QStringLiteral("Scan.pdf"), QByteArray(1024 * 1024, 'p'));

  // Files may not grow past the store's size and a little: the disk is "full" for the insert.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = static_cast<rlim_t>(QFileInfo(storer.StorePath()).size() + 64 * 1024);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Documents scan;
  scan.Add(WithPages(pdf, {1}));
  const int result = storer.SaveIndexedDocuments(scan, message);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(result, -1);
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(scan.Item(1).FileData.isEmpty());
  EXPECT_EQ(QFileInfo(pdf).size(), 1024 * 1024);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) AS n FROM Documents")), 1);  // the earlier one, whole
  EXPECT_EQ(storer.SaveIndexedDocuments(scan, message), 1) << message.toStdString();
  EXPECT_FALSE(QFile::exists(pdf));
}

// Documents stored before are only queued; the hand-over queues the stored rows and writes the
// upload settings with enciphered credentials.
TEST_F(StorerTest, StoredDocumentsAreSkippedAndTheHandOverQueuesWithEncipheredCredentials) {
  Documents documents;
  const QString source = Source(2);
  Document stored = WithPages(source, {1});
  stored.FileData = "II*\0";
  documents.Add(stored);
  QString message;
  EXPECT_EQ(storer.SaveIndexedDocuments(documents, message), 1);
  EXPECT_FALSE(QFile::exists(storer.StorePath()));  // nothing to store

  documents.Add(WithPages(source, {2}));
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1) << message.toStdString();
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1}));
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
  const QString source = Source(3);
  documents.Add(WithPages(source, {1, 2}));
  documents.Add(WithPages(source, {3}));
  QString message;
  ASSERT_EQ(storer.SaveIndexedDocuments(documents, message), 1);
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
