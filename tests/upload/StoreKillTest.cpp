// Crash safety of storing: a store of a batch from two source files (a TIFF shared out among
// three documents with one page left, and a PDF kept whole) killed (SIGKILL) at each of its steps,
// then the program's start: the recorded removals are finished, and every page is in exactly one
// place, its source file or one stored document; nothing is half-written, and a second start
// takes nothing more.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QMap>
#include <cstring>

#include "StoreFixture.h"
#include "upload/DocumentStorer.h"
#include "upload/SourceRemovals.h"
#include "upload/StoredDocuments.h"

namespace pyxa::storetest {
namespace {

const QByteArray kPdf("%PDF-1.4 consult note");

struct KillPoint {
  const char* step;
  int reached;  // how many times the step is passed before the kill
};

void PrintTo(const KillPoint& point, std::ostream* out) { *out << point.step << " #" << point.reached; }

class StoreKillTest : public StoreWorld, public ::testing::WithParamInterface<KillPoint> {
 protected:
  void SetUp() override {
    StoreWorld::SetUp();
    source = Tiff(6);
    pdf = WholeFile(QStringLiteral("Consult.pdf"), kPdf);
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
      Documents documents;
      for (const auto& [file, pages] :
           {std::pair<QString, std::vector<int>>{source, {1, 2}}, {source, {3}}, {source, {5, 6}}, {pdf, {1}}}) {
        documents.Add(Indexed(file, pages));
      }
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

  QString source, pdf;
};

TEST_P(StoreKillTest, EveryPageEndsInExactlyOnePlace) {
  StoreAndKill(GetParam());

  // The next start: the recorded removals are finished, then the stored documents not yet queued
  // come back; no copy is left lying about.
  EXPECT_TRUE(FinishSourceRemovals(Store(), databases).isEmpty());
  const Documents reloaded = LoadStoredDocuments(Store(), databases, session, settings.UploadsFolder);
  EXPECT_TRUE(Leftovers().isEmpty());

  // Where each page is: the TIFF's pages by their marks, the PDF as one page 0.
  QMap<int, int> places;
  for (int page : QFile::exists(source) ? OriginalPages(source) : std::vector<int>{}) ++places[page];
  if (QFile::exists(pdf)) ++places[0];
  for (const Document& document : reloaded) {
    for (int page : document.FileData == kPdf ? std::vector<int>{0} : StoredPages(document)) ++places[page];
  }
  const QMap<int, int> once{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}};
  EXPECT_EQ(places, once);

  // Every stored row is whole (its file data and its audit row), and nothing is owed any more.
  EXPECT_EQ(Rows(QStringLiteral("Documents d WHERE length(d.FileData) = 0 OR NOT EXISTS"
                                " (SELECT 1 FROM AuditLog a WHERE a.DocumentID = d.DocumentID)")),
            0);
  EXPECT_EQ(Rows(QStringLiteral("SourceRemovals")), 0);

  // A second start takes nothing, not even a file of the same name and bytes put back since.
  if (!QFile::exists(pdf)) WholeFile(QStringLiteral("Consult.pdf"), kPdf);
  const QByteArray before = FileDigest(source);
  EXPECT_TRUE(FinishSourceRemovals(Store(), databases).isEmpty());
  EXPECT_TRUE(QFile::exists(pdf));
  EXPECT_EQ(FileDigest(source), before);
}

// The TIFF's documents come first: its third insert is the last before its rewrite, the fourth
// insert is the PDF's before it is deleted, and each "source saved" is before its rows are cleared.
INSTANTIATE_TEST_SUITE_P(EachStep, StoreKillTest,
                         ::testing::Values(KillPoint{"pages written", 1}, KillPoint{"pages written", 3},
                                           KillPoint{"document inserted", 1}, KillPoint{"document inserted", 3},
                                           KillPoint{"document inserted", 4}, KillPoint{"source saved", 1},
                                           KillPoint{"source saved", 2}));

}  // namespace
}  // namespace pyxa::storetest
