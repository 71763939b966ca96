// SaneScanner through the helper on SANE's test and pnm backends: devices, options, the page forms,
// the ways a batch ends, and a helper that dies or hangs.
#include <QImage>
#include <QSet>
#include <csignal>
#include <gtest/gtest.h>

#include "SaneFixture.h"
#include "document/Document.h"
#include "document/TiffPageFiles.h"
#include "platform/Clock.h"
#include "processing/TestPages.h"
#include "scan/ProductionScanner.h"
#include "scan/ScenarioFile.h"
#include "scan/ScenarioImageControl.h"
#include "scan/ScenarioProcessing.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

const ScannerOption* Find(const QList<ScannerOption>& options, const QString& name) {
  for (const auto& o : options)
    if (o.name == name) return &o;
  return nullptr;
}

TEST_F(SaneFixture, ListsTheConfiguredTestDevicesOnly) {
  const DeviceList list = scanner_->Devices();
  ASSERT_TRUE(list.ok()) << list.error.toStdString();
  QStringList names;
  for (const auto& d : list.devices) names << d.name;
  names.sort();
  EXPECT_EQ(names, QStringList({"pnm:0", "pnm:1", "pyxa:stuck", "pyxa:warming", "test:0", "test:1"}));
  EXPECT_EQ(list.devices.at(0).type, "virtual device");
}

TEST_F(SaneFixture, ReadsTheOptionsAWindowNeeds) {
  const OptionList list = scanner_->Options("test:0");
  ASSERT_TRUE(list.ok()) << list.error.toStdString();
  const ScannerOption* mode = Find(list.options, "mode");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->type, ScannerOption::Type::String);
  EXPECT_EQ(mode->constraint, ScannerOption::Constraint::List);
  EXPECT_TRUE(mode->allowed.contains(QVariant("Color")));
  EXPECT_EQ(mode->value.toString(), "Gray");
  const ScannerOption* resolution = Find(list.options, "resolution");
  ASSERT_NE(resolution, nullptr);
  EXPECT_EQ(resolution->unit, ScannerOption::Unit::Dpi);
  EXPECT_EQ(resolution->constraint, ScannerOption::Constraint::Range);
  EXPECT_DOUBLE_EQ(resolution->max, 1200);
  EXPECT_DOUBLE_EQ(resolution->value.toDouble(), 50);
  const ScannerOption* source = Find(list.options, "source");
  ASSERT_NE(source, nullptr);
  EXPECT_TRUE(source->allowed.contains(QVariant("Automatic Document Feeder")));
  const ScannerOption* brx = Find(list.options, "br-x");
  ASSERT_NE(brx, nullptr);
  EXPECT_EQ(brx->unit, ScannerOption::Unit::Millimetre);
  EXPECT_TRUE(brx->settable && brx->active);
}

struct FormCase {
  const char* name;
  const char* mode;
  int depth;
  QImage::Format format;
};
// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FormCase& c, std::ostream* os) { *os << c.name; }

class PageForms : public SaneFixture, public ::testing::WithParamInterface<FormCase> {};

TEST_P(PageForms, AFeederBatchDeliversThreeBlackPagesOfTheRightSizeAndForm) {
  const FormCase& c = GetParam();
  const Batch b = Scan("test:0", Feeder({{"mode", c.mode}, {"depth", c.depth}, {"test-picture", "Solid black"}}), 3);
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  ASSERT_EQ(b.pages.size(), 3);
  for (const ScannedPage& p : b.pages) {
    EXPECT_EQ(p.image.format(), c.format);
    EXPECT_EQ(p.image.width(), 157);  // 80 mm at 50 dpi
    EXPECT_EQ(p.image.height(), 196);  // 100 mm
    EXPECT_EQ(p.xDpi, 50);
    EXPECT_EQ(qGray(p.image.pixel(10, 10)), 0) << "black must stay black";
    EXPECT_EQ(qGray(p.image.pixel(156, 195)), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, PageForms,
                         ::testing::Values(FormCase{"Lineart", "Gray", 1, QImage::Format_Mono},
                                           FormCase{"Grey8", "Gray", 8, QImage::Format_Grayscale8},
                                           FormCase{"Grey16", "Gray", 16, QImage::Format_Grayscale16},
                                           FormCase{"Colour8", "Color", 8, QImage::Format_RGB888},
                                           FormCase{"Colour16", "Color", 16, QImage::Format_RGBX64}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SaneFixture, WhiteLineartStaysWhite) {
  const Batch b = Scan("test:0", {{"depth", 1}, {"test-picture", "Solid white"}});
  ASSERT_EQ(b.pages.size(), 1);  // a flatbed gives one page
  EXPECT_EQ(b.status, Status::Ok);
  EXPECT_EQ(qGray(b.pages.at(0).image.pixel(20, 20)), 255);
}

TEST_F(SaneFixture, TheFeederRunningEmptyEndsTheBatchWell) {
  // SANE's test feeder holds ten sheets.
  const Batch b = Scan("test:0", Feeder());
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  EXPECT_TRUE(b.message.isEmpty());
  EXPECT_EQ(b.pages.size(), 10);
  EXPECT_EQ(b.endings, 1);
}

struct FaultCase {
  const char* name;
  const char* saneStatus;
  Status status;
  const char* words;
};
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class Faults : public SaneFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(Faults, AScannerFaultEndsTheBatchWithItsStatusAndMessage) {
  const FaultCase& c = GetParam();
  const Batch b = Scan("test:0", Feeder({{"read-return-value", c.saneStatus}}));
  EXPECT_EQ(b.status, c.status);
  EXPECT_TRUE(b.message.contains(c.words)) << b.message.toStdString();
  EXPECT_TRUE(b.pages.isEmpty());
  // The helper is ready for the next batch (the test backend keeps its settings between batches).
  const Batch next = Scan("test:0", Feeder({{"read-return-value", "Default"}}), 1);
  EXPECT_EQ(next.status, Status::Ok);
  EXPECT_EQ(next.pages.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, Faults,
    ::testing::Values(FaultCase{"Jam", "SANE_STATUS_JAMMED", Status::Jammed, "paper jam"},
                      FaultCase{"Cover", "SANE_STATUS_COVER_OPEN", Status::CoverOpen, "cover is open"},
                      FaultCase{"Io", "SANE_STATUS_IO_ERROR", Status::IoError, "stopped working while scanning page 1"},
                      FaultCase{"NoDocs", "SANE_STATUS_NO_DOCS", Status::NoDocuments, "no paper"},
                      FaultCase{"Busy", "SANE_STATUS_DEVICE_BUSY", Status::DeviceBusy, "busy"}),
    [](const auto& p) { return std::string(p.param.name); });

// Some backends deadlock while they are cancelled; the batch still ends with the device's own fault,
// not the long silence time-out, and a fresh helper serves the next batch.
TEST_F(SaneFixture, ADeviceThatNeverGivesItselfBackStillEndsTheBatchWithItsFault) {
  const Batch b = Scan("pyxa:stuck", {});
  EXPECT_EQ(b.status, Status::Jammed) << b.message.toStdString();
  EXPECT_EQ(b.endings, 1);
  EXPECT_EQ(Scan("test:0", {}).status, Status::Ok);
}

// The production scanner keeps its device reserved between batches: options and batches use the open
// device, and a helper that ends takes the reservation along.
TEST_F(SaneFixture, AReservedDeviceServesItsBatchesUntilReleased) {
  ASSERT_TRUE(scanner_->Reserve("test:0").ok());
  EXPECT_EQ(scanner_->ReservedDevice(), "test:0");
  EXPECT_TRUE(scanner_->Options("test:0").ok());
  for (const char* device : {"test:0", "test:1", "test:0"}) EXPECT_EQ(Scan(device, Feeder(), 1).status, Status::Ok);
  EXPECT_EQ(scanner_->ReservedDevice(), "test:0");
  ASSERT_TRUE(scanner_->Reserve("test:1").ok());  // the first is given back
  EXPECT_EQ(Scan("test:0", {}).status, Status::Ok);
  scanner_->Release();
  EXPECT_EQ(scanner_->ReservedDevice(), "");

  ASSERT_TRUE(scanner_->Reserve("test:0").ok());
  const qint64 helper = scanner_->HelperProcessId();
  ASSERT_EQ(::kill(pid_t(helper), SIGKILL), 0);
  QTRY_COMPARE_WITH_TIMEOUT(scanner_->ReservedDevice(), QString(), 10000);
  EXPECT_EQ(Scan("test:0", {}).status, Status::Ok);
}

TEST_F(SaneFixture, ADeviceWarmingUpSaysSoUntilItIsReady) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const ScannerSource::Reservation r = scanner_->Reserve("pyxa:warming");
    EXPECT_EQ(r.status, Status::WarmingUp);
    EXPECT_TRUE(r.message.contains("warming up")) << r.message.toStdString();
  }
  ASSERT_TRUE(scanner_->Reserve("pyxa:warming").ok());
  const Batch b = Scan("pyxa:warming", {});
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  EXPECT_EQ(b.pages.size(), 1);
}

// The production kind end to end on SANE: a page image with bar codes, scanned through the pnm backend,
// goes through the scenario's processing, and its bar codes land in the batch file and read back.
TEST_F(SaneFixture, BarCodesOfAProductionScanLandInTheBatchFile) {
  QImage page = test::BlankPage(200);
  const std::vector<test::DrawnCode> drawn = test::DrawBarCodes(page, 200);
  ASSERT_TRUE(page.save(Path("codes.pgm"), "PGM"));
  const QString folder = dir_.path() + QLatin1Char('/');
  ASSERT_EQ(WriteScenarioFile(ScenarioFilePath(folder, "Pyxa"),
                              {{"Pyxa - Scan Settings", {{"filename", Path("codes.pgm")}}},
                               {"Pyxa - Image Processing", {{"BarCodes", "1"}}}}),
            0);
  ScenarioProcessing processing;
  ProductionScanner control(*scanner_, &processing, "File Import");
  ScenarioImageControl scenario;
  ManualClock clock;
  cDocument doc(folder, clock);
  doc.SetProgramFolder(folder);
  doc.SetScanCtrl(&control);
  doc.SetImageCtrl(&scenario);
  QString name = "pnm:0";
  std::int32_t result = -1;
  doc.Scan(true, name, "Pyxa", true, false, result);
  ASSERT_EQ(result, 0) << doc.LastErrorMsg().toStdString();

  cPages read;
  ASSERT_EQ(LoadTIFFFile(doc.ScannedBatchFile(), read, dir_.path(), TiffStamp{}), 0);
  ASSERT_EQ(read.Count(), 1);
  QSet<QString> found, expected;
  for (const auto& code : read.Item(1)->BarCodes()) found << QString::number(code->BarCodeType) + ':' + code->Value;
  for (const test::DrawnCode& code : drawn) expected << QString::number(code.type) + ':' + code.value;
  EXPECT_EQ(found, expected);
}

// Slow pages: the test backend hands over 1000 bytes at a time with a pause after each.
QList<OptionSetting> Slow(int pauseUs) {
  return Feeder({{"read-limit", true}, {"read-limit-size", 1000}, {"read-delay", true}, {"read-delay-duration", pauseUs}});
}

TEST_F(SaneFixture, CancelDuringAPageEndsCancelledAndDeliversNoMore) {
  bool cancelled = false;
  auto c = QObject::connect(scanner_.get(), &ScannerSource::Progress, [&](int page, double fraction) {
    if (page == 2 && fraction > 0 && !cancelled) {
      cancelled = true;
      scanner_->Cancel();
    }
  });
  const Batch b = Scan("test:0", Slow(20000));
  QObject::disconnect(c);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(b.status, Status::Cancelled);
  EXPECT_EQ(b.pages.size(), 1);
  EXPECT_TRUE(b.message.contains("page scanned before is kept")) << b.message.toStdString();
  EXPECT_EQ(b.endings, 1);
  EXPECT_EQ(Scan("test:0", {}).status, Status::Ok);
}

TEST_F(SaneFixture, AHandScannerPageOfUnknownLengthIsReadToItsEnd) {
  bool unknown = false;
  auto c = QObject::connect(scanner_.get(), &ScannerSource::Progress, [&](int, double f) { unknown |= f < 0; });
  const Batch b = Scan("test:0", {{"hand-scanner", true}});
  QObject::disconnect(c);
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  ASSERT_EQ(b.pages.size(), 1);
  EXPECT_TRUE(unknown);
  EXPECT_EQ(b.pages.at(0).image.width(), 216);  // a hand scanner is 11 cm wide
  EXPECT_GT(b.pages.at(0).image.height(), 0);
}

TEST_F(SaneFixture, ThePnmBackendScansTheImageItIsGiven) {
  QImage picture(40, 30, QImage::Format_RGB888);
  picture.fill(Qt::white);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 20; ++x) picture.setPixelColor(x, y, QColor(200, 10, 30));
  picture.setPixelColor(39, 29, QColor(0, 0, 255));
  ASSERT_TRUE(picture.save(Path("page.ppm"), "PPM"));
  const Batch b = Scan("pnm:0", {{"filename", Path("page.ppm")}});
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  ASSERT_EQ(b.pages.size(), 1);
  const QImage& got = b.pages.at(0).image;
  ASSERT_EQ(got.size(), picture.size());
  EXPECT_EQ(got.pixelColor(5, 5), QColor(200, 10, 30));
  EXPECT_EQ(got.pixelColor(25, 5), QColor(255, 255, 255));
  EXPECT_EQ(got.pixelColor(39, 29), QColor(0, 0, 255));
}

TEST_F(SaneFixture, AKilledHelperEndsTheBatchKeepsEarlierPagesAndIsStartedAgain) {
  bool killed = false;
  auto c = QObject::connect(scanner_.get(), &ScannerSource::Progress, [&](int page, double fraction) {
    if (page == 2 && fraction > 0 && !killed) {
      killed = true;
      ::kill(pid_t(scanner_->HelperProcessId()), SIGKILL);
    }
  });
  const Batch b = Scan("test:0", Slow(10000));
  QObject::disconnect(c);
  ASSERT_TRUE(killed);
  EXPECT_EQ(b.status, Status::HelperDied);
  // Bytes already on their way may still complete a page; the message names the page that was lost.
  ASSERT_GE(b.pages.size(), 1);
  EXPECT_LT(b.pages.size(), 10);
  EXPECT_TRUE(b.message.contains(QString("page %1").arg(b.pages.size() + 1))) << b.message.toStdString();
  EXPECT_TRUE(b.message.contains("kept")) << b.message.toStdString();
  EXPECT_TRUE(scanner_->Devices().ok());
}

TEST_F(SaneFixture, AHelperThatStopsAnsweringIsEndedAfterTheSilenceTimeOut) {
  scanner_->SetTimeouts({30000, 500, 10000});
  bool stopped = false;
  auto c = QObject::connect(scanner_.get(), &ScannerSource::PageScanned, [&](const ScannedPage&) {
    if (!stopped) {
      stopped = true;
      ::kill(pid_t(scanner_->HelperProcessId()), SIGSTOP);  // a backend stuck in a read looks the same
    }
  });
  const Batch b = Scan("test:0", Feeder());
  QObject::disconnect(c);
  EXPECT_EQ(b.status, Status::HelperDied);
  EXPECT_GE(b.pages.size(), 1);
  EXPECT_TRUE(b.message.contains("stopped answering")) << b.message.toStdString();
  EXPECT_EQ(Scan("test:0", {}).status, Status::Ok);
}

TEST_F(SaneFixture, ADeviceThatIsNotThereIsReportedAsGone) {
  const OptionList options = scanner_->Options("test:7");
  EXPECT_FALSE(options.ok());
  EXPECT_TRUE(options.error.contains("not available")) << options.error.toStdString();
  const Batch b = Scan("nosuch:0", {});
  EXPECT_EQ(b.status, Status::DeviceVanished);
  EXPECT_TRUE(b.message.contains("nosuch:0"));
}

TEST_F(SaneFixture, ARefusedSettingStopsTheBatchBeforeScanning) {
  const Batch b = Scan("test:0", {{"mode", "Infrared"}});
  EXPECT_EQ(b.status, Status::Failed);
  EXPECT_TRUE(b.message.contains("\"mode\"")) << b.message.toStdString();
  EXPECT_TRUE(b.pages.isEmpty());
  const Batch unknown = Scan("test:0", {{"no-such-option", 1}});
  EXPECT_EQ(unknown.status, Status::Failed);
}

TEST_F(SaneFixture, AMissingHelperEndsTheBatchWithAMessage) {
  SaneScanner missing(Path("no-helper-here"));
  QSignalSpy ended(&missing, &ScannerSource::BatchEnded);
  ASSERT_TRUE(missing.StartBatch("test:0", {}));
  ASSERT_TRUE(ended.wait(10000));
  EXPECT_EQ(ended.at(0).at(0).value<Status>(), Status::Failed);
  EXPECT_FALSE(missing.Devices().ok());
}

}  // namespace
}  // namespace pyxa
