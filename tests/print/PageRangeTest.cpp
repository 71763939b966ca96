// The page list of a typed range, and the print window's rules that its window tests do not reach.
#include "print/PageRange.h"
#include "print/PrintChoices.h"
#include "print/PrintRoutine.h"

#include <gtest/gtest.h>

#include "print/FakePrinterPort.h"

namespace pyxa {
namespace {

struct RangeCase {
  const char* range;
  int pageCount;
  int code;
  std::vector<std::int32_t> pages;
  const char* error;
};

TEST(PageRange, ParsesAsWrittenAndExplainsEveryRefusal) {
  const RangeCase cases[] = {
      {"1,3,5-7", 8, 0, {1, 3, 5, 6, 7}, ""},
      {"3-1", 6, 0, {1, 2, 3}, ""},            // a reversed range counts upwards
      {"2,2", 6, 0, {2, 2}, ""},               // repeats print again
      {" 4 , 1 ", 6, 0, {4, 1}, ""},           // order as written, blanks around numbers
      {"40000", 40000, 0, {40000}, ""},        // past 16-bit page numbers
      {"", 6, -1, {}, "The page range for parsing is empty."},
      {"   ", 6, -1, {}, "The page range for parsing is empty."},
      {"0", 6, -4, {}, "Page 0 is not in the document."},
      {"7", 6, -4, {}, "Page 7 is not in the document."},
      {"99999999999", 6, -4, {}, "Page 99999999999 is not in the document."},
      {"5-7", 6, -3, {}, "Page 7 is not in the document."},  // nothing printed, not pages 5 and 6
      {"0-2", 6, -3, {}, "Page 0 is not in the document."},
      {"1-", 6, 13, {}, "\"1-\" is not a page range: both ends must be page numbers."},
      {"1,a", 6, 13, {}, "\"a\" is not a page number."},
      {"1,,2", 6, 13, {}, "\"\" is not a page number."},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.range);
    std::vector<std::int32_t> pages{99};
    QString error;
    EXPECT_EQ(ParsePageRange(QString::fromLatin1(c.range), c.pageCount, pages, error), c.code);
    EXPECT_EQ(pages, c.pages);
    EXPECT_EQ(error, QString::fromLatin1(c.error));
  }
}

class PrintChoicesTest : public ::testing::Test {
 protected:
  test::FakePrinterPort port;
  PrintState state;
  PrintChoices choices{state, port};
};

TEST_F(PrintChoicesTest, StartsOnTheRememberedPrinterElseTheDefaultElseThePdfFile) {
  choices.ChooseStartingPrinter();
  EXPECT_TRUE(choices.NoPrinterInstalled());
  EXPECT_EQ(state.printerName, kPrintToPdfName);
  EXPECT_EQ(choices.Destinations(), std::vector<QString>{kPrintToPdfName});
  EXPECT_FALSE(choices.PaperSizes().empty());

  port.printers = {test::OfficePrinter(), test::PlainPrinter()};
  port.defaultPrinter = QStringLiteral("Plain");
  state.printerName = QStringLiteral("Office");
  choices.ChooseStartingPrinter();
  EXPECT_EQ(state.printerName, QStringLiteral("Office"));
  EXPECT_EQ(choices.Destinations().size(), 3u);

  state.printerName = QStringLiteral("Removed");  // the remembered printer is gone
  choices.ChooseStartingPrinter();
  EXPECT_EQ(state.printerName, QStringLiteral("Plain"));
  port.defaultPrinter.clear();
  state.printerName.clear();
  choices.ChooseStartingPrinter();
  EXPECT_EQ(state.printerName, QStringLiteral("Office"));  // no default: the first printer
}

TEST_F(PrintChoicesTest, PageChoicesAndTheRequest) {
  port.printers = {test::OfficePrinter()};
  port.defaultPrinter = QStringLiteral("Office");
  choices.ChooseStartingPrinter();
  state.pageCount = 40000;
  state.currentPage = 0;
  std::vector<int> pages;
  QString error;
  EXPECT_EQ(choices.Pages(PageChoice::Current, {}, &pages, &error), 0);
  EXPECT_EQ(pages, std::vector<int>{1});  // no current page: page 1
  EXPECT_EQ(choices.Pages(PageChoice::All, {}, &pages, &error), 0);
  EXPECT_EQ(pages.size(), 40000u);
  EXPECT_EQ(choices.Pages(PageChoice::Range, QStringLiteral("5-3"), &pages, &error), 0);
  EXPECT_EQ(pages, (std::vector<int>{3, 4, 5}));

  // The choices go into the stored settings only when the printer has some.
  choices.RememberInStoredSettings(2, kDuplexLongEdge);
  EXPECT_EQ(state.printerSettings.Count(), 0);
  state.printerSettings.StorePrinterSettings(QStringLiteral("Office"), "TonerSave=True\nInputSlot=Tray1\n");
  choices.RememberInStoredSettings(2, kDuplexLongEdge);
  QByteArray stored;
  ASSERT_EQ(state.printerSettings.FindPrinterSettings(QStringLiteral("Office"), &stored), 0);
  const JobOptions options = DecodeJobOptions(stored);
  EXPECT_EQ(options, (JobOptions{{QStringLiteral("TonerSave"), QStringLiteral("True")},
                                 {QStringLiteral("InputSlot"), QStringLiteral("Tray2")},
                                 {QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")}}));
  EXPECT_EQ(choices.StoredPaperSource(), 1);
  EXPECT_EQ(choices.StoredDuplexMode(), 1);

  const PrintRequest request = choices.Request(kPrintFitToPage, 250, 9, 2, kDuplexLongEdge, 3, kColourPalette, {2, 1});
  EXPECT_EQ(request.scalePercent, 100);  // the scale counts in the scaled mode only
  EXPECT_EQ(request.colourKind, kColourFull);
  EXPECT_EQ(request.printer, QStringLiteral("Office"));
  EXPECT_EQ(request.storedSettings, stored);
  EXPECT_EQ(state.printMode, kPrintFitToPage);
  EXPECT_EQ(state.paperSize, 9);
  EXPECT_EQ(state.scalePercent, 100);
  choices.Request(kPrintScaled, 250, 9, 2, kDuplexLongEdge, 3, kColourGrey, {1});
  EXPECT_EQ(state.scalePercent, 250);
}

TEST(PrinterSettingsTable, OneEntryPerPrinterHoldingTheLaterSettings) {
  PrinterSettingsTable table;
  QByteArray found;
  EXPECT_EQ(table.FindPrinterSettings(QStringLiteral("Office"), &found), -1);
  table.StorePrinterSettings(QStringLiteral("Office"), "a=1");
  table.StorePrinterSettings(QStringLiteral("Plain"), "b=2");
  table.StorePrinterSettings(QStringLiteral("Office"), "a=3");
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(table.FindPrinterSettings(QStringLiteral("Office"), &found), 0);
  EXPECT_EQ(found, QByteArray("a=3"));
}

}  // namespace
}  // namespace pyxa
