// A batch with cover and separator sheets, the whole way: the pages printed to PDF by our printing,
// rasterised at 300 and 200 dpi, scanned one by one through SANE's pnm device into a batch file,
// shown for indexing, split into proposed documents with their patients checked by the demo clinic,
// confirmed by the clerk and uploaded; the sheets leave the file with the filed pages.
#include "FilingWorld.h"

#include "../print/FakePrinterPort.h"
#include "coversheets/BatchProposals.h"
#include "coversheets/CoverSheetPages.h"
#include "coversheets/PatientSheet.h"
#include "coversheets/SheetFinder.h"
#include "document/TiffPageWriter.h"
#include "document/TiffPages.h"
#include "patients/ui/SearchFieldsBox.h"
#include "print/PrintRoutine.h"
#include "scan/BatchWriter.h"
#include "scan/SaneScanner.h"

#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace pyxa::filing {
namespace {

// The batch's pages: sheets and typed pages, at the printer's resolution.
class BatchPages : public PrintPageSource {
 public:
  void AddSheet(const PatientSheet& sheet) { sheets_.Add(sheet.record, sheet.text), order_.push_back(sheets_.PageCount()); }
  void AddPage() { order_.push_back(-++typed_); }
  int PageCount() const override { return static_cast<int>(order_.size()); }
  int ColourKind(int) const override { return kColourBlackWhite; }
  PrintPage Page(int page, int deviceDpi) override {
    const int entry = order_.at(static_cast<size_t>(page - 1));
    if (entry > 0) return sheets_.Page(entry, deviceDpi);
    QImage image(static_cast<int>(8.5 * 100), 11 * 100, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(40);
    painter.setFont(font);
    for (int line = 0; line < 12; ++line)
      painter.drawText(80, 150 + line * 60, QStringLiteral("Laboratory result %1, line %2 of the report").arg(-entry).arg(line));
    return {image, 100, 100, 0, {}};
  }

 private:
  CoverSheetPages sheets_;
  std::vector<int> order_;  // a sheet's number, or minus a typed page's
  int typed_ = 0;
};

class CoverSheetBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sane_.isValid());
    QFile config(sane_.filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("pnm\n");
  }

  // The patient as the clerk's search shows them, and their sheet.
  PatientSheet SheetOf(FilingWorld& world, int patient, const SheetChoice& category = {}) {
    world.SearchPatient(patient);
    ChosenPatient chosen{world.Window().findChild<SearchFieldsBox*>()->Criteria(),
                         world.Window().findChild<QLineEdit*>(QStringLiteral("txtPatientID"))->text()};
    EXPECT_FALSE(chosen.patientId.isEmpty());
    return SheetForPatient(chosen, false, category);
  }

  // Prints the pages into one PDF, rasterises it and scans each page through the pnm device into
  // the batch file.
  void PrintAndScan(BatchPages& pages, int dpi, const QString& batch) {
    test::FakePrinterPort port;
    PrintRequest request;
    request.printer = kPrintToPdfName;
    request.pdfTarget = sane_.filePath(QStringLiteral("batch.pdf"));
    request.workFolder = sane_.path();
    for (int page = 1; page <= pages.PageCount(); ++page) request.pages.push_back(page);
    ASSERT_TRUE(PrintRoutine(port).Print(request, pages).Ok());
    QProcess raster;
    raster.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-mono"),
                                              request.pdfTarget, sane_.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(raster.waitForFinished(120000));
    ASSERT_EQ(raster.exitCode(), 0);
    QStringList files = QDir(sane_.path()).entryList({QStringLiteral("page*.pbm")}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), pages.PageCount());

    SaneScanner scanner(QStringLiteral(PYXA_SCAN_HELPER));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SANE_CONFIG_DIR"), sane_.path());
    scanner.SetHelperEnvironment(env);
    BatchWriter writer(batch);
    for (const QString& file : files) {
      QList<ScannedPage> scanned;
      QSignalSpy ended(&scanner, &ScannerSource::BatchEnded);
      auto connection = QObject::connect(&scanner, &ScannerSource::PageScanned,
                                         [&](const ScannedPage& page) { scanned.append(page); });
      ASSERT_TRUE(scanner.StartBatch(QStringLiteral("pnm:0"),
                                     {{QStringLiteral("filename"), sane_.filePath(file)},
                                      {QStringLiteral("resolution"), QString::number(dpi)}},
                                     1));
      ASSERT_TRUE(ended.wait(120000));
      QObject::disconnect(connection);
      ASSERT_EQ(scanned.size(), 1) << file.toStdString();
      EXPECT_EQ(scanned.first().xDpi, dpi);
      ASSERT_TRUE(writer.Append(scanned.first()).Ok());
    }
  }

  static void WaitForSheets(frmMain& window) {
    QCoreApplication::processEvents();
    for (int waited = 0; window.ReadingSheets() && waited < 120000; waited += 20) QTest::qWait(20);
    ASSERT_FALSE(window.ReadingSheets());
  }

  static QTreeWidgetItem* ProposalNode(frmMain& window, const QString& caption) {
    const auto found = window.findChild<QTreeWidget*>(QStringLiteral("sstDocuments"))
                           ->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }

  static void Click(frmMain& window, QTreeWidgetItem* node) {
    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("sstDocuments"));
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
  }

  QTemporaryDir sane_;
};

TEST_F(CoverSheetBatch, SplitsIntoTheRightDocumentsWithTheRightPatientsAndFlagsAWrongSheet) {
  for (const int dpi : {300, 200}) {
    SCOPED_TRACE(dpi);
    FilingWorld world;
    frmMain& window = world.Window();
    // The patients as the clerk finds them while indexing another file.
    world.ClickButton("cmdFile");
    world.ClickFileNode(QStringLiteral("alpha.tif"));
    world.ClickButton("cmdIndex");
    auto* categories = window.findChild<QComboBox*>(QStringLiteral("cboCategory"));
    const SheetChoice lab{categories->itemData(categories->findText(QStringLiteral("Lab Report"))).toLongLong(),
                          QStringLiteral("Lab Report")};
    const PatientSheet first = SheetOf(world, 0, lab), second = SheetOf(world, 1), third = SheetOf(world, 2);
    // Printed for the first patient's number under the second patient's name.
    PatientSheet wrong = first;
    wrong.record.name = second.record.name;
    wrong.record.birth = second.record.birth;
    BatchPages pages;
    pages.AddSheet(first);
    for (int i = 0; i < 3; ++i) pages.AddPage();
    pages.AddSheet(second);
    for (int i = 0; i < 2; ++i) pages.AddPage();
    pages.AddSheet({CoverRecord{CoverRecord::Kind::Separator, 0}, {}});
    pages.AddPage();
    pages.AddSheet(wrong);
    pages.AddPage();
    const QString batch = world.Available(QStringLiteral("batch.tif"));
    PrintAndScan(pages, dpi, batch);
    if (HasFatalFailure()) return;

    world.ClickButton("cmdFile");
    world.ClickFileNode(QStringLiteral("batch.tif"));
    world.ClickButton("cmdIndex");
    WaitForSheets(window);
    const BatchProposals& proposals = window.Proposals();
    ASSERT_EQ(proposals.Count(), 4) << world.Prompts().all.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(proposals.Item(0).split.pages, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(proposals.Item(0).patient.patientId.toLongLong(), world.PatientId(0));
    EXPECT_EQ(proposals.Item(1).split.pages, (std::vector<int>{6, 7}));
    EXPECT_EQ(proposals.Item(1).patient.patientId.toLongLong(), world.PatientId(1));
    EXPECT_EQ(proposals.Item(2).state, Proposal::Patient::None);
    EXPECT_EQ(proposals.Item(3).state, Proposal::Patient::Flagged);
    EXPECT_TRUE(proposals.Item(3).warning.contains(QStringLiteral("names ") + second.record.name));
    // Nothing is a document until confirmed.
    EXPECT_EQ(window.IndexedDocuments()->Count(), 0);

    // Another program adds a page behind the clerk's back: nothing is confirmed on the old numbering.
    {
      const QString page = sane_.filePath(QStringLiteral("extra.tif"));
      BatchWriter more(page);
      QImage extra(850, 1100, QImage::Format_Grayscale8);
      extra.fill(Qt::white);
      ASSERT_TRUE(more.Append({extra, 100, 100}).Ok());
      ASSERT_TRUE(AppendTiffPagesInPlace(batch, page).Ok());
    }
    world.ClickButton("cmdConfirmAll");
    EXPECT_EQ(window.IndexedDocuments()->Count(), 0);
    EXPECT_TRUE(world.Prompts().all.last().contains(QStringLiteral("changed after its cover sheets were read")));
    WaitForSheets(window);
    ASSERT_EQ(proposals.Count(), 4) << world.Prompts().all.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(proposals.Item(3).split.pages, (std::vector<int>{11, 12}));
    // Confirm All files the two the clinic confirmed, each as its sheet says.
    world.ClickButton("cmdConfirmAll");
    ASSERT_EQ(window.IndexedDocuments()->Count(), 2);
    EXPECT_EQ(window.IndexedDocuments()->Item(1).CategoryID, lab.id);
    EXPECT_TRUE(world.Prompts().all.contains(QStringLiteral(
        "2 proposed document(s) confirmed. 2 proposed document(s) wait for you to choose the patient: select each in "
        "the indexed tree, choose the patient and confirm it.")));
    // The separator's document gets the patient the clerk chooses; the wrong sheet's stays a proposal.
    ASSERT_EQ(proposals.Count(), 2);
    Click(window, ProposalNode(window, QStringLiteral("Proposed: no patient yet")));
    world.SearchPatient(2);
    world.ClickButton("cmdConfirm");
    ASSERT_EQ(window.IndexedDocuments()->Count(), 3);
    ASSERT_EQ(proposals.Count(), 1);
    Click(window, ProposalNode(window, ProposalCaption(proposals.Item(0))));
    EXPECT_TRUE(world.Prompts().all.last().startsWith(QStringLiteral("The cover sheet on page 10 cannot be trusted")));
    EXPECT_TRUE(window.findChild<QLineEdit*>(QStringLiteral("txtPatientID"))->text().isEmpty());

    world.ClickButton("cmdUpload");
    const auto stored = world.Stored();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[0].first, world.PatientId(0));
    EXPECT_EQ(stored[0].second.size(), 3u);
    EXPECT_EQ(stored[1].first, world.PatientId(1));
    EXPECT_EQ(stored[1].second.size(), 2u);
    EXPECT_EQ(stored[2].first, world.PatientId(2));
    EXPECT_EQ(stored[2].second.size(), 1u);
    // The sheets left with the filed pages: the wrong sheet and its pages wait in the file.
    TiffPages left;
    ASSERT_TRUE(left.Open(batch).Ok());
    ASSERT_EQ(left.PageCount(), 3);
    QImage sheet;
    ASSERT_TRUE(left.Decode(0, 100'000'000, &sheet).Ok());
    EXPECT_EQ(FindSheet(sheet, dpi, dpi).record.name, second.record.name);
    (void)third;
  }
}

}  // namespace
}  // namespace pyxa::filing
