// The production scanner kind as the user meets it from the Scan command: the source chosen in the
// selection window, the progress window with its Stop, the batch file, and each failure told once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "document/Document.h"
#include "document/TiffPageFiles.h"
#include "platform/Clock.h"
#include "platform/ScriptedPrompter.h"
#include "scan/FakeScanner.h"
#include "scan/ProductionScanner.h"
#include "scan/ScenarioFile.h"
#include "scan/ScenarioImageControl.h"
#include "scan/ScenarioProcessing.h"
#include "scan/ui/ProductionScanning.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

ScannedPage Page() {
  QImage image(64, 48, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  return {image, 200, 200};
}

// Runs act on the modal window named name once it is up.
void OnModal(const QString& name, std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [name, act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    ASSERT_EQ(modal->objectName(), name);
    act(modal);
  });
}

void Click(QWidget* window, const char* button) {
  auto* b = window->findChild<QPushButton*>(QString::fromLatin1(button));
  ASSERT_NE(b, nullptr);
  QTest::mouseClick(b, Qt::LeftButton);
}

class ProductionScanningTest : public ::testing::Test {
 protected:
  ProductionScanningTest()
      : available(dir.path() + QStringLiteral("/")),
        control(fake, &processing, QStringLiteral("File Import")),
        doc(QString(), clock),
        scanning(control, fake, doc, scannerName, available, prompter) {
    fake.SetDevices({{{QStringLiteral("test:0"), QStringLiteral("Acme"), QStringLiteral("Feeder 9"), {}}}, {}});
    doc.SetProgramFolder(available);
    doc.SetScanCtrl(&control);
    doc.SetImageCtrl(&scenario);
    doc.SetWaiter([](int) {});
    EXPECT_EQ(WriteScenarioFile(ScenarioFilePath(available, QStringLiteral("Pyxa")),
                                {{QStringLiteral("Pyxa - Scan Settings"), {{QStringLiteral("mode"), QStringLiteral("Lineart")}}}}),
              0);
    scanning.Prepare([this](const QString& panel, const QString& text) { panels[panel] = text; });
  }
  int PagesIn(const QString& file) {
    cPages read;
    return LoadTIFFFile(file, read, dir.path(), TiffStamp{}) == 0 ? read.Count() : -1;
  }

  QTemporaryDir dir;
  QString available;
  ManualClock clock;
  FakeScanner fake;
  ScenarioProcessing processing;
  ProductionScanner control;
  ScenarioImageControl scenario;
  cDocument doc;
  ScriptedPrompter prompter;
  QString scannerName;
  ProductionScanning scanning;
  QMap<QString, QString> panels;
};

TEST_F(ProductionScanningTest, TheFirstScanAsksForTheSourceThenScansWithProgress) {
  EXPECT_EQ(panels[QStringLiteral("Scanner")], QStringLiteral("Kofax Scanner: not selected    "));
  EXPECT_EQ(panels[QStringLiteral("Status")], QStringLiteral("Status: not reserved    "));
  fake.ScriptBatch({Page(), Page()}, Status::NoDocuments);
  OnModal(QStringLiteral("frmSelectScanner"), [](QWidget* w) { Click(w, "cmdOK"); });
  const QString batch = scanning.ScanBatch(nullptr);
  EXPECT_EQ(scannerName, QStringLiteral("test:0"));
  EXPECT_EQ(PagesIn(batch), 2);
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(u'|').toStdString();
  EXPECT_EQ(panels[QStringLiteral("Scanner")], QStringLiteral("Current Scanner: test:0"));
  EXPECT_EQ(panels[QStringLiteral("Status")], QStringLiteral("Status: Ready"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // the progress window is gone

  // The next scan goes straight to the scanner; Stop in the progress window keeps the page before it.
  fake.ScriptBatch({Page(), Page(), Page()}, Status::Ok);
  fake.PauseAfter(1);
  QObject::connect(&control, &ProductionScanner::PagesEnded, &control, [](int pages) {
    if (pages == 1) OnModal(QStringLiteral("frmScanProgress"), [](QWidget* w) {
        EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblPages"))->text(), QStringLiteral("Scanning: 1 page"));
        Click(w, "cmdStop");
      });
  });
  EXPECT_EQ(PagesIn(scanning.ScanBatch(nullptr)), 1);
  EXPECT_EQ(prompter.Count(), 0) << prompter.Texts().join(u'|').toStdString();
}

TEST_F(ProductionScanningTest, ADamagedScenarioScansWithWhatItCouldReadAndSaysWhatNotOnce) {
  ASSERT_EQ(WriteScenarioFile(ScenarioFilePath(available, QStringLiteral("Pyxa")),
                              {{QStringLiteral("Pyxa - Scan Settings"), {{QStringLiteral("mode"), QStringLiteral("Lineart")}}},
                               {QStringLiteral("Pyxa - Image Processing"),
                                {{QStringLiteral("BarCodes"), QStringLiteral("1")}, {QStringLiteral("Deskew"), QStringLiteral("maybe")}}}}),
            0);
  scannerName = QStringLiteral("test:0");
  for (int scan = 0; scan < 2; ++scan) {
    fake.ScriptBatch({Page()}, Status::Ok);
    EXPECT_FALSE(scanning.ScanBatch(nullptr).isEmpty());
  }
  ASSERT_EQ(prompter.Count(), 1);
  EXPECT_TRUE(prompter.Texts().first().contains(QStringLiteral("maybe"))) << prompter.Texts().first().toStdString();
  EXPECT_TRUE(processing.Settings().barCodes.enabled);
}

TEST_F(ProductionScanningTest, FailuresAreToldOnceAndNoPaperIsNotAFailure) {
  scannerName = QStringLiteral("test:0");
  fake.ScriptBatch({}, Status::NoDocuments);
  EXPECT_EQ(scanning.ScanBatch(nullptr), QString());
  EXPECT_EQ(prompter.Count(), 0);

  fake.ScriptBatch({Page()}, Status::Jammed, QStringLiteral("The scanner reports a paper jam at page 2."));
  const QString batch = scanning.ScanBatch(nullptr);
  EXPECT_EQ(PagesIn(batch), 1);  // the page before the jam is kept
  EXPECT_EQ(prompter.Texts(), QStringList{QStringLiteral("An error occurred during the scanning.\nDescription: "
                                                         "20101-The scanner reports a paper jam at page 2.")});

  prompter.Clear();
  fake.SetDevices({});
  scannerName.clear();
  EXPECT_EQ(scanning.ScanBatch(nullptr), QString());
  EXPECT_EQ(prompter.Texts(),
            QStringList{QStringLiteral("You must use the Kofax Source Manager to set up at lease one scanner source.")});
}

}  // namespace
}  // namespace pyxa
