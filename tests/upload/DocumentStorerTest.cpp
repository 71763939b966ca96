// Storing indexed documents on real files and a real store: page lists and their removal from
// each document's own source, whole files, refusals and failures that keep their place and
// pages, audit rows, settings, the reload.
#include <sys/resource.h>

#include <QFileInfo>
#include <csignal>

#include "StoreFixture.h"
#include "components/Rc4.h"
#include "upload/DocumentStorer.h"
#include "upload/SourceRemovals.h"
#include "upload/StoredDocuments.h"

namespace pyxa::storetest {
namespace {

const QByteArray kPdf("%PDF-1.4 consult note");

class StorerTest : public StoreWorld {
 protected:
  // Stores the documents; true when all went, with the message shown on failure.
  bool Save(Documents& documents) { return storer.SaveIndexedDocuments(documents, message) == 1; }

  QString message;
  DocumentStorer storer{settings, databases, session, clock};
};

// Documents of one or two source files, their pages in any order: each stored document holds its
// own pages, each source keeps the rest (or is deleted when none are left), every row has its
// audit row and no copy is left behind.
struct Split {
  const char* name;
  std::vector<std::pair<int, std::vector<int>>> documents;  // source (0 or 1) and pages
  std::vector<int> left[2];                                 // empty: the source is deleted
};

void PrintTo(const Split& split, std::ostream* out) { *out << split.name; }

class SplitTest : public StorerTest, public ::testing::WithParamInterface<Split> {};

TEST_P(SplitTest, EachSourceLosesExactlyTheStoredPages) {
  const QString sources[] = {Tiff(5, QStringLiteral("a.tif")), Tiff(4, QStringLiteral("b.tif"))};
  Documents documents;
  for (const auto& [source, pages] : GetParam().documents) documents.Add(Indexed(sources[source], pages));
  ASSERT_TRUE(Save(documents)) << message.toStdString();
  for (int i = 1; i <= documents.Count(); ++i) {
    EXPECT_EQ(StoredPages(documents.Item(i)), GetParam().documents[static_cast<size_t>(i - 1)].second) << i;
  }
  for (int source = 0; source < 2; ++source) {
    const std::vector<int>& left = GetParam().left[source];
    EXPECT_EQ(QFile::exists(sources[source]), !left.empty()) << source;
    if (!left.empty()) {
      EXPECT_EQ(OriginalPages(sources[source]), left) << source;
    }
  }
  const qint64 count = static_cast<qint64>(GetParam().documents.size());
  EXPECT_EQ(Rows(QStringLiteral("Documents WHERE IsUploaded = -1")), count);
  EXPECT_EQ(Rows(QStringLiteral("AuditLog WHERE ActionID = 1 AND StatusID = 0 AND DocumentID > 0")), count);
  EXPECT_EQ(Rows(QStringLiteral("SourceRemovals")), 0);
  EXPECT_TRUE(Leftovers().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SplitTest,
    ::testing::Values(Split{"EveryPageTaken", {{0, {1, 2}}, {0, {3}}, {0, {4, 5}}}, {{}, {1, 2, 3, 4}}},
                      Split{"SomePages", {{0, {2, 4}}, {0, {5}}}, {{1, 3}, {1, 2, 3, 4}}},
                      Split{"FallingOrder", {{0, {4}}, {0, {2}}}, {{1, 3, 5}, {1, 2, 3, 4}}},
                      Split{"TwoSourcesInterleaved", {{0, {1}}, {1, {2, 3}}, {0, {3}}, {1, {1}}}, {{2, 4, 5}, {4}}},
                      Split{"OneSourceEmptied", {{1, {4, 1}}, {0, {5}}, {1, {2, 3}}}, {{1, 2, 3, 4}, {}}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StorerTest, ASourceChangedAfterIndexingIsRefusedAndKeptWhileOtherSourcesGo) {
  const QString kept = Tiff(3, QStringLiteral("a.tif"));
  const QString changed = Tiff(2, QStringLiteral("b.tif"));
  Documents documents;
  documents.Add(Indexed(changed, {1}));
  documents.Add(Indexed(kept, {1}));
  documents.Add(Indexed(changed, {2}));
  ASSERT_TRUE(testing::WriteMarkedTiff(changed, 3));  // rescanned under the same name
  EXPECT_FALSE(Save(documents));
  EXPECT_EQ(message, QStringLiteral("The file 'b.tif' was changed after its pages were indexed. Its documents "
                                    "were not stored; please index it again."));
  for (int refused : {1, 3}) {
    EXPECT_TRUE(documents.Item(refused).FileData.isEmpty());
    EXPECT_EQ(documents.Item(refused).Pages.Count(), 1);
  }
  EXPECT_EQ(OriginalPages(changed), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(StoredPages(documents.Item(2)), (std::vector<int>{1}));
  EXPECT_EQ(OriginalPages(kept), (std::vector<int>{2, 3}));
  EXPECT_EQ(Rows(QStringLiteral("Documents")), 1);
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
  const QString source = file.isEmpty()                                              ? QString()
                         : file.endsWith(QStringLiteral("JPG"), Qt::CaseInsensitive) ? Photo(file)
                         : file.endsWith(QStringLiteral("pdf"))                      ? WholeFile(file, kPdf)
                                                                                     : Tiff(3, file);
  const QByteArray before = FileDigest(source);
  Documents documents;
  for (const auto& pages : GetParam().documents) documents.Add(Indexed(source, pages));
  EXPECT_FALSE(Save(documents));
  EXPECT_EQ(message, QString::fromLatin1(GetParam().message));
  EXPECT_TRUE(documents.Item(documents.Count()).FileData.isEmpty());
  EXPECT_EQ(Rows(QStringLiteral("Documents")), documents.Count() - 1);
  if (GetParam().left.empty()) {
    EXPECT_EQ(FileDigest(source), before);
  } else {
    EXPECT_EQ(OriginalPages(source), GetParam().left);
  }
  EXPECT_TRUE(Leftovers().isEmpty());
}

constexpr const char* kNoPages =
    "The documents do not contain any pages. Please correct these indexing problems before uploading.";
constexpr const char* kNoSource =
    "The document 'doc.TIF' does not name the file its pages come from. Please index it again.";

INSTANTIATE_TEST_SUITE_P(Documents, RefusalTest,
                         ::testing::Values(Refusal{"UpperCaseTif", "SCAN.TIF", {{}}, kNoPages, {}},
                                           Refusal{"LowerCaseTif", "scan.tif", {{}}, kNoPages, {}},
                                           Refusal{"UpperCaseJpg", "ECG.JPG", {{}}, kNoPages, {}},
                                           Refusal{"APdfWhosePageWasTakenOut", "Consult.pdf", {{}}, kNoPages, {}},
                                           Refusal{"BesideADocumentWithPages", "SCAN.Tif", {{1}, {}}, kNoPages, {2, 3}},
                                           Refusal{"NoSource", "", {{1}}, kNoSource, {}}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(StorerTest, PagesAnEarlierStoreStillOwesTheUnchangedFileLeaveWithTheNewOnes) {
  const QString source = Tiff(4);
  // Stored page 2, then could not rewrite the file.
  RecordEarlierStore(storer.StorePath(), QFileInfo(source).canonicalFilePath(), {2});
  Documents documents;
  documents.Add(Indexed(source, {4}));
  ASSERT_TRUE(Save(documents)) << message.toStdString();
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 3}));
  EXPECT_EQ(Rows(QStringLiteral("SourceRemovals")), 0);
}

TEST_F(StorerTest, AFileChangedWhileItsDocumentsAreStoredIsToldAndLeftAsItIs) {
  const QString source = Tiff(3);
  Documents documents;
  documents.Add(Indexed(source, {1}));
  storer.checkpoint = [&](const char* step) {
    if (QByteArray(step) == "document inserted") testing::WriteMarkedTiff(source, 6);
  };
  EXPECT_FALSE(Save(documents));
  EXPECT_EQ(message, QStringLiteral("The file 'batch.tif' was changed by another program while its documents were "
                                    "stored; the stored pages may still be in it."));
  EXPECT_FALSE(documents.Item(1).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  // The next start takes nothing from the new file either.
  EXPECT_TRUE(FinishSourceRemovals(storer.StorePath(), databases).isEmpty());
  EXPECT_EQ(OriginalPages(source).size(), 6u);
}

TEST_F(StorerTest, APdfIsStoredWholeAndAJpegAsItsOnePageAndBothLeaveTheAvailableFiles) {
  const QString pdf = WholeFile(QStringLiteral("Consult.pdf"), kPdf);
  const QString jpeg = Photo(QStringLiteral("ECG.jpg"));
  Documents documents;
  documents.Add(Indexed(pdf, {1}));
  documents.Add(Indexed(jpeg, {1}));
  ASSERT_TRUE(Save(documents)) << message.toStdString();
  EXPECT_EQ(documents.Item(1).FileData, kPdf);
  EXPECT_EQ(QImage::fromData(documents.Item(2).FileData).size(), QSize(64, 48));
  EXPECT_FALSE(QFile::exists(pdf));
  EXPECT_FALSE(QFile::exists(jpeg));
  EXPECT_TRUE(Leftovers().isEmpty());
}

// A document whose pages cannot be written, and one whose insert fails (with its FAILED audit
// row), keep their place and pages while the others go; the pages follow the rewritten source, so
// that storing again takes the same pages.
TEST_F(StorerTest, AFailedDocumentKeepsItsPlaceAndItsPagesWhileTheOthersGo) {
  const QString source = Tiff(5);
  ASSERT_TRUE(SqliteDatabase().Create(storer.StorePath(), kDatabasePassword));
  SqlConnection(storer.StorePath())
      .Execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Documents WHEN NEW.PatientID = 666"
                              " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  Documents documents;
  documents.Add(Indexed(source, {1}));
  documents.Add(Indexed(source, {4, 2}, 666));
  documents.Add(Indexed(source, {9}));  // not in the file
  documents.Add(Indexed(source, {3}));
  EXPECT_FALSE(Save(documents));
  EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to save the document's pages.")));
  for (int failed : {2, 3}) EXPECT_TRUE(documents.Item(failed).FileData.isEmpty());
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(documents.Item(2).Pages.Item(1).PageNumber, 2);
  EXPECT_EQ(documents.Item(2).Pages.Item(2).PageNumber, 1);
  EXPECT_EQ(Rows(QStringLiteral("AuditLog WHERE StatusID = -1 AND PatientID = 666")), 1);
  EXPECT_TRUE(Leftovers().isEmpty());

  SqlConnection(storer.StorePath()).Execute(QStringLiteral("DROP TRIGGER refuse"));
  EXPECT_FALSE(Save(documents));  // the page outside the file still fails
  EXPECT_EQ(StoredPages(documents.Item(2)), (std::vector<int>{4, 2}));
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{5}));
}

// A store the upload program holds, or a disk that fills during the store: told, nothing lost, and
// the same documents go once the store is free again.
TEST_F(StorerTest, AStoreThatCannotBeWrittenIsToldAndLosesNothing) {
  const QString source = Tiff(2);
  Documents documents;
  documents.Add(Indexed(source, {1}));
  ASSERT_TRUE(Save(documents));  // the store exists now
  Documents more;
  more.Add(Indexed(source, {1}));
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
  EXPECT_TRUE(Save(more));  // and goes once it is free
  EXPECT_FALSE(QFile::exists(source));

  // Files may not grow past the store's size and a little: the disk is "full" for the insert.
  const QString pdf = WholeFile(QStringLiteral("Scan.pdf"), QByteArray(1024 * 1024, 'p'));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = static_cast<rlim_t>(QFileInfo(storer.StorePath()).size() + 64 * 1024);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  Documents scan;
  scan.Add(Indexed(pdf, {1}));
  message.clear();
  const bool stored = Save(scan);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(stored);
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(scan.Item(1).FileData.isEmpty());
  EXPECT_EQ(QFileInfo(pdf).size(), 1024 * 1024);
  EXPECT_EQ(Rows(QStringLiteral("Documents")), 2);  // the earlier ones, whole
  EXPECT_TRUE(Save(scan)) << message.toStdString();
  EXPECT_FALSE(QFile::exists(pdf));
}

// Documents stored before are only queued; the hand-over queues the stored rows and writes the
// upload settings with enciphered credentials.
TEST_F(StorerTest, StoredDocumentsAreSkippedAndTheHandOverQueuesWithEncipheredCredentials) {
  Documents documents;
  const QString source = Tiff(2);
  documents.Add(Indexed(source, {1}));
  documents.Item(1).FileData = "II*\0";
  EXPECT_TRUE(Save(documents));
  EXPECT_FALSE(QFile::exists(storer.StorePath()));  // nothing to store

  documents.Add(Indexed(source, {2}));
  ASSERT_TRUE(Save(documents)) << message.toStdString();
  EXPECT_EQ(OriginalPages(source), (std::vector<int>{1}));
  std::int32_t number = 0;
  ASSERT_EQ(storer.StoreDocsInMDB(documents, message, number), 0) << message.toStdString();
  EXPECT_EQ(Rows(QStringLiteral("Documents WHERE IsUploaded = 0")), 1);
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
  const QString source = Tiff(3);
  documents.Add(Indexed(source, {1, 2}));
  documents.Add(Indexed(source, {3}));
  ASSERT_TRUE(Save(documents));
  SqlConnection(storer.StorePath())
      .Execute(QStringLiteral("UPDATE Documents SET PatientID = NULL, IsSignedOff = NULL WHERE DocumentID = 1;"
                              "INSERT INTO Documents (IsUploaded, FileData) VALUES (0, x'00');"));
  const Documents reloaded = LoadStoredDocuments(storer.StorePath(), databases, session, settings.UploadsFolder);
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
}  // namespace pyxa::storetest
