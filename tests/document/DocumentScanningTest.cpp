// The document object's scanning against a scripted scanner control: reserving a source (another one
// given back first, warm-up waits, refusals), the page scenario loaded once, a batch's pages with their
// properties and bar codes joined into one batch file, and how each way a batch ends is reported.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <deque>
#include <functional>

#include "TestTiffs.h"
#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "platform/Clock.h"
#include "shell/MemoryRegistry.h"

namespace pyxa {
namespace {

// One page of a scripted batch, or the error that ends it.
struct ScriptedPage {
  ScannedPageReport report;
  std::int32_t error = 0;  // not 0: the control reports this error instead of a page
};

class ScriptedScanner final : public ScannerControl {
 public:
  // ScanControl
  QString ReservedSource() const override { return reserved; }
  std::int32_t Reserve(const QString& source) override {
    log << QStringLiteral("reserve ") + source;
    const std::int32_t code = reserveAnswers.empty() ? 0 : Take(reserveAnswers);
    if (code == 0 && !refuse) reserved = source;
    return code;
  }
  std::int32_t Unreserve() override {
    log << QStringLiteral("unreserve ") + reserved;
    reserved.clear();
    return 0;
  }
  void SetOutput(bool on) override { output = on; }
  bool Output() const override { return output; }
  void SetOutputType(ScanOutputType t) override { type = t; }
  ScanOutputType OutputType() const override { return type; }
  bool CompressionAvailable(int) const override { return true; }
  std::int32_t SetOutputCompression(int c) override { return compression = c, 0; }
  int OutputCompression() const override { return compression; }
  ImportedPage ImportPage(const QString&, const QString&) override { return {}; }
  // ScannerControl
  QString SourceAt(int index) const override { return index >= 1 && index <= sources.size() ? sources[index - 1] : QString(); }
  QString CurrentSource() const override { return current; }
  void SetCurrentSource(const QString& source) override { current = source; }
  std::int32_t PrepareSource() override {
    log << QStringLiteral("prepare");
    return prepareAnswers.empty() ? 0 : Take(prepareAnswers);
  }
  QString ErrorDescription(std::int32_t code) const override { return QStringLiteral("text of %1").arg(code); }
  std::int32_t LoadScanSettings(const QString& ini, const QString& section) override {
    log << QStringLiteral("load ") + section;
    settingsFile = ini;
    return 0;
  }
  QString ScanSettingsFile() const override { return settingsFile; }
  bool BlackAndWhite() const override { return blackAndWhite; }
  void StartScan(ScanEvents& events) override {
    events.BatchStart();
    for (const ScriptedPage& page : batch) {
      if (stopped) break;
      if (page.error != 0) {
        events.Error(page.error, QStringLiteral("the scanner's words"));
        continue;
      }
      const QString file = events.PageEnd(page.report);
      if (file.isEmpty()) break;
      const bool colour = page.report.pixelCode != 1;
      if (colour) {
        QImage image(40, 30, QImage::Format_RGB888);
        image.fill(QColor(200, 30, 30));
        image.save(file, "JPG");
      } else if (unreadablePages) {
        QFile out(file);
        if (out.open(QIODevice::WriteOnly)) out.write("not an image");
      } else {
        testing::WriteTiff(file, {testing::TestPage{}});
      }
      if (afterPageEnd) afterPageEnd();
      events.PageDone();
    }
    events.BatchEnd();
  }
  void Stop() override { stopped = true; }

  static std::int32_t Take(std::deque<std::int32_t>& answers) {
    const std::int32_t code = answers.front();
    answers.pop_front();
    return code;
  }

  QStringList sources{QStringLiteral("Scanner A"), QStringLiteral("Scanner B")};
  QString reserved, current, settingsFile;
  std::deque<std::int32_t> prepareAnswers, reserveAnswers;
  bool refuse = false;
  bool output = false;
  ScanOutputType type = ScanOutputType::Tiff;
  int compression = 0;
  bool blackAndWhite = true;
  bool stopped = false;
  bool unreadablePages = false;
  std::vector<ScriptedPage> batch;
  std::function<void()> afterPageEnd;
  QStringList log;
};

class RememberedScenario final : public ImageControl {
 public:
  QString ScenarioIniFile() const override { return ini; }
  QString ScenarioSection() const override { return section; }
  void SetScenario(const QString& i, const QString& s) override { ini = i, section = s; }
  QString ini, section;
};

ScannedPageReport BilevelPage(std::vector<ScannedPageReport::BarCode> codes = {}) {
  ScannedPageReport page;
  page.pixelCode = 1;
  page.xResolutionCode = page.yResolutionCode = 32;
  page.compression = 4;
  page.barCodesRead = !codes.empty();
  page.barCodes = std::move(codes);
  return page;
}

class DocumentScanningTest : public ::testing::Test {
 protected:
  DocumentScanningTest() : doc(dir.filePath(QStringLiteral("Available Files/")), clock) {
    QDir(dir.path()).mkpath(QStringLiteral("Available Files"));
    doc.SetProgramFolder(dir.path() + QLatin1Char('/'));
    doc.SetScanCtrl(&scanner);
    doc.SetImageCtrl(&scenario);
    doc.SetRegistry(&registry);
    doc.SetPanels([this](const QString& panel, const QString& text) { panels << panel + QStringLiteral(": ") + text; });
    doc.SetWaiter([this](int ms) { waits << ms; });
    QFile ini(dir.filePath(QStringLiteral("PSPyxa.ini")));
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
  }
  std::int32_t Configure(QString name, bool skipScenario = false, bool forceReload = false) {
    std::int32_t result = -1;
    doc.ConfigureScanner(name, QStringLiteral("Pyxa"), errorText, skipScenario, true, forceReload, result);
    return result;
  }
  std::int32_t Scan(bool append = false) {
    QString name = QStringLiteral("Scanner A");
    std::int32_t result = -1;
    doc.Scan(true, name, QStringLiteral("Pyxa"), false, append, result);
    return result;
  }

  QTemporaryDir dir;
  ManualClock clock;
  ScriptedScanner scanner;
  RememberedScenario scenario;
  MemoryRegistry registry;
  cDocument doc;
  QStringList panels;
  QList<int> waits;
  QString errorText;
};

TEST_F(DocumentScanningTest, ReservingGivesTheOldSourceBackFirstAndWaitsForWarmUp) {
  doc.SetWarmUpSeconds(7);
  scanner.reserved = QStringLiteral("Scanner B");
  scanner.prepareAnswers = {kScanWarmingUp, kScanWarmingUp, kScanWarmingUp, 0};
  ASSERT_EQ(Configure(QStringLiteral("Scanner A"), true), 0) << errorText.toStdString();
  EXPECT_EQ(scanner.log, QStringList({"unreserve Scanner B", "prepare", "prepare", "prepare", "prepare",
                                      "reserve Scanner A"}));
  EXPECT_EQ(waits, QList<int>({7000, 7000, 7000}));
  EXPECT_EQ(panels, QStringList({"Status: Status: Reserving Scanner A", "Status: Status: Unreserving Scanner B",
                                 "Status: Status: Waiting for 7 seconds while the scanner powers up",
                                 "Status: Status: Waiting for 7 seconds while the scanner powers up",
                                 "Status: Status: Waiting for 7 seconds while the scanner powers up",
                                 "Status: Status: Reserving Scanner A", "Scanner: Current Scanner: Scanner A",
                                 "Status: Status: Reserved"}));
  EXPECT_EQ(registry.Value(Hive::Machine, QStringLiteral("Current Device"), QStringLiteral("Software\\Corvantis\\Pyxa")),
            QStringLiteral("Scanner A"));

  // Asked again: already reserved, nothing given back or reserved.
  scanner.log.clear();
  panels.clear();
  waits.clear();
  EXPECT_EQ(Configure(QStringLiteral("scanner a"), true), 0);
  EXPECT_EQ(scanner.log, QStringList());
  EXPECT_TRUE(panels.contains("Status: Status: scanner a is already reserved"));
  EXPECT_EQ(waits, QList<int>({250}));
}

TEST_F(DocumentScanningTest, ARefusedOrEndlessReservationSaysWhyAndLeavesNoSourceSelected) {
  scanner.refuse = true;
  scanner.reserveAnswers = {20103};
  EXPECT_EQ(Configure(QStringLiteral("Scanner A"), true), kDocSourceNotReserved);
  EXPECT_EQ(errorText, QStringLiteral("The Scanner A was not reserved. Reason: 20103 - text of 20103"));
  EXPECT_TRUE(panels.contains("Scanner: Current Scanner: not selected"));
  EXPECT_TRUE(panels.contains("Status: Status: not reserved"));

  // A scanner that never finishes warming up gives up after a bounded number of waits.
  scanner.refuse = false;
  scanner.prepareAnswers = std::deque<std::int32_t>(100, kScanWarmingUp);
  waits.clear();
  EXPECT_EQ(Configure(QStringLiteral("Scanner A"), true), kDocSourceNotReserved);
  EXPECT_EQ(waits.size(), 10);
  EXPECT_TRUE(errorText.contains(QStringLiteral("Reason: 20235"))) << errorText.toStdString();
}

TEST_F(DocumentScanningTest, TheScenarioIsLoadedOnceUnlessForcedAndMustExist) {
  ASSERT_EQ(Configure(QStringLiteral("Scanner A")), 0) << errorText.toStdString();
  EXPECT_EQ(scanner.log.filter(QStringLiteral("load")), QStringList({"load Pyxa - Scan Settings"}));
  EXPECT_EQ(scenario.section, QStringLiteral("Pyxa - Image Processing"));
  EXPECT_TRUE(panels.contains("Status: Status: Loading Pyxa page scenario"));
  EXPECT_TRUE(panels.contains("Status: Status: Ready"));

  panels.clear();
  EXPECT_EQ(Configure(QStringLiteral("Scanner A")), 0);
  EXPECT_TRUE(panels.contains("Status: Status: Pyxa is already loaded"));
  EXPECT_EQ(scanner.log.filter(QStringLiteral("load")).size(), 1);
  EXPECT_EQ(Configure(QStringLiteral("Scanner A"), false, true), 0);
  EXPECT_EQ(scanner.log.filter(QStringLiteral("load")).size(), 2);

  QString name = QStringLiteral("Scanner A");
  std::int32_t result = -1;
  doc.ConfigureScanner(name, QString(), errorText, false, true, false, result);
  EXPECT_EQ(result, kDocNoScenario);
  doc.ConfigureScanner(name, QStringLiteral("Other"), errorText, false, true, false, result);
  EXPECT_EQ(result, kDocNoScenarioFile);
  EXPECT_EQ(errorText, DocumentErrorText(kDocNoScenarioFile));
  name.clear();
  doc.ConfigureScanner(name, QStringLiteral("Pyxa"), errorText, false, true, false, result);
  EXPECT_EQ(result, 0);
}

TEST_F(DocumentScanningTest, ABatchIsJoinedIntoOneFileWithItsPagePropertiesAndBarCodes) {
  ScannedPageReport odd = BilevelPage();
  odd.xResolutionCode = 0;  // a resolution outside the control's table
  odd.xDpi = 250;
  odd.yResolutionCode = 8;
  scanner.batch = {{BilevelPage({{1, 10.4, 20.6, QStringLiteral("  PAT-123  ")}, {4, 1, 2, QStringLiteral("X9")}})},
                   {odd},
                   {{}, kScanNoMorePaper}};
  std::vector<std::tuple<std::int32_t, std::int32_t, std::int32_t, QString>> seen;
  scanner.afterPageEnd = [&] {
    const auto page = doc.Pages()->Item(doc.PageCount());
    seen.emplace_back(page->XResolution, page->YResolution, page->ColourModel, page->PageScenario);
  };
  ASSERT_EQ(Scan(), 0) << doc.LastErrorMsg().toStdString();
  EXPECT_EQ(seen, (decltype(seen){{300, 300, 1, "Pyxa"}, {250, 200, 1, "Pyxa"}}));
  EXPECT_EQ(scanner.type, ScanOutputType::Tiff);
  EXPECT_EQ(scanner.compression, kScanCompressionGroup4);

  const QString batch = doc.ScannedBatchFile();
  ASSERT_FALSE(batch.isEmpty());
  EXPECT_EQ(doc.PageCount(), 0);  // the batch file holds the pages now
  EXPECT_EQ(QDir(dir.filePath(QStringLiteral("Available Files"))).entryList(QDir::Files),
            QStringList{QFileInfo(batch).fileName()});
  cPages read;
  ASSERT_EQ(LoadTIFFFile(batch, read, dir.path(), TiffStamp{}), 0);
  ASSERT_EQ(read.Count(), 2);
  const cBarCodes& codes = read.Item(1)->BarCodes();
  ASSERT_EQ(codes.Count(), 2);
  EXPECT_EQ(codes.Item(1)->Value, QStringLiteral("PAT-123"));
  EXPECT_EQ(codes.Item(1)->BarCodeType, 2);  // Code 39
  EXPECT_EQ(codes.Item(1)->LeftPosition, 10);
  EXPECT_EQ(codes.Item(1)->TopPosition, 21);
  EXPECT_EQ(codes.Item(2)->BarCodeType, 1);  // Code 128
  EXPECT_EQ(read.Item(1)->FileCreator.toString(), ScanSoftwareText());
}

TEST_F(DocumentScanningTest, EachWayABatchEndsGivesItsResult) {
  struct EndCase {
    const char* name;
    std::vector<ScriptedPage> batch;
    std::int32_t result;
    int pagesKept;
    bool stopped;
  };
  const EndCase cases[] = {
      {"paper out after two pages", {{BilevelPage()}, {BilevelPage()}, {{}, kScanNoMorePaper}}, 0, 2, false},
      {"paper out at once", {{{}, kScanNoMorePaper}}, kDocNoPaper, 0, false},
      {"stopped by the scanner after a page", {{BilevelPage()}, {{}, kScanStoppedAfter}}, 0, 1, false},
      {"stopped by the user", {{BilevelPage()}, {{}, kScanUserStopped}}, kScanUserStopped, 1, false},
      {"a jam after a page", {{BilevelPage()}, {{}, 20101}, {BilevelPage()}}, kDocScanFailed, 1, true},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    scanner.batch = c.batch;
    scanner.stopped = false;
    doc.StartNew();
    EXPECT_EQ(Scan(), c.result);
    EXPECT_EQ(scanner.stopped, c.stopped);
    if (c.result == kDocScanFailed) {
      EXPECT_EQ(doc.LastErrorMsg(), QStringLiteral("20101-the scanner's words"));
    }
    cPages read;
    if (c.pagesKept == 0) {
      EXPECT_TRUE(doc.ScannedBatchFile().isEmpty());
    } else {
      ASSERT_EQ(LoadTIFFFile(doc.ScannedBatchFile(), read, dir.path(), TiffStamp{}), 0);
      EXPECT_EQ(read.Count(), c.pagesKept);
    }
  }
}

// Pages that cannot be joined stay as files of their own, and closing the document leaves them there.
TEST_F(DocumentScanningTest, PagesThatCannotBeJoinedStayAsFilesOfTheirOwn) {
  scanner.unreadablePages = true;
  scanner.batch = {{BilevelPage()}, {BilevelPage()}};
  EXPECT_EQ(Scan(), kDocScanFailed);
  EXPECT_TRUE(doc.LastErrorMsg().contains(QStringLiteral("kept as page files"))) << doc.LastErrorMsg().toStdString();
  EXPECT_TRUE(doc.ScannedBatchFile().isEmpty());
  std::int32_t closed = -1;
  doc.CloseFile(closed);
  EXPECT_EQ(QDir(dir.filePath(QStringLiteral("Available Files"))).entryList(QDir::Files).size(), 2);
}

TEST_F(DocumentScanningTest, AppendingNeedsADocumentOfTheSameKind) {
  EXPECT_EQ(Scan(true), kDocNothingToAppendTo);
  auto pages = std::make_shared<cPages>();
  pages->Add(0, 1, 200, 200, 2, 4)->ColourModel = 1;
  doc.SetPages(pages);
  scanner.blackAndWhite = false;
  EXPECT_EQ(Scan(true), kDocColourOntoBilevel);
  pages->Item(1)->ColourModel = 3;
  scanner.blackAndWhite = true;
  EXPECT_EQ(Scan(true), kDocBilevelOntoColour);
  EXPECT_EQ(doc.LastError(), kDocBilevelOntoColour);
  QString name = QStringLiteral("Scanner A");
  std::int32_t result = -1;
  doc.Scan(true, name, QStringLiteral("Pyxa"), false, true, result, 2);  // only one page to insert before
  EXPECT_EQ(result, kDocInsertBeyondEnd);
  EXPECT_EQ(doc.ScanMode(), -1);
}

}  // namespace
}  // namespace pyxa
