#include "print/CupsPrinterPort.h"
#include "print/CupsScheduler.h"

#include "common/TestTiff.h"
#include "document/ImageDocument.h"
#include "platform/ScriptedPrompter.h"
#include "print/ImagePageSource.h"
#include "print/PrintedSheets.h"
#include "print/WindowDriving.h"
#include "print/ui/frmPrintIm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <thread>

namespace pyxa::test {
namespace {

using ::testing::Contains;

class CupsPrinterPortTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scheduler_ = new CupsScheduler;
    QString error;
    if (!scheduler_->Start(&error) || !scheduler_->AddQueue(QStringLiteral("Office"), true, &error) ||
        !scheduler_->AddQueue(QStringLiteral("Plain"), false, &error))
      startError_ = error;
    else if (!scheduler_->SetDefault(QStringLiteral("Office")) || !scheduler_->SetShared(QStringLiteral("Office"), true) ||
             !scheduler_->SetShared(QStringLiteral("Plain"), false))
      startError_ = QStringLiteral("Cannot set up the queues");
  }
  static void TearDownTestSuite() {
    delete scheduler_;
    scheduler_ = nullptr;
  }
  void SetUp() override {
    if (startError_ == QLatin1String("cupsd is not installed")) GTEST_SKIP() << "cupsd is not installed";
    ASSERT_TRUE(startError_.isEmpty()) << startError_.toStdString();
  }

  static CupsPrinterPort Port() { return CupsPrinterPort(scheduler_->Server()); }

  static QString MakePdf(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("doc.pdf"));
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    QPainter painter(&writer);
    painter.drawText(100, 100, QStringLiteral("Page one"));
    writer.newPage();
    painter.drawText(100, 100, QStringLiteral("Page two"));
    painter.end();
    return path;
  }

  static QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  static inline CupsScheduler* scheduler_ = nullptr;
  static inline QString startError_;
};

TEST_F(CupsPrinterPortTest, ListsTheQueuesAndTheDefault) {
  CupsPrinterPort port = Port();
  const std::vector<QString> names = port.PrinterNames();
  EXPECT_THAT(names, Contains(QStringLiteral("Office")));
  EXPECT_THAT(names, Contains(QStringLiteral("Plain")));
  EXPECT_EQ(port.DefaultPrinter(), QStringLiteral("Office"));
}

TEST_F(CupsPrinterPortTest, DetailsNameDriverDeviceAndShare) {
  struct Case {
    QString printer;
    QString share;
  };
  for (const Case& c : {Case{QStringLiteral("Office"), QStringLiteral("Office")}, Case{QStringLiteral("Plain"), {}}}) {
    SCOPED_TRACE(c.printer.toStdString());
    PrinterDetails details;
    ASSERT_TRUE(Port().Details(c.printer, &details));
    EXPECT_EQ(details.server, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(details.driver, QStringLiteral("Pyxa Test Printer"));
    EXPECT_EQ(details.port, QStringLiteral("file://") + scheduler_->OutputPath(c.printer));
    EXPECT_EQ(details.share, c.share);
  }
  PrinterDetails details;
  EXPECT_FALSE(Port().Details(QStringLiteral("Missing"), &details));
}

TEST_F(CupsPrinterPortTest, CapabilitiesComeFromThePpd) {
  const QMarginsF margins(6.35, 12.7, 6.35, 6.35);  // ImageableArea 18 18 w-18 h-36 points
  struct Case {
    QString printer;
    bool duplex;
    std::array<JobOption, 3> duplexOptions;
  };
  const Case cases[] = {
      {QStringLiteral("Office"),
       true,
       {JobOption{QStringLiteral("Duplex"), QStringLiteral("None")},
        JobOption{QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")},
        JobOption{QStringLiteral("Duplex"), QStringLiteral("DuplexTumble")}}},
      {QStringLiteral("Plain"), false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printer.toStdString());
    PrinterCapabilities caps;
    ASSERT_TRUE(Port().Capabilities(c.printer, &caps));
    ASSERT_EQ(caps.paperSizes.size(), 2u);
    const PaperSize& letter = caps.paperSizes[0];
    EXPECT_EQ(letter.code, 1);
    EXPECT_EQ(letter.name, QStringLiteral("Letter, 8 1/2 x 11 in. "));
    EXPECT_EQ(letter.option, (JobOption{QStringLiteral("PageSize"), QStringLiteral("Letter")}));
    EXPECT_NEAR(letter.sizeMm.width(), 215.9, 0.1);
    EXPECT_NEAR(letter.sizeMm.height(), 279.4, 0.1);
    const PaperSize& a4 = caps.paperSizes[1];
    EXPECT_EQ(a4.code, 9);
    EXPECT_EQ(a4.name, QStringLiteral("A4, 210 x 297 mm "));
    EXPECT_EQ(a4.option, (JobOption{QStringLiteral("PageSize"), QStringLiteral("A4")}));
    for (const PaperSize& size : caps.paperSizes) {
      EXPECT_NEAR(size.marginsMm.left(), margins.left(), 0.05);
      EXPECT_NEAR(size.marginsMm.top(), margins.top(), 0.05);
      EXPECT_NEAR(size.marginsMm.right(), margins.right(), 0.05);
      EXPECT_NEAR(size.marginsMm.bottom(), margins.bottom(), 0.05);
    }
    ASSERT_EQ(caps.paperSources.size(), 2u);
    EXPECT_EQ(caps.paperSources[0].bin, 1);
    EXPECT_EQ(caps.paperSources[0].name, QStringLiteral("Tray 1"));
    EXPECT_EQ(caps.paperSources[1].bin, 2);
    EXPECT_EQ(caps.paperSources[1].option, (JobOption{QStringLiteral("InputSlot"), QStringLiteral("Tray2")}));
    EXPECT_EQ(caps.duplex, c.duplex);
    EXPECT_EQ(caps.duplexOptions, c.duplexOptions);
    EXPECT_EQ(caps.resolution, 300);
  }
  PrinterCapabilities caps;
  EXPECT_FALSE(Port().Capabilities(QStringLiteral("Missing"), &caps));
}

TEST_F(CupsPrinterPortTest, PaperSizesAreCodedBySizeWithTheDefaultFirst) {
  QString error;
  ASSERT_TRUE(scheduler_->AddQueueFromPpd(QStringLiteral("Sizes"), QStringLiteral(PYXA_PRINT_TEST_DATA "/PyxaSizes.ppd"),
                                          &error))
      << error.toStdString();
  struct Expected {
    int code;
    const char* name;
    const char* keyword;
    double widthMm, heightMm;
  };
  // A second A4 gets a code of its own, so that the code still names one choice.
  const Expected expected[] = {
      {9, "A4, 210 x 297 mm ", "A4", 209.9, 297.0},         {1, "Letter, 8 1/2 x 11 in. ", "Letter", 215.9, 279.4},
      {4, "Ledger, 17 x 11 in. ", "Ledger", 279.4, 431.8},  {17, "11 x 17 in. ", "Tabloid", 279.4, 431.8},
      {12, "B4, 250 x 354 mm ", "B4", 250.1, 353.1},        {261, "A4 Borderless", "A4.FB", 209.9, 297.0},
      {262, "Index Card 4x6", "Card", 101.6, 152.4},
  };
  PrinterCapabilities caps;
  ASSERT_TRUE(Port().Capabilities(QStringLiteral("Sizes"), &caps));
  ASSERT_EQ(caps.paperSizes.size(), std::size(expected));
  for (size_t i = 0; i < caps.paperSizes.size(); ++i) {
    const PaperSize& size = caps.paperSizes[i];
    SCOPED_TRACE(expected[i].keyword);
    EXPECT_EQ(size.code, expected[i].code);
    EXPECT_EQ(size.name, QString::fromLatin1(expected[i].name));
    EXPECT_EQ(size.option, (JobOption{QStringLiteral("PageSize"), QString::fromLatin1(expected[i].keyword)}));
    EXPECT_NEAR(size.sizeMm.width(), expected[i].widthMm, 0.2);
    EXPECT_NEAR(size.sizeMm.height(), expected[i].heightMm, 0.2);
  }
  // Ledger stands upright: its wide bottom margin (36 pt) becomes the left one.
  EXPECT_NEAR(caps.paperSizes[2].marginsMm.left(), 12.7, 0.05);
  EXPECT_NEAR(caps.paperSizes[2].marginsMm.top(), 6.35, 0.05);
  EXPECT_EQ(caps.resolution, 600);
  EXPECT_TRUE(caps.paperSources.empty());
  EXPECT_FALSE(caps.duplex);
  EXPECT_EQ(caps.duplexOptions, (std::array<JobOption, 3>{}));
  scheduler_->RemoveQueue(QStringLiteral("Sizes"));
}

TEST_F(CupsPrinterPortTest, AQueueWithoutDriverIsReadFromItsIppAttributes) {
  QString error;
  ASSERT_TRUE(scheduler_->AddQueueFromPpd(QStringLiteral("Raw"), {}, &error)) << error.toStdString();
  PrinterCapabilities caps;
  ASSERT_TRUE(Port().Capabilities(QStringLiteral("Raw"), &caps));
  EXPECT_FALSE(caps.duplex);
  EXPECT_EQ(caps.resolution, 300);
  for (const DriverOption& option : Port().DriverOptions(QStringLiteral("Raw")))
    EXPECT_NE(option.keyword, QStringLiteral("PageSize"));
  scheduler_->RemoveQueue(QStringLiteral("Raw"));
}

TEST_F(CupsPrinterPortTest, DriverOptionsAreThePpdsChoicesWithoutPageRegion) {
  const std::vector<DriverOption> options = Port().DriverOptions(QStringLiteral("Office"));
  const auto find = [&](const char* keyword) -> const DriverOption* {
    for (const DriverOption& option : options)
      if (option.keyword == QLatin1String(keyword)) return &option;
    return nullptr;
  };
  EXPECT_EQ(find("PageRegion"), nullptr);
  ASSERT_NE(find("PageSize"), nullptr);
  EXPECT_EQ(find("PageSize")->defaultChoice, QStringLiteral("Letter"));
  const DriverOption* toner = find("TonerSave");
  ASSERT_NE(toner, nullptr);
  EXPECT_EQ(toner->text, QStringLiteral("Toner Saving"));
  EXPECT_EQ(toner->group, QStringLiteral("General"));
  ASSERT_EQ(toner->choices.size(), 2u);
  EXPECT_EQ(toner->choices[0].keyword, QStringLiteral("False"));
  EXPECT_EQ(toner->choices[0].text, QStringLiteral("Off"));
  EXPECT_EQ(toner->choices[1].keyword, QStringLiteral("True"));
  EXPECT_EQ(toner->choices[1].text, QStringLiteral("On"));
  EXPECT_EQ(toner->defaultChoice, QStringLiteral("False"));
  EXPECT_TRUE(Port().DriverOptions(QStringLiteral("Missing")).empty());
}

// The whole way: the print window on this print service prints pages "3-1,5" of a scanned batch fitted
// to Letter, two-sided from tray 2; the printer receives those sheets in that order, with the choices.
TEST_F(CupsPrinterPortTest, ThePrintWindowPrintsARangeTwoSidedFromTray2) {
  QTemporaryDir dir;
  const QString tiff = dir.filePath(QStringLiteral("batch.tif"));
  ASSERT_TRUE(pyxa::testing::WriteMarkedTiff(tiff, 6));
  ImageDocument document;
  ASSERT_TRUE(document.Load(tiff).Ok());
  ImagePageSource pages(document);
  CupsPrinterPort port = Port();
  PrintState state;
  state.pageCount = 6;
  ScriptedPrompter prompter;
  ScriptedSaver saver;
  frmPrintIm window({state, port, prompter, saver, dir.path()}, pages, QStringLiteral("batch.tif"));
  window.show();
  Click(&window, "optPrintRng");
  QTest::keyClicks(Child<QLineEdit>(&window, "txtRange"), QStringLiteral("3-1,5"));
  Click(&window, "Fit");
  ChooseEntry(Child<QComboBox>(&window, "DuplexCombo"),
              QStringLiteral("Double-sided printing using a horizontal page turn"));
  ChooseEntry(Child<QComboBox>(&window, "PaperSourceCombo"), QStringLiteral("Tray 2"));
  ChooseEntry(Child<QComboBox>(&window, "PrinterPaperSizeCombo"), QStringLiteral("Letter, 8 1/2 x 11 in. "));
  Click(&window, "udCopiesUp");
  Click(&window, "cmdOK");
  ASSERT_EQ(prompter.Count(), 0) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_FALSE(window.isVisible());

  int job = 0;  // the scheduler numbers jobs from 1; this one carries the file's name
  for (int id = 1; id < 100 && !job; ++id)
    if (scheduler_->JobAttributes(id)[QStringLiteral("job-name")] == QLatin1String("batch.tif")) job = id;
  ASSERT_GT(job, 0);
  ASSERT_TRUE(scheduler_->WaitForJob(job, 10000));
  std::map<QString, QString> attributes = scheduler_->JobAttributes(job);
  EXPECT_EQ(attributes[QStringLiteral("InputSlot")], QStringLiteral("Tray2"));
  EXPECT_EQ(attributes[QStringLiteral("Duplex")], QStringLiteral("DuplexNoTumble"));
  EXPECT_EQ(attributes[QStringLiteral("PageSize")], QStringLiteral("Letter"));
  EXPECT_EQ(attributes[QStringLiteral("copies")], QStringLiteral("2"));
  EXPECT_EQ(attributes[QStringLiteral("document-format-supplied")], QStringLiteral("application/pdf"));

  // What came out: four Letter sheets, each showing its page in the printable area (1/4 in. in,
  // 1/2 in. down; a 1 x 0.6 in. page fitted to 8 in. across), and no other page.
  const QString output = scheduler_->OutputPath(QStringLiteral("Office"));
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {output});
  ASSERT_TRUE(info.waitForFinished(10000));
  const QString text = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+4\\n")))) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Page size:\\s+612 x 792 pts")))) << text.toStdString();
  const QRect printed(10, 20, 320, 192);
  const int expected[] = {1, 2, 3, 5};  // a reversed range counts upwards
  for (int sheet = 1; sheet <= 4; ++sheet) {
    const QString prefix = dir.filePath(QStringLiteral("sheet%1").arg(sheet));
    ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kRenderDpi),
                                                             QStringLiteral("-gray"), QStringLiteral("-singlefile"),
                                                             QStringLiteral("-f"), QString::number(sheet),
                                                             QStringLiteral("-l"), QString::number(sheet), output,
                                                             prefix}),
              0);
    const QImage rendered(prefix + QStringLiteral(".pgm"));
    ASSERT_FALSE(rendered.isNull());
    for (int page = 1; page <= 6; ++page) {
      QImage image;
      double dpiX = 0, dpiY = 0;
      ASSERT_TRUE(document.PageImage(page, &image, &dpiX, &dpiY).Ok());
      const double difference = Difference(rendered, printed, image);
      if (page == expected[sheet - 1])
        EXPECT_LT(difference, 3.0) << "sheet " << sheet;
      else
        EXPECT_GT(difference, 3.0) << "sheet " << sheet << " page " << page;
    }
  }
}

TEST_F(CupsPrinterPortTest, AnInstancePrintsWithItsSavedOptionsUnderTheCallersOwn) {
  // Instances live in the lpoptions of the configuration folder libcups reads when a thread first
  // uses it; a thread of our own reads ours.
  QTemporaryDir config;
  QFile lpoptions(config.filePath(QStringLiteral("lpoptions")));
  ASSERT_TRUE(lpoptions.open(QIODevice::WriteOnly));
  lpoptions.write("Dest Office/draft TonerSave=True InputSlot=Tray2\n");
  lpoptions.close();
  QTemporaryDir dir;
  const QString pdf = MakePdf(dir);
  std::vector<QString> names;
  SubmitResult result;
  const QByteArray previous = qgetenv("CUPS_SERVERROOT");
  qputenv("CUPS_SERVERROOT", QFile::encodeName(config.path()));
  std::thread([&] {
    CupsPrinterPort port = Port();
    names = port.PrinterNames();
    result = port.SubmitPdf(QStringLiteral("Office/draft"), pdf, QStringLiteral("Draft"),
                            {{QStringLiteral("InputSlot"), QStringLiteral("Tray1")}});
  }).join();
  if (previous.isNull())
    qunsetenv("CUPS_SERVERROOT");
  else
    qputenv("CUPS_SERVERROOT", previous);

  EXPECT_THAT(names, Contains(QStringLiteral("Office/draft")));
  ASSERT_TRUE(result.ok) << result.error.toStdString();
  ASSERT_TRUE(scheduler_->WaitForJob(result.jobId, 10000));
  std::map<QString, QString> attributes = scheduler_->JobAttributes(result.jobId);
  EXPECT_EQ(attributes[QStringLiteral("TonerSave")], QStringLiteral("true"));  // sent as an IPP boolean
  EXPECT_EQ(attributes[QStringLiteral("InputSlot")], QStringLiteral("Tray1"));
}

TEST_F(CupsPrinterPortTest, RefusedJobsAnswerNotOkWithTheReason) {
  QTemporaryDir dir;
  const QString pdf = MakePdf(dir);
  QString error;
  ASSERT_TRUE(scheduler_->AddQueue(QStringLiteral("Closed"), false, &error)) << error.toStdString();
  ASSERT_TRUE(scheduler_->SetAccepting(QStringLiteral("Closed"), false));
  ASSERT_TRUE(scheduler_->AddQueue(QStringLiteral("Gone"), false, &error)) << error.toStdString();
  ASSERT_TRUE(scheduler_->RemoveQueue(QStringLiteral("Gone")));
  struct Case {
    QString printer;
    QString pdf;
    const char* reason;
  };
  const Case cases[] = {{QStringLiteral("Closed"), pdf, "not accepting"},
                        {QStringLiteral("Gone"), pdf, "does not exist"},
                        {QStringLiteral("Office"), dir.filePath(QStringLiteral("missing.pdf")), "missing.pdf"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.printer.toStdString());
    const SubmitResult result = Port().SubmitPdf(c.printer, c.pdf, QStringLiteral("Refused"), {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.jobId, 0);
    EXPECT_TRUE(result.error.contains(QLatin1String(c.reason))) << result.error.toStdString();
  }
  EXPECT_FALSE(QFile::exists(scheduler_->OutputPath(QStringLiteral("Closed"))));
  scheduler_->RemoveQueue(QStringLiteral("Closed"));
}

TEST_F(CupsPrinterPortTest, AServiceThatIsNotThereAnswersEmpty) {
  // A loopback port bound but never listened on refuses every connection while we hold it.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  CupsPrinterPort port(QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port)));
  EXPECT_TRUE(port.PrinterNames().empty());
  EXPECT_TRUE(port.DefaultPrinter().isEmpty());
  PrinterDetails details;
  EXPECT_FALSE(port.Details(QStringLiteral("Office"), &details));
  PrinterCapabilities caps;
  EXPECT_FALSE(port.Capabilities(QStringLiteral("Office"), &caps));
  EXPECT_TRUE(port.DriverOptions(QStringLiteral("Office")).empty());
  QTemporaryDir dir;
  const SubmitResult result = port.SubmitPdf(QStringLiteral("Office"), MakePdf(dir), QStringLiteral("Nowhere"), {});
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.isEmpty());
  close(fd);
}

}  // namespace
}  // namespace pyxa::test
