#include "print/PrintRoutine.h"

#include "common/TestTiff.h"
#include "document/ImageDocument.h"
#include "print/FakePrinterPort.h"
#include "print/PrintedSheets.h"
#include "print/ImagePageSource.h"

#include <gtest/gtest.h>
#include <poppler-qt6.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cmath>
#include <functional>

namespace pyxa {
namespace {

using test::Difference;
using test::kRenderDpi;
using test::ReadPdf;
using test::ReadPdfFile;

// Notes where and how the job's file lay when it was handed over.
class WatchingPort : public test::FakePrinterPort {
 public:
  QFileInfo handed;
  QFileDevice::Permissions permissions;
  SubmitResult SubmitPdf(const QString& name, const QString& pdfPath, const QString& title,
                         const JobOptions& options) override {
    handed = QFileInfo(pdfPath);
    permissions = QFile::permissions(pdfPath);
    return FakePrinterPort::SubmitPdf(name, pdfPath, title, options);
  }
};

class PrintRoutineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    work_ = dir_.filePath(QStringLiteral("work"));
    ASSERT_TRUE(QDir().mkpath(work_));
    tiff_ = dir_.filePath(QStringLiteral("six.tif"));
    ASSERT_TRUE(testing::WriteMarkedTiff(tiff_, 6));
    ASSERT_TRUE(document_.Load(tiff_).Ok());
    port_.printers = {test::OfficePrinter(), test::PlainPrinter()};
  }

  PrintRequest Request(std::vector<int> pages) const {
    PrintRequest request;
    request.printer = QStringLiteral("Office");
    request.pages = std::move(pages);
    request.paperSize = 1;
    request.workFolder = work_;
    request.title = QStringLiteral("Chart");
    request.colourKind = kColourBlackWhite;
    return request;
  }

  bool WorkFolderEmpty() const {
    return QDir(work_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty();
  }

  // Each sheet's printable area shows the expected page, and no other page as well.
  void ExpectSheets(Poppler::Document& pdf, const std::vector<int>& pages, QSizeF points, const QRect& region) {
    ASSERT_EQ(pdf.numPages(), static_cast<int>(pages.size()));
    for (int sheet = 0; sheet < pdf.numPages(); ++sheet) {
      const std::unique_ptr<Poppler::Page> page = pdf.page(sheet);
      EXPECT_NEAR(page->pageSizeF().width(), points.width(), 0.5);
      EXPECT_NEAR(page->pageSizeF().height(), points.height(), 0.5);
      const QImage rendered = page->renderToImage(kRenderDpi, kRenderDpi);
      std::vector<double> differences;
      for (int original = 1; original <= document_.PageCount(); ++original) {
        QImage image;
        double dpiX = 0, dpiY = 0;
        ASSERT_TRUE(document_.PageImage(original, &image, &dpiX, &dpiY).Ok());
        differences.push_back(Difference(rendered, region, image));
      }
      const double own = differences[size_t(pages[size_t(sheet)] - 1)];
      EXPECT_LT(own, 3.0) << "sheet " << sheet;
      for (size_t other = 0; other < differences.size(); ++other) {
        if (int(other) + 1 != pages[size_t(sheet)]) {
          EXPECT_GT(differences[other], 2 * own + 1) << "sheet " << sheet;
        }
      }
    }
  }

  QTemporaryDir dir_;
  QString work_;
  QString tiff_;
  ImageDocument document_;
  WatchingPort port_;
};

// Letter with the office printer's margins (1/4 in., top 1/2 in.): a 200 x 120 page fitted is 8 x 4.8 in.
const QRect kLetterRegion(10, 20, 320, 192);

TEST_F(PrintRoutineTest, PrintsTheListedPagesInOrderAsOneJob) {
  PrintRequest request = Request({3, 2, 1, 5});
  request.paperSource = 2;
  request.duplexMode = kDuplexLongEdge;
  request.copies = 2;
  request.storedSettings = "TonerSave=True\nInputSlot=Tray1\nPageSize=A4";
  ImagePageSource source(document_);
  std::vector<std::pair<int, int>> told;
  const PrintOutcome outcome = PrintRoutine(port_).Print(request, source, [&](int done, int total) {
    told.emplace_back(done, total);
    return true;
  });
  ASSERT_TRUE(outcome.Ok()) << outcome.code << outcome.detail.toStdString();
  EXPECT_EQ(outcome.pagesDrawn, 4);
  EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
  ASSERT_EQ(port_.jobs.size(), 1u);
  const test::FakeJob& job = port_.jobs.front();
  EXPECT_EQ(job.printer, QStringLiteral("Office"));
  EXPECT_EQ(job.title, QStringLiteral("Chart"));
  const JobOptions expected = {{QStringLiteral("TonerSave"), QStringLiteral("True")},
                               {QStringLiteral("InputSlot"), QStringLiteral("Tray2")},
                               {QStringLiteral("PageSize"), QStringLiteral("Letter")},
                               {QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")},
                               {QStringLiteral("copies"), QStringLiteral("2")},
                               {QStringLiteral("print-color-mode"), QStringLiteral("monochrome")}};
  EXPECT_EQ(job.options, expected);
  // Black and white pages go in at one bit a pixel.
  EXPECT_TRUE(job.pdf.contains("/BitsPerComponent 1"));
  const std::unique_ptr<Poppler::Document> pdf = ReadPdf(job.pdf);
  ASSERT_TRUE(pdf);
  ExpectSheets(*pdf, {3, 2, 1, 5}, QSizeF(612, 792), kLetterRegion);
  EXPECT_EQ(port_.handed.absolutePath(), QFileInfo(work_).absoluteFilePath());
  EXPECT_EQ(port_.permissions & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                 QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                 QFile::ExeOther),
            QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_TRUE(WorkFolderEmpty());
}

struct SheetCase {
  const char* name;
  int mode;
  int scale;
  int page;
  QRect region;  // at 80 dpi; the printable area starts at (20, 40)
  std::function<QImage(const QImage&)> shown, notShown;
};

class SheetTable : public PrintRoutineTest, public ::testing::WithParamInterface<SheetCase> {};

TEST_P(SheetTable, ShowsThePagePlaced) {
  const SheetCase& c = GetParam();
  PrintRequest request = Request({c.page});
  request.mode = c.mode;
  request.scalePercent = c.scale;
  ImagePageSource source(document_);
  ASSERT_TRUE(PrintRoutine(port_).Print(request, source).Ok());
  ASSERT_EQ(port_.jobs.size(), 1u);
  const std::unique_ptr<Poppler::Document> pdf = ReadPdf(port_.jobs[0].pdf);
  ASSERT_TRUE(pdf);
  const QImage sheet = pdf->page(0)->renderToImage(80, 80);
  QImage page;
  double dpiX = 0, dpiY = 0;
  ASSERT_TRUE(document_.PageImage(c.page, &page, &dpiX, &dpiY).Ok());
  const double shown = Difference(sheet, c.region, c.shown(page));
  EXPECT_LT(shown, 3.0);
  EXPECT_GT(Difference(sheet, c.region, c.notShown(page)), 2 * shown + 1);
}

QImage Clockwise(const QImage& page) { return page.transformed(QTransform().rotate(90)); }

INSTANTIATE_TEST_SUITE_P(
    Placed, SheetTable,
    ::testing::Values(
        // 200 x 120 pixels at 200 dpi: 1 x 0.6 in.
        SheetCase{"RealSize", kPrintRealSize, 100, 2, QRect(20, 40, 80, 48), [](const QImage& p) { return p; },
                  Clockwise},
        SheetCase{"AutomaticTurnsClockwise", kPrintAutoOrientation, 100, 1, QRect(20, 40, 48, 80), Clockwise,
                  [](const QImage& p) { return p.transformed(QTransform().rotate(-90)); }},
        // Ten times larger is 10 x 6 in.: the right fifth is cut off, not squeezed in.
        SheetCase{"ScaledIsCut", kPrintScaled, 1000, 6, QRect(20, 40, 640, 480),
                  [](const QImage& p) { return p.copy(0, 0, 160, 120); }, [](const QImage& p) { return p; }}),
    [](const auto& test) { return std::string(test.param.name); });

struct OptionsCase {
  const char* name;
  std::function<void(PrintRequest&)> change;
  std::vector<std::pair<QString, QString>> expected;  // an empty value: the option is absent
};

class JobOptionsTable : public PrintRoutineTest, public ::testing::WithParamInterface<OptionsCase> {};

TEST_P(JobOptionsTable, ChoicesOverStoredSettings) {
  PrintRequest request = Request({1});
  GetParam().change(request);
  ImagePageSource source(document_);
  ASSERT_TRUE(PrintRoutine(port_).Print(request, source).Ok());
  ASSERT_EQ(port_.jobs.size(), 1u);
  for (const auto& [name, value] : GetParam().expected) EXPECT_EQ(port_.jobs[0].Option(name), value) << name.toStdString();
}

const QString kColorModel = QStringLiteral("ColorModel"), kColourMode = QStringLiteral("print-color-mode"),
              kPageSize = QStringLiteral("PageSize"), kSlot = QStringLiteral("InputSlot"),
              kDuplex = QStringLiteral("Duplex");

INSTANTIATE_TEST_SUITE_P(
    Options, JobOptionsTable,
    ::testing::Values(
        OptionsCase{"StoredColourModelWins",
                    [](PrintRequest& r) {
                      r.colourKind = kColourGrey;
                      r.storedSettings = "ColorModel=RGB";
                    },
                    {{kColorModel, "RGB"}, {kColourMode, ""}}},
        OptionsCase{"StoredColourModeWins",
                    [](PrintRequest& r) { r.storedSettings = "print-color-mode=color\r\nbroken line\n"; },
                    {{kColourMode, "color"}}},
        OptionsCase{"GreyIsMonochrome", [](PrintRequest& r) { r.colourKind = kColourGrey; }, {{kColourMode, "monochrome"}}},
        OptionsCase{"ColourStaysColour", [](PrintRequest& r) { r.colourKind = kColourFull; }, {{kColourMode, ""}}},
        OptionsCase{"A4", [](PrintRequest& r) { r.paperSize = 9; }, {{kPageSize, "A4"}}},
        OptionsCase{"UnknownSizeIsTheDefault", [](PrintRequest& r) { r.paperSize = 77; }, {{kPageSize, "Letter"}}},
        OptionsCase{"UnknownSourceAddsNone",
                    [](PrintRequest& r) {
                      r.paperSource = 9;
                      r.storedSettings = "InputSlot=Manual";
                    },
                    {{kSlot, "Manual"}}},
        OptionsCase{"ShortEdge", [](PrintRequest& r) { r.duplexMode = kDuplexShortEdge; }, {{kDuplex, "DuplexTumble"}}},
        OptionsCase{"NoDuplexOnPlainPrinter",
                    [](PrintRequest& r) {
                      r.printer = QStringLiteral("Plain");
                      r.duplexMode = kDuplexLongEdge;
                    },
                    {{kDuplex, ""}}}),
    [](const auto& test) { return std::string(test.param.name); });

struct RefusalCase {
  const char* name;
  std::function<void(PrintRequest&, test::FakePrinterPort&)> change;
  int code;
};

class RefusalTable : public PrintRoutineTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTable, NothingIsHandedOver) {
  PrintRequest request = Request({1, 2});
  GetParam().change(request, port_);
  ImagePageSource source(document_);
  const PrintOutcome outcome = PrintRoutine(port_).Print(request, source);
  EXPECT_EQ(outcome.code, GetParam().code) << outcome.detail.toStdString();
  EXPECT_FALSE(outcome.detail.isEmpty());
  EXPECT_TRUE(port_.jobs.empty());
  EXPECT_TRUE(WorkFolderEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalTable,
    ::testing::Values(
        RefusalCase{"Mode", [](PrintRequest& r, auto&) { r.mode = 4; }, 2038},
        RefusalCase{"ScaleZero", [](PrintRequest& r, auto&) { r.mode = kPrintScaled, r.scalePercent = 0; }, 2049},
        RefusalCase{"ScaleTooLarge", [](PrintRequest& r, auto&) { r.mode = kPrintScaled, r.scalePercent = 6401; }, 2049},
        RefusalCase{"NoPages", [](PrintRequest& r, auto&) { r.pages.clear(); }, 2008},
        RefusalCase{"PagePastTheEnd", [](PrintRequest& r, auto&) { r.pages = {1, 7}; }, 2008},
        RefusalCase{"PageZero", [](PrintRequest& r, auto&) { r.pages = {0}; }, 2008},
        RefusalCase{"NoCopies", [](PrintRequest& r, auto&) { r.copies = 0; }, 2045},
        RefusalCase{"UnknownPrinter", [](PrintRequest& r, auto&) { r.printer = QStringLiteral("Nowhere"); }, 2059},
        RefusalCase{"UnreadablePrinter", [](PrintRequest&, test::FakePrinterPort& p) { p.printers[0].readable = false; },
                    2059},
        RefusalCase{"NotAccepting", [](PrintRequest&, test::FakePrinterPort& p) { p.printers[0].accepting = false; },
                    2011},
        RefusalCase{"NoWorkFolder", [](PrintRequest& r, auto&) { r.workFolder += QStringLiteral("/missing"); }, 2006}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(PrintRoutineTest, APageThatFailsStopsTheJob) {
  // The file loses its later pages after it was loaded; page 1 is still shown.
  const qint64 size = QFileInfo(tiff_).size();
  ASSERT_EQ(::truncate(QFile::encodeName(tiff_).constData(), size / 2), 0);
  const QString target = dir_.filePath(QStringLiteral("chart.pdf"));
  QFile old(target);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("the chart as it was");
  old.close();
  ImagePageSource source(document_);
  for (const QString& printer : {QStringLiteral("Office"), kPrintToPdfName}) {
    PrintRequest request = Request({1, 6, 2});
    request.printer = printer;
    request.pdfTarget = target;
    const PrintOutcome outcome = PrintRoutine(port_).Print(request, source);
    EXPECT_FALSE(outcome.Ok());
    EXPECT_TRUE(outcome.code == 2025 || outcome.code == 2026) << outcome.code;
    EXPECT_TRUE(outcome.detail.startsWith(QStringLiteral("Page 6: "))) << outcome.detail.toStdString();
    EXPECT_EQ(outcome.pagesDrawn, 1);
  }
  EXPECT_TRUE(port_.jobs.empty());
  EXPECT_TRUE(WorkFolderEmpty());
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("the chart as it was"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 2);  // the TIFF and the old target
}

TEST_F(PrintRoutineTest, CancellingSendsNothing) {
  ImagePageSource source(document_);
  PrintRequest toFile = Request({1, 2, 3});
  toFile.printer = kPrintToPdfName;
  toFile.pdfTarget = dir_.filePath(QStringLiteral("never.pdf"));
  for (const PrintRequest& request : {Request({1, 2, 3}), toFile}) {
    const PrintOutcome outcome =
        PrintRoutine(port_).Print(request, source, [](int done, int) { return done < 2; });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.Ok());
    EXPECT_EQ(outcome.pagesDrawn, 2);
  }
  EXPECT_TRUE(port_.jobs.empty());
  EXPECT_TRUE(WorkFolderEmpty());
  EXPECT_FALSE(QFile::exists(toFile.pdfTarget));
}

TEST_F(PrintRoutineTest, PrinterGoneBeforeHandingOver) {
  ImagePageSource source(document_);
  const PrintOutcome outcome = PrintRoutine(port_).Print(Request({1}), source, [&](int, int) {
    port_.printers.clear();
    return true;
  });
  EXPECT_EQ(outcome.code, 2059);
  EXPECT_EQ(outcome.detail, QStringLiteral("The printer or class does not exist."));
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(PrintRoutineTest, PrintToPdfFileWritesCollatedCopies) {
  ImagePageSource source(document_);
  PrintRequest request = Request({4, 1});
  request.printer = kPrintToPdfName;
  request.paperSize = 9;
  request.copies = 2;
  request.pdfTarget = dir_.filePath(QStringLiteral("chart.pdf"));
  port_.printers.clear();  // the file destination asks nothing of the print service
  const PrintOutcome outcome = PrintRoutine(port_).Print(request, source);
  ASSERT_TRUE(outcome.Ok()) << outcome.detail.toStdString();
  EXPECT_EQ(outcome.pagesDrawn, 4);
  EXPECT_TRUE(port_.jobs.empty());
  const std::unique_ptr<Poppler::Document> pdf = ReadPdfFile(request.pdfTarget);
  ASSERT_TRUE(pdf);
  // A4 without margins: 210 mm across at 40 dpi is 330 pixels.
  ExpectSheets(*pdf, {4, 1, 4, 1}, QSizeF(595.3, 841.9), QRect(0, 0, 330, 198));
  EXPECT_TRUE(WorkFolderEmpty());

  request.pdfTarget = dir_.filePath(QStringLiteral("missing/chart.pdf"));
  const PrintOutcome unwritable = PrintRoutine(port_).Print(request, source);
  EXPECT_EQ(unwritable.code, 2011);
  EXPECT_TRUE(unwritable.detail.contains(request.pdfTarget));
}

TEST(JobOptions, EncodeAndDecode) {
  const JobOptions options = {{QStringLiteral("TonerSave"), QStringLiteral("True")},
                              {QStringLiteral("Résumé"), QStringLiteral("a=b")},
                              {QStringLiteral("Empty"), QString()}};
  EXPECT_EQ(DecodeJobOptions(EncodeJobOptions(options)), options);
  // What would not read back as written is left out.
  const JobOptions unsafe = {{QStringLiteral("a=b"), QStringLiteral("c")}, {QStringLiteral("d"), QStringLiteral("e\nf=g")}};
  EXPECT_TRUE(DecodeJobOptions(EncodeJobOptions(unsafe)).empty());
  EXPECT_EQ(DecodeJobOptions("no equals\n=nameless\nB=2\nA=1\nB=3"),
            (JobOptions{{QStringLiteral("B"), QStringLiteral("2")}, {QStringLiteral("A"), QStringLiteral("1")},
                        {QStringLiteral("B"), QStringLiteral("3")}}));
  JobOptions set = {{QStringLiteral("A"), QStringLiteral("1")}, {QStringLiteral("B"), QStringLiteral("2")}};
  SetJobOption(set, QStringLiteral("A"), QStringLiteral("9"));
  SetJobOption(set, QStringLiteral("C"), QStringLiteral("3"));
  EXPECT_EQ(set, (JobOptions{{QStringLiteral("A"), QStringLiteral("9")}, {QStringLiteral("B"), QStringLiteral("2")},
                             {QStringLiteral("C"), QStringLiteral("3")}}));
}

}  // namespace
}  // namespace pyxa
