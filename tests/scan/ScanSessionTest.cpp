// A batch from start to end over a scripted scanner: every page that arrived is in the batch file
// whatever ends the batch, and the ending says what the user needs to know.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "document/TiffPages.h"
#include "platform/Clock.h"
#include "scan/FakeScanner.h"
#include "scan/ScanSession.h"

namespace pyxa {
namespace {

ScannedPage Lineart(int seed) {
  QImage image(200, 100, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  for (int x = 0; x < 200; x += 7 + seed) image.setPixel(x, seed, 1);
  return {image, 200, 200};
}

int PagesIn(const QString& path) {
  TiffPages pages;
  return pages.Open(path).Ok() ? pages.PageCount() : -1;
}

struct Ending {
  const char* name;
  int pagesScanned;
  ScannerSource::Status status;
  QString sourceMessage;
  bool ok;
  QString message;  // what the user reads
};

TEST(ScanSession, EveryPageThatArrivedStaysWhateverEndsTheBatch) {
  const Ending endings[] = {
      {"three pages", 3, ScannerSource::Status::Ok, {}, true, {}},
      {"jam after two", 2, ScannerSource::Status::Jammed, QStringLiteral("The scanner reports a paper jam."), false,
       QStringLiteral("The scanner reports a paper jam.\nThe 2 pages scanned before are kept in the batch.")},
      {"helper died after one", 1, ScannerSource::Status::HelperDied, QStringLiteral("The scanner stopped working."),
       false, QStringLiteral("The scanner stopped working.\nThe page scanned before is kept in the batch.")},
      {"empty feeder", 0, ScannerSource::Status::NoDocuments, {}, false,
       QStringLiteral("There is no paper in the scanner.")},
  };
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.name);
    QTemporaryDir dir;
    ManualClock clock;
    FakeScanner scanner;
    QList<ScannedPage> pages;
    for (int i = 0; i < e.pagesScanned; ++i) pages << Lineart(i);
    scanner.ScriptBatch(pages, e.status, e.sourceMessage);
    ScanSession session(scanner, clock, dir.filePath(QStringLiteral("Available Files")));
    QSignalSpy added(&session, &ScanSession::PageAdded);
    QSignalSpy finished(&session, &ScanSession::Finished);
    ASSERT_TRUE(session.Start(QStringLiteral("test:0"), {}));
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toBool(), e.ok);
    EXPECT_EQ(finished[0][1].toString(), e.message);
    EXPECT_EQ(added.size(), e.pagesScanned);
    const QStringList files = QDir(dir.filePath(QStringLiteral("Available Files"))).entryList(QDir::Files | QDir::Hidden);
    if (e.pagesScanned == 0) {
      EXPECT_TRUE(files.isEmpty()) << files.join(u' ').toStdString();  // no empty batch left behind
      continue;
    }
    EXPECT_EQ(files, QStringList{QStringLiteral("Batch_20260105_090000.tif")});
    EXPECT_EQ(added.last()[0].toString(), session.BatchPath());
    EXPECT_EQ(PagesIn(session.BatchPath()), e.pagesScanned);
  }
}

TEST(ScanSession, TheUsersCancelKeepsThePagesAndSaysNothing) {
  QTemporaryDir dir;
  ManualClock clock;
  FakeScanner scanner;
  scanner.ScriptBatch({Lineart(0), Lineart(1), Lineart(2)});
  scanner.PauseAfter(1);
  ScanSession session(scanner, clock, dir.path());
  QSignalSpy added(&session, &ScanSession::PageAdded);
  QSignalSpy finished(&session, &ScanSession::Finished);
  ASSERT_TRUE(session.Start(QStringLiteral("test:0"), {}));
  ASSERT_TRUE(added.wait(5000));
  session.Cancel();
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_TRUE(finished[0][0].toBool());
  EXPECT_EQ(finished[0][1].toString(), QString());
  EXPECT_EQ(PagesIn(session.BatchPath()), 1);
  // The next batch, a second later, gets its own file.
  clock.AdvanceSeconds(1);
  scanner.PauseAfter(-1);
  ASSERT_TRUE(session.Start(QStringLiteral("test:0"), {}));
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(PagesIn(session.BatchPath()), 3);
  EXPECT_TRUE(session.BatchPath().endsWith(QStringLiteral("_090001.tif")));
}

}  // namespace
}  // namespace pyxa
