// The production scanner kind end to end below the windows: the document object reserves a source of
// the production scan control over a scripted scanner, loads the scenario's scan settings, and scans a
// batch whose pages go through page processing on a worker thread into one batch file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "document/TiffPageFiles.h"
#include "platform/Clock.h"
#include "scan/FakeScanner.h"
#include "scan/ProductionScanner.h"
#include "scan/ScenarioFile.h"
#include "scan/ScenarioImageControl.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

// Marks every page with one bar code and notes the thread it ran on.
class MarkingProcessing final : public PageProcessing {
 public:
  QStringList Configure(const QString& ini, const QString& section) override {
    configured = ini + QLatin1Char('|') + section;
    return {};
  }
  ProcessedScan Process(const ScannedPage& page, int pageInBatch) override {
    if (QThread::currentThread() == mainThread) onMainThread = true;
    ProcessedScan out;
    out.image = page.image;
    out.barCodesRead = true;
    out.barCodes.push_back({1, 5, 6, QStringLiteral("PAGE-%1").arg(pageInBatch)});
    return out;
  }
  QThread* mainThread = QThread::currentThread();
  std::atomic<bool> onMainThread{false};
  QString configured;
};

ScannedPage Page(bool bilevel) {
  QImage image(80, 60, bilevel ? QImage::Format_Mono : QImage::Format_RGB888);
  if (bilevel) image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  return {image, 300, 300};
}

class ProductionScannerTest : public ::testing::Test {
 protected:
  ProductionScannerTest()
      : control(fake, &processing, QStringLiteral("File Import")), doc(dir.path() + QStringLiteral("/"), clock) {
    fake.SetDevices({{{QStringLiteral("test:0"), QStringLiteral("Acme"), QStringLiteral("Feeder 9"), {}}}, {}});
    doc.SetProgramFolder(dir.path() + QStringLiteral("/"));
    doc.SetScanCtrl(&control);
    doc.SetImageCtrl(&scenario);
    doc.SetWaiter([this](int ms) { waits << ms; });
    WriteScenario(QStringLiteral("Lineart"));
  }
  void WriteScenario(const QString& mode) {
    ASSERT_EQ(WriteScenarioFile(ScenarioFilePath(dir.path() + QStringLiteral("/"), QStringLiteral("Pyxa")),
                                {{QStringLiteral("Pyxa - Scan Settings"),
                                  {{QStringLiteral("source"), QStringLiteral("Automatic Document Feeder")},
                                   {QStringLiteral("mode"), mode},
                                   {QStringLiteral("resolution"), QStringLiteral("300")}}},
                                 {QStringLiteral("Pyxa - Image Processing"), {{QStringLiteral("BarCodes"), QStringLiteral("1")}}}}),
              0);
  }
  std::int32_t Scan() {
    QString name = QStringLiteral("test:0");
    std::int32_t result = -1;
    doc.Scan(true, name, QStringLiteral("Pyxa"), true, false, result);
    return result;
  }
  int PagesIn(const QString& file) {
    cPages read;
    return LoadTIFFFile(file, read, dir.path(), TiffStamp{}) == 0 ? read.Count() : -1;
  }

  QTemporaryDir dir;
  ManualClock clock;
  FakeScanner fake;
  MarkingProcessing processing;
  ProductionScanner control;
  ScenarioImageControl scenario;
  cDocument doc;
  QList<int> waits;
};

TEST_F(ProductionScannerTest, ABatchGoesThroughProcessingIntoOneFileWithItsBarCodes) {
  EXPECT_EQ(control.SourceAt(1), QStringLiteral("test:0"));
  EXPECT_EQ(control.SourceAt(2), QString());
  fake.ScriptBatch({Page(true), Page(true), Page(true)}, Status::NoDocuments);
  ASSERT_EQ(Scan(), 0) << doc.LastErrorMsg().toStdString();
  EXPECT_EQ(fake.ReservedDevice(), QStringLiteral("test:0"));
  EXPECT_EQ(fake.LastSettings().size(), 3);
  EXPECT_EQ(fake.LastSettings().at(2).value, QVariant(300));
  EXPECT_FALSE(processing.onMainThread);
  EXPECT_TRUE(processing.configured.endsWith(QStringLiteral("PSPyxa.ini|Pyxa - Image Processing")));

  cPages read;
  ASSERT_EQ(LoadTIFFFile(doc.ScannedBatchFile(), read, dir.path(), TiffStamp{}), 0);
  ASSERT_EQ(read.Count(), 3);
  for (int page = 1; page <= 3; ++page) {
    ASSERT_EQ(read.Item(page)->BarCodes().Count(), 1);
    EXPECT_EQ(read.Item(page)->BarCodes().Item(1)->Value, QStringLiteral("PAGE-%1").arg(page));  // in scan order
    EXPECT_EQ(read.Item(page)->XResolution, 300);
  }

  // A second batch from the source still reserved, in colour this time.
  WriteScenario(QStringLiteral("Color"));
  fake.ScriptBatch({Page(false)}, Status::Ok);
  const int reservations = fake.ReserveCalls();
  ASSERT_EQ(Scan(), 0) << doc.LastErrorMsg().toStdString();
  EXPECT_EQ(fake.ReserveCalls(), reservations);
  EXPECT_EQ(PagesIn(doc.ScannedBatchFile()), 1);
}

TEST_F(ProductionScannerTest, HowTheScannerEndsABatchIsWhatTheDocumentReports) {
  struct EndCase {
    const char* name;
    int pages;
    Status status;
    std::int32_t result;
  };
  const EndCase cases[] = {
      {"paper out at once", 0, Status::NoDocuments, kDocNoPaper},
      {"paper out after two pages", 2, Status::NoDocuments, 0},
      {"a jam after a page", 1, Status::Jammed, kDocScanFailed},
      {"the helper died", 1, Status::HelperDied, kDocScanFailed},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    QList<ScannedPage> pages;
    for (int i = 0; i < c.pages; ++i) pages << Page(true);
    fake.ScriptBatch(pages, c.status, QStringLiteral("words of the scanner"));
    EXPECT_EQ(Scan(), c.result);
    if (c.result == kDocScanFailed) {
      EXPECT_EQ(doc.LastErrorMsg(), QString::number(ControlCodeOf(c.status)) + QStringLiteral("-words of the scanner"));
    }
    EXPECT_EQ(c.pages == 0 ? 0 : PagesIn(doc.ScannedBatchFile()), c.pages);
  }
}

TEST_F(ProductionScannerTest, StoppingKeepsThePagesEndedBefore) {
  fake.ScriptBatch({Page(true), Page(true), Page(true)}, Status::Ok);
  fake.PauseAfter(1);
  QObject::connect(&control, &ProductionScanner::PagesEnded, &control, [this](int pages) {
    if (pages == 1) control.Stop();
  });
  EXPECT_EQ(Scan(), kScanUserStopped);
  EXPECT_EQ(PagesIn(doc.ScannedBatchFile()), 1);
}

TEST_F(ProductionScannerTest, WarmUpAndRefusalComeFromTheScanner) {
  fake.ScriptReservations({{Status::WarmingUp, {}}, {Status::WarmingUp, {}}});
  fake.ScriptBatch({Page(true)}, Status::Ok);
  ASSERT_EQ(Scan(), 0) << doc.LastErrorMsg().toStdString();
  EXPECT_EQ(waits, QList<int>({10000, 10000}));

  control.Unreserve();
  fake.ScriptReservations({{Status::DeviceBusy, QStringLiteral("The scanner test:0 is in use by another program.")}});
  EXPECT_EQ(Scan(), kDocSourceNotReserved);
  EXPECT_EQ(doc.LastErrorMsg(),
            QStringLiteral("The test:0 was not reserved. Reason: 20103 - The scanner test:0 is in use by another program."));
}

}  // namespace
}  // namespace pyxa
