// The scripted scanner keeps the contract the scanning window relies on: pages in order, one ending.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "scan/FakeScanner.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

ScannedPage Page(int width) {
  QImage image(width, 10, QImage::Format_Grayscale8);
  image.fill(0);
  return {image, 300, 300};
}

TEST(FakeScannerTest, DeliversTheScriptedPagesThenEndsOnce) {
  FakeScanner scanner;
  scanner.ScriptBatch({Page(1), Page(2)}, Status::Jammed, "jam");
  QSignalSpy pages(&scanner, &ScannerSource::PageScanned);
  QSignalSpy ended(&scanner, &ScannerSource::BatchEnded);
  ASSERT_TRUE(scanner.StartBatch("fake:0", {{"mode", "Gray"}}));
  EXPECT_FALSE(scanner.StartBatch("fake:0", {}));  // one batch at a time
  EXPECT_TRUE(pages.isEmpty());                     // nothing arrives before the event loop runs
  ASSERT_TRUE(ended.wait(5000));
  ASSERT_EQ(pages.size(), 2);
  EXPECT_EQ(pages.at(1).at(0).value<ScannedPage>().image.width(), 2);
  EXPECT_EQ(ended.size(), 1);
  EXPECT_EQ(ended.at(0).at(0).value<Status>(), Status::Jammed);
  EXPECT_EQ(scanner.LastSettings().at(0).name, "mode");
  EXPECT_FALSE(scanner.IsScanning());
}

TEST(FakeScannerTest, CancelWhilePausedKeepsEarlierPagesAndEndsCancelled) {
  FakeScanner scanner;
  scanner.ScriptBatch({Page(1), Page(2), Page(3)});
  scanner.PauseAfter(1);
  QSignalSpy pages(&scanner, &ScannerSource::PageScanned);
  QSignalSpy ended(&scanner, &ScannerSource::BatchEnded);
  scanner.StartBatch("fake:0", {});
  ASSERT_TRUE(pages.wait(5000));
  scanner.Cancel();
  ASSERT_TRUE(ended.wait(5000));
  EXPECT_EQ(pages.size(), 1);
  EXPECT_EQ(ended.at(0).at(0).value<Status>(), Status::Cancelled);
}

TEST(FakeScannerTest, PageLimitEndsOk) {
  FakeScanner scanner;
  scanner.ScriptBatch({Page(1), Page(2), Page(3)}, Status::NoDocuments);
  QSignalSpy pages(&scanner, &ScannerSource::PageScanned);
  QSignalSpy ended(&scanner, &ScannerSource::BatchEnded);
  scanner.StartBatch("fake:0", {}, 2);
  ASSERT_TRUE(ended.wait(5000));
  EXPECT_EQ(pages.size(), 2);
  EXPECT_EQ(ended.at(0).at(0).value<Status>(), Status::Ok);
}

}  // namespace
}  // namespace pyxa
