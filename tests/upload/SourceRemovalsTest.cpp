// The start-up that finishes page removals recorded in the store: one rewrite per file for all its
// documents' pages, nothing taken from a file rewritten or removed since, unfinished work told and
// kept for the next start, and no store made or needed.
#include "StoreFixture.h"
#include "upload/SourceRemovals.h"

namespace pyxa::storetest {
namespace {

enum class Since { Untouched, Rewritten, Gone };

struct Recovery {
  const char* name;
  const char* file;
  std::vector<QVector<int>> documents;  // the pages each document of one store run recorded
  Since since;                          // what became of the file before the crash
  std::vector<int> left;                // its pages after the start; empty: no file
  bool unfinished;                      // told to the user, its rows kept
};

void PrintTo(const Recovery& recovery, std::ostream* out) { *out << recovery.name; }

class SourceRemovalsTest : public StoreWorld, public ::testing::WithParamInterface<Recovery> {};

TEST_P(SourceRemovalsTest, FinishesWhatTheCrashLeftAndOnlyThat) {
  const Recovery& recovery = GetParam();
  const QString file = dir.filePath(QString::fromLatin1(recovery.file));
  if (file.endsWith(QStringLiteral(".pdf"))) {
    WriteFile(file, "%PDF-1.4");
  } else {
    ASSERT_TRUE(testing::WriteMarkedTiff(file, 5));
  }
  QSet<int> all;
  for (const QVector<int>& pages : recovery.documents) {
    RecordEarlierStore(Store(), file, pages);
    all.unite(QSet<int>(pages.begin(), pages.end()));
  }
  if (recovery.since == Since::Rewritten) {
    ASSERT_TRUE(RemoveSourcePages(file, all).isEmpty());
  } else if (recovery.since == Since::Gone) {
    ASSERT_TRUE(QFile::remove(file));
  }

  const QStringList lines = FinishSourceRemovals(Store(), databases);
  EXPECT_EQ(lines.size(), recovery.unfinished ? 1 : 0) << lines.join(QLatin1Char('|')).toStdString();
  if (recovery.unfinished) {
    EXPECT_TRUE(lines.value(0).contains(QString::fromLatin1(recovery.file)));
  }
  EXPECT_EQ(Rows(QStringLiteral("SourceRemovals")),
            recovery.unfinished ? static_cast<qint64>(recovery.documents.size()) : 0);
  EXPECT_EQ(QFile::exists(file), !recovery.left.empty());
  if (file.endsWith(QStringLiteral(".tif")) && !recovery.left.empty()) {
    EXPECT_EQ(OriginalPages(file), recovery.left);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Starts, SourceRemovalsTest,
    ::testing::Values(
        Recovery{"AllDocumentsOfTheRunInOneRewrite", "scan.tif", {{3, 1}, {5}}, Since::Untouched, {2, 4}, false},
        Recovery{"EveryPageOwed", "scan.tif", {{1, 2}, {3, 4, 5}}, Since::Untouched, {}, false},
        Recovery{"AlreadyRewritten", "scan.tif", {{3, 1}, {5}}, Since::Rewritten, {2, 4}, false},
        Recovery{"SourceGone", "scan.tif", {{1}}, Since::Gone, {}, false},
        Recovery{"WholeFileDeleted", "Consult.pdf", {{kWholeSourceFile}}, Since::Untouched, {}, false},
        Recovery{"WholeFileAlreadyDeleted", "Consult.pdf", {{kWholeSourceFile}}, Since::Gone, {}, false},
        Recovery{"CannotBeRewritten", "scan.tif", {{2}, {9}}, Since::Untouched, {1, 2, 3, 4, 5}, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(SourceRemovalsTest, NoStoreOrAnOlderStoreOwesNothing) {
  const QString missing = dir.filePath(QStringLiteral("none.mdb"));
  EXPECT_TRUE(FinishSourceRemovals(missing, databases).isEmpty());
  EXPECT_FALSE(QFile::exists(missing));
  ASSERT_TRUE(SqliteDatabase().Create(Store(), kDatabasePassword));
  SqlConnection(Store()).Execute(QStringLiteral("DROP TABLE SourceRemovals"));
  EXPECT_TRUE(FinishSourceRemovals(Store(), databases).isEmpty());

  WriteFile(missing, QByteArray(4096, 'x'));
  EXPECT_EQ(FinishSourceRemovals(missing, databases).size(), 1);  // told, not thrown
}

}  // namespace
}  // namespace pyxa::storetest
