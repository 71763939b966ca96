// Crash safety of storing: a store of a three-document batch killed (SIGKILL) at each of its
// steps, then the program's start: every page of the batch is still in the source file or in a
// stored document, nothing is half-written, and storing again finishes the work.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "common/TestTiff.h"
#include "components/SqliteDatabase.h"
#include "platform/Sql.h"
#include "shell/FakeService.h"
#include "upload/DocumentStorer.h"
#include "upload/StoredDocuments.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pyxa {
namespace {

using testing::OriginalPages;
using testing::WriteMarkedTiff;

struct KillPoint {
  const char* step;
  int reached;  // how many times the step is passed before the kill
};

class StoreKillTest : public ::testing::TestWithParam<KillPoint> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.AvailableFolder = dir.filePath(QStringLiteral("Available Files")) + QLatin1Char('/');
    settings.UploadsFolder = dir.filePath(QStringLiteral("Uploads")) + QLatin1Char('/');
    QDir().mkpath(settings.AvailableFolder);
    QDir().mkpath(settings.UploadsFolder);
    session.Replace(std::make_unique<testing::FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("file:///clinic"));
    source = settings.AvailableFolder + QStringLiteral("batch.tif");
    ASSERT_TRUE(WriteMarkedTiff(source, 5));
  }
  Documents Batch() {
    Documents documents;
    for (const auto& pages : {std::vector<int>{1, 2}, std::vector<int>{3}, std::vector<int>{4, 5}}) {
      Document document;
      document.PatientID = 1001;
      document.CategoryID = 1;
      document.SourceFile = source;
      for (int page : pages) document.Pages.Add(Page{page, {}});
      documents.Add(document);
    }
    return documents;
  }
  // Stores the batch in a child that stops at the kill point and is killed there.
  void StoreAndKill(const KillPoint& point) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    if (child == 0) {
      close(fds[0]);
      DocumentStorer storer(settings, databases, session, clock);
      int passed = 0;
      storer.checkpoint = [&](const char* step) {
        if (std::strcmp(step, point.step) == 0 && ++passed == point.reached) {
          const char mark = 'S';
          if (write(fds[1], &mark, 1) != 1) _exit(90);
          raise(SIGSTOP);
        }
      };
      Documents documents = Batch();
      QString message;
      storer.SaveIndexedDocuments(documents, message);
      _exit(0);
    }
    close(fds[1]);
    char mark = 0;
    const bool stopped = read(fds[0], &mark, 1) == 1;
    close(fds[0]);
    ASSERT_TRUE(stopped) << point.step;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
  }
  QString Store() const { return settings.UploadsFolder + QStringLiteral("documents.mdb"); }

  QTemporaryDir dir;
  AppSettings settings;
  SqliteDatabaseFactory databases;
  testing::FakeServiceLog log;
  Session session;
  ManualClock clock;
  QString source;
};

TEST_P(StoreKillTest, EveryPageSurvivesAndTheNextStartIsClean) {
  StoreAndKill(GetParam());

  // The next start: the stored documents not yet queued come back; no copy is left lying about.
  const Documents reloaded = LoadStoredDocuments(Store(), databases, session, settings.UploadsFolder);
  EXPECT_TRUE(QDir(settings.UploadsFolder).entryList({QStringLiteral("zzz*")}, QDir::Files).isEmpty());
  EXPECT_TRUE(QDir(settings.AvailableFolder).entryList({QStringLiteral("zzz*")}, QDir::Files).isEmpty());

  QSet<int> pages;
  for (int page : QFile::exists(source) ? OriginalPages(source) : std::vector<int>{}) pages.insert(page);
  const QString check = dir.filePath(QStringLiteral("check.tif"));
  for (const Document& document : reloaded) {
    QFile file(check);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document.FileData);
    file.close();
    for (int page : OriginalPages(check)) pages.insert(page);
  }
  EXPECT_EQ(pages, (QSet<int>{1, 2, 3, 4, 5})) << GetParam().step << " " << GetParam().reached;

  // Every stored row is whole: a document with its file data and its audit row.
  SqlConnection connection(Store(), SqlConnection::Mode::ReadOnly);
  auto rows = connection.Prepare(QStringLiteral(
      "SELECT COUNT(*) AS n FROM Documents d WHERE length(d.FileData) > 0 AND NOT EXISTS"
      " (SELECT 1 FROM AuditLog a WHERE a.DocumentID = d.DocumentID)"));
  ASSERT_TRUE(rows.Step());
  EXPECT_LE(rows.Int(QStringLiteral("n")), 1);  // a kill between the insert and its audit row
}

INSTANTIATE_TEST_SUITE_P(EachStep, StoreKillTest,
                         ::testing::Values(KillPoint{"pages written", 1}, KillPoint{"document inserted", 1},
                                           KillPoint{"audit written", 1}, KillPoint{"pages written", 3},
                                           KillPoint{"document inserted", 3}, KillPoint{"audit written", 3},
                                           KillPoint{"source saved", 1}));

}  // namespace
}  // namespace pyxa
