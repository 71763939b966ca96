// The selection and scanning windows driven as a user drives them, over a scripted scanner: the
// name rules of the selection window, the messages when there is no scanner or none is chosen,
// and a batch scanned, cancelled or failed with every page kept.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "document/TiffPages.h"
#include "platform/Clock.h"
#include "platform/ScriptedPrompter.h"
#include "scan/FakeScanner.h"
#include "scan/ScannerChoice.h"
#include "scan/ui/frmSelectScanner.h"
#include "scan/ui/frmViewer.h"

namespace pyxa {
namespace {

DeviceList TwoScanners() {
  return {{{QStringLiteral("test:0"), QStringLiteral("Noname"), QStringLiteral("frontend-tester"),
            QStringLiteral("virtual device")},
           {QStringLiteral("airscan:e0"), QStringLiteral("Brother"), QStringLiteral("ADS-2200"),
            QStringLiteral("sheetfed scanner")}},
          {}};
}

ScannedPage Page(int seed) {
  QImage image(120, 160, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  image.setPixel(seed, seed, 1);
  return {image, 200, 200};
}

// Runs act on the next modal window once it is up.
void OnModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

TEST(frmSelectScanner, ListsTheScannersAndKeepsOnlyAKnownName) {
  FakeScanner scanner;
  scanner.SetDevices(TwoScanners());
  ScriptedPrompter prompter;
  frmSelectScanner select(scanner, prompter);
  auto* combo = select.findChild<QComboBox*>(QStringLiteral("cboScanners"));
  auto* name = select.findChild<QLineEdit*>(QStringLiteral("txtScanner"));
  auto* ok = select.findChild<QPushButton*>(QStringLiteral("cmdOK"));
  EXPECT_EQ(select.windowTitle(), QStringLiteral("Settings"));
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), QStringLiteral("Brother ADS-2200"));
  EXPECT_TRUE(ok->isEnabled());

  select.Setup(QStringLiteral("  brother ads-2200 "));  // a name of the list, in any case
  EXPECT_EQ(combo->currentIndex(), 1);
  select.show();
  combo->setFocus();
  QTest::keyClick(combo, Qt::Key_Up);  // the user picks the other line: the name box follows
  EXPECT_EQ(name->text(), QStringLiteral("Noname frontend-tester"));
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(select.Tag(), QStringLiteral("OK"));
  ASSERT_NE(select.ChosenDevice(), nullptr);
  EXPECT_EQ(select.ChosenDevice()->name, QStringLiteral("test:0"));
  EXPECT_EQ(prompter.Count(), 0);
}

TEST(frmViewer, NoScannerOrNoChoiceEndsBeforeAnyBatch) {
  QTemporaryDir dir;
  ManualClock clock;
  FakeScanner scanner;
  ChosenScanner chosen;
  ScriptedPrompter prompter;
  {
    frmViewer viewer(scanner, chosen, {}, prompter, clock, dir.path());
    EXPECT_EQ(viewer.Scan(), QString());
    EXPECT_EQ(prompter.Texts(), QStringList{kNoScannerText});
  }
  prompter.Clear();
  scanner.SetDevices(TwoScanners());
  frmViewer viewer(scanner, chosen, {}, prompter, clock, dir.path());
  OnModal([](QWidget* select) {
    QTest::mouseClick(select->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
  });
  EXPECT_EQ(viewer.Scan(), QString());
  EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("Unable to Proceed Select Scanner")});
  EXPECT_FALSE(chosen.Chosen());
  EXPECT_EQ(scanner.BatchesStarted(), 0);
}

TEST(frmViewer, ScansABatchWithTheChosenScannerAndItsSettings) {
  QTemporaryDir dir;
  ManualClock clock;
  FakeScanner scanner;
  scanner.SetDevices(TwoScanners());
  scanner.ScriptBatch({Page(1), Page(2), Page(3)});
  ChosenScanner chosen;
  ScriptedPrompter prompter;
  int asked = 0;
  frmViewer viewer(
      scanner, chosen,
      [&asked](const ScannerDevice& device) -> std::optional<QList<OptionSetting>> {
        ++asked;
        return QList<OptionSetting>{{QStringLiteral("mode"), QStringLiteral("Lineart")},
                                    {QStringLiteral("resolution"), 300}, {QStringLiteral("device"), device.name}};
      },
      prompter, clock, dir.path());
  QStringList handed;
  QObject::connect(&viewer, &frmViewer::BatchChanged, [&handed](const QString& path, int) { handed << path; });
  OnModal([](QWidget* select) {
    auto* combo = select->findChild<QComboBox*>(QStringLiteral("cboScanners"));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QTest::mouseClick(select->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
  });
  const QString batch = viewer.Scan();
  EXPECT_EQ(batch, dir.filePath(QStringLiteral("Batch_20260105_090000.tif")));
  EXPECT_EQ(handed.size(), 3);  // after every page
  EXPECT_EQ(scanner.LastDevice(), QStringLiteral("airscan:e0"));
  EXPECT_EQ(scanner.LastSettings().size(), 3);
  TiffPages pages;
  ASSERT_TRUE(pages.Open(batch).Ok());
  EXPECT_EQ(pages.PageCount(), 3);
  EXPECT_EQ(prompter.Count(), 0);

  // The next scan keeps the scanner chosen for the run and asks only its settings.
  clock.AdvanceSeconds(5);
  scanner.ScriptBatch({Page(4)}, ScannerSource::Status::Jammed, QStringLiteral("The scanner reports a paper jam."));
  EXPECT_EQ(viewer.Scan(), dir.filePath(QStringLiteral("Batch_20260105_090005.tif")));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(prompter.Texts(),
            QStringList{QStringLiteral("The scanner reports a paper jam.\nThe page scanned before is kept in the batch.")});
}

TEST(frmViewer, CancelStopsTheScannerAndKeepsThePages) {
  QTemporaryDir dir;
  ManualClock clock;
  FakeScanner scanner;
  scanner.SetDevices(TwoScanners());
  scanner.ScriptBatch({Page(1), Page(2), Page(3)});
  scanner.PauseAfter(2);
  ChosenScanner chosen;
  chosen.Choose(TwoScanners().devices[0]);
  ScriptedPrompter prompter;
  frmViewer viewer(scanner, chosen, {}, prompter, clock, dir.path());
  QObject::connect(&viewer, &frmViewer::BatchChanged, [&viewer](const QString&, int pages) {
    if (pages == 2)
      QTimer::singleShot(0, [&viewer] {
        QTest::mouseClick(viewer.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
      });
  });
  const QString batch = viewer.Scan();
  TiffPages pages;
  ASSERT_TRUE(pages.Open(batch).Ok());
  EXPECT_EQ(pages.PageCount(), 2);
  EXPECT_EQ(prompter.Count(), 0);  // the user's own cancel needs no message
}

}  // namespace
}  // namespace pyxa
