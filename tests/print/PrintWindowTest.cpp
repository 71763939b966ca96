// The print, printer and driver-settings windows driven as a user does: keys, clicks, list choices.
#include "print/ui/frmPrintIm.h"
#include "print/ui/frmPrinterDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include <gtest/gtest.h>

#include "platform/SaveFilePicker.h"
#include "platform/ScriptedPrompter.h"
#include "print/FakePrinterPort.h"
#include "print/PrintPageSource.h"
#include "print/WindowDriving.h"

namespace pyxa {
namespace {

// Pages of plain paper, 100 dpi, each with a black band as wide as its number.
class PlainPages : public PrintPageSource {
 public:
  explicit PlainPages(int count) : count_(count) {}
  int PageCount() const override { return count_; }
  int ColourKind(int) const override { return kColourBlackWhite; }
  PrintPage Page(int page, int) override {
    QImage image(850, 1100, QImage::Format_Mono);
    image.fill(1);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 20 * page; ++x) image.setPixel(x, y, 0);
    ++drawn;
    return {image, 100, 100, 0, {}};
  }
  int drawn = 0;

 private:
  int count_;
};

using test::ChooseEntry;
using test::Child;
using test::Click;
using test::OnNextModal;
using test::ScriptedSaver;

class PrintWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.printers = {test::OfficePrinter(), test::PlainPrinter()};
    port.defaultPrinter = QStringLiteral("Office");
    state.pageCount = 6;
    state.currentPage = 2;
  }
  std::unique_ptr<frmPrintIm> Open() {
    auto window = std::make_unique<frmPrintIm>(PrintServices{state, port, prompter, saver, dir.path()}, pages,
                                               QStringLiteral("batch.tif"));
    window->show();
    return window;
  }

  QTemporaryDir dir;
  test::FakePrinterPort port;
  PrintState state;
  ScriptedPrompter prompter;
  ScriptedSaver saver;
  PlainPages pages{6};
};

TEST_F(PrintWindowTest, PrintsARangeFitToPageTwoSidedFromTray2) {
  auto window = Open();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Office"));
  EXPECT_FALSE(Child<QLabel>(window.get(), "lblNoPrinter")->isVisible());
  auto* range = Child<QLineEdit>(window.get(), "txtRange");
  EXPECT_FALSE(range->isEnabled());
  Click(window.get(), "optPrintRng");
  ASSERT_TRUE(range->isEnabled());
  // A comma cannot start the range; letters and blanks are discarded.
  QTest::keyClicks(range, QStringLiteral(",3a-1 ,5x"));
  EXPECT_EQ(range->text(), QStringLiteral("3-1,5"));

  Click(window.get(), "Fit");
  EXPECT_FALSE(Child<QLineEdit>(window.get(), "MagEdBox")->isEnabled());
  Click(window.get(), "ScaleButton");
  EXPECT_TRUE(Child<QLineEdit>(window.get(), "MagEdBox")->isEnabled());
  Click(window.get(), "Fit");
  ChooseEntry(Child<QComboBox>(window.get(), "DuplexCombo"),
              QStringLiteral("Double-sided printing using a horizontal page turn"));
  ChooseEntry(Child<QComboBox>(window.get(), "PaperSourceCombo"), QStringLiteral("Tray 2"));
  ChooseEntry(Child<QComboBox>(window.get(), "PrinterPaperSizeCombo"), QStringLiteral("A4, 210 x 297 mm "));
  auto* copies = Child<QLineEdit>(window.get(), "txtCopies");
  for (int i = 0; i < 12; ++i) Click(window.get(), "udCopiesUp");
  EXPECT_EQ(copies->text(), QStringLiteral("9"));  // the arrows stop below ten
  copies->setFocus();
  QTest::keyClick(copies, Qt::Key_Down);
  EXPECT_EQ(copies->text(), QStringLiteral("8"));

  Click(window.get(), "cmdOK");
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  ASSERT_EQ(port.jobs.size(), 1u);
  const test::FakeJob& job = port.jobs[0];
  EXPECT_EQ(job.printer, QStringLiteral("Office"));
  EXPECT_EQ(job.title, QStringLiteral("batch.tif"));
  EXPECT_EQ(job.Option(QStringLiteral("InputSlot")), QStringLiteral("Tray2"));
  EXPECT_EQ(job.Option(QStringLiteral("Duplex")), QStringLiteral("DuplexNoTumble"));
  EXPECT_EQ(job.Option(QStringLiteral("PageSize")), QStringLiteral("A4"));
  EXPECT_EQ(job.Option(QStringLiteral("copies")), QStringLiteral("8"));
  EXPECT_EQ(pages.drawn, 4);  // pages 1, 2, 3 and 5
  EXPECT_FALSE(window->isVisible());
  // The choices are the run's: the next print starts from them.
  EXPECT_EQ(state.printMode, kPrintFitToPage);
  EXPECT_EQ(state.paperSource, 2);
  EXPECT_EQ(state.duplexMode, kDuplexLongEdge);
  EXPECT_EQ(state.paperSize, 9);
  auto again = Open();
  EXPECT_EQ(Child<QComboBox>(again.get(), "PaperSourceCombo")->currentText(), QStringLiteral("Tray 2"));
  EXPECT_TRUE(Child<QRadioButton>(again.get(), "Fit")->isChecked());
}

TEST_F(PrintWindowTest, BadRangesAndCopiesKeepTheWindowOpenAndPrintNothing) {
  struct Case {
    const char* range;
    const char* copies;
    const char* message;
  } cases[] = {{"5-7", "1", "Page 7 is not in the document."},
               {"0", "1", "Page 0 is not in the document."},
               {"1-", "1", "\"1-\" is not a page range: both ends must be page numbers."},
               {"", "1", "The page range for parsing is empty."},
               {"2", "", "Enter a number of copies from 1 to 999."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    prompter.Clear();
    auto window = Open();
    Click(window.get(), "optPrintRng");
    QTest::keyClicks(Child<QLineEdit>(window.get(), "txtRange"), QString::fromLatin1(c.range));
    auto* copies = Child<QLineEdit>(window.get(), "txtCopies");
    copies->selectAll();
    QTest::keyClick(copies, Qt::Key_Backspace);
    QTest::keyClicks(copies, QString::fromLatin1(c.copies) + QStringLiteral("abc"));  // letters never arrive
    Click(window.get(), "cmdOK");
    ASSERT_EQ(prompter.Count(), 1);
    EXPECT_EQ(prompter.LastPrompt().text, QString::fromLatin1(c.message));
    EXPECT_EQ(prompter.LastPrompt().icon, PromptIcon::Critical);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(port.jobs.empty());
  }
}

TEST_F(PrintWindowTest, PrinterSetupChoosesAnotherPrinterAndItsDriverSettings) {
  auto window = Open();
  bool sawDetails = false;
  OnNextModal([&](QWidget* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Printer"));
    auto* printers = Child<QComboBox>(dialog, "PrinterCombo");
    EXPECT_EQ(printers->currentText(), QStringLiteral("Office"));
    EXPECT_EQ(printers->count(), 3);  // two printers and the PDF file
    EXPECT_EQ(Child<QLabel>(dialog, "DriverLabel")->text(), QStringLiteral("Pyxa Test Printer"));
    // The driver's settings: Toner Saving on, Tray 2; OK keeps them for the printer.
    OnNextModal([&](QWidget* properties) {
      ChooseEntry(Child<QComboBox>(properties, "TonerSave"), QStringLiteral("On"));
      ChooseEntry(Child<QComboBox>(properties, "InputSlot"), QStringLiteral("Tray 2"));
      Click(properties, "cmdOK");
    });
    Click(dialog, "cmdProperties");
    // A printer that cannot be read shows "-" and has no properties.
    port.printers[1].readable = false;
    ChooseEntry(printers, QStringLiteral("Plain"));
    EXPECT_EQ(Child<QLabel>(dialog, "ServerLabel")->text(), QStringLiteral("-"));
    EXPECT_EQ(Child<QLabel>(dialog, "ShareLabel")->text(), QStringLiteral("-"));
    EXPECT_FALSE(Child<QPushButton>(dialog, "cmdProperties")->isEnabled());
    ChooseEntry(printers, QStringLiteral("Office"));
    sawDetails = true;
    Click(dialog, "OKButton");
  });
  Click(window.get(), "cmdSetup");
  ASSERT_TRUE(sawDetails);
  QByteArray stored;
  ASSERT_EQ(state.printerSettings.FindPrinterSettings(QStringLiteral("Office"), &stored), 0);
  EXPECT_TRUE(stored.contains("TonerSave=True"));
  // The source the driver settings name is selected.
  EXPECT_EQ(Child<QComboBox>(window.get(), "PaperSourceCombo")->currentText(), QStringLiteral("Tray 2"));

  // Cancelling the driver's settings leaves them; choosing the single-sided printer empties duplex.
  port.printers[1].readable = true;
  OnNextModal([&](QWidget* dialog) {
    OnNextModal([&](QWidget* properties) {
      ChooseEntry(Child<QComboBox>(properties, "TonerSave"), QStringLiteral("Off"));
      Click(properties, "cmdCancel");
    });
    Click(dialog, "cmdProperties");
    ChooseEntry(Child<QComboBox>(dialog, "PrinterCombo"), QStringLiteral("Plain"));
    Click(dialog, "OKButton");
  });
  Click(window.get(), "cmdSetup");
  ASSERT_EQ(state.printerSettings.FindPrinterSettings(QStringLiteral("Office"), &stored), 0);
  EXPECT_TRUE(stored.contains("TonerSave=True"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Plain"));
  EXPECT_EQ(Child<QComboBox>(window.get(), "DuplexCombo")->count(), 1);

  // The stored settings travel with the job, the window's choices over them.
  port.printers[0] = test::OfficePrinter();
  OnNextModal([&](QWidget* dialog) {
    ChooseEntry(Child<QComboBox>(dialog, "PrinterCombo"), QStringLiteral("Office"));
    Click(dialog, "OKButton");
  });
  Click(window.get(), "cmdSetup");
  ChooseEntry(Child<QComboBox>(window.get(), "PaperSourceCombo"), QStringLiteral("Tray 1"));
  Click(window.get(), "cmdOK");
  ASSERT_EQ(port.jobs.size(), 1u);
  EXPECT_EQ(port.jobs[0].Option(QStringLiteral("TonerSave")), QStringLiteral("True"));
  EXPECT_EQ(port.jobs[0].Option(QStringLiteral("InputSlot")), QStringLiteral("Tray1"));
}

TEST_F(PrintWindowTest, WithoutPrintersThePagesGoToAPdfFile) {
  port.printers.clear();
  auto window = Open();
  EXPECT_TRUE(Child<QLabel>(window.get(), "lblNoPrinter")->isVisible());
  EXPECT_EQ(window->windowTitle(), kPrintToPdfName);
  Click(window.get(), "optPrintPage");
  Click(window.get(), "cmdOK");  // the user cancels the file choice: nothing printed, the window stays
  EXPECT_EQ(saver.asked, 1);
  EXPECT_TRUE(window->isVisible());
  saver.answer = dir.filePath(QStringLiteral("referral"));
  Click(window.get(), "cmdOK");
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(QLatin1Char('|')).toStdString();
  QFile written(dir.filePath(QStringLiteral("referral.pdf")));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.read(5).startsWith("%PDF-"));
  EXPECT_EQ(pages.drawn, 1);
}

TEST_F(PrintWindowTest, APrinterThatStoppedAcceptingJobsIsReportedAndTheWindowStays) {
  port.printers[0].accepting = false;
  auto window = Open();
  Click(window.get(), "cmdOK");
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_EQ(prompter.LastPrompt().icon, PromptIcon::Warning);
  EXPECT_TRUE(prompter.LastPrompt().text.contains(QStringLiteral("not accepting jobs")));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(port.jobs.empty());
}

}  // namespace
}  // namespace pyxa
