// The production scanner kind as the user meets it from the Scan command: the source chosen in the
// selection window, the progress window with its Stop, the batch file, and each failure told once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
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
#include "scan/ui/frmScenario.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

ScannedPage Page() {
  QImage image(64, 48, QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  image.fill(0);
  return {image, 200, 200};
}

// Runs act on the modal window named name (or titled so) once it is up.
void OnModal(const QString& name, std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [name, act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    ASSERT_TRUE(modal->objectName() == name || modal->windowTitle() == name) << modal->windowTitle().toStdString();
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
  OnModal(QStringLiteral("frmSelectScanner"), [](QWidget* w) {
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblSource"))->text(), QStringLiteral("Scanner Source"));
    Click(w, "cmdOK");
  });
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

// Choosing gives the reserved source back first; a cancelled choice keeps the source chosen before.
TEST_F(ProductionScanningTest, ChoosingAnotherSourceGivesTheOldOneBackAndCancelKeepsIt) {
  fake.SetDevices({{{QStringLiteral("test:0"), QStringLiteral("Acme"), QStringLiteral("Feeder 9"), {}},
                    {QStringLiteral("test:1"), QStringLiteral("Acme"), QStringLiteral("Flatbed 2"), {}}},
                   {}});
  scannerName = QStringLiteral("test:0");
  ASSERT_EQ(control.Reserve(QStringLiteral("test:0")), 0);
  OnModal(QStringLiteral("frmSelectScanner"), [](QWidget* w) { Click(w, "cmdCancel"); });
  scanning.SelectScanner(nullptr);
  EXPECT_EQ(scannerName, QStringLiteral("test:0"));
  EXPECT_EQ(control.CurrentSource(), QStringLiteral("test:0"));
  EXPECT_EQ(fake.ReservedDevice(), QString());  // given back while the user chose

  OnModal(QStringLiteral("frmSelectScanner"), [](QWidget* w) {
    auto* list = w->findChild<QComboBox*>(QStringLiteral("cboScanners"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    Click(w, "cmdOK");
  });
  scanning.SelectScanner(nullptr);
  EXPECT_EQ(scannerName, QStringLiteral("test:1"));
  EXPECT_EQ(panels[QStringLiteral("Scanner")], QStringLiteral("Kofax Scanner: test:1"));
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

// The scenario window: an option's settings saved into the scenario file, an option the source cannot
// give refused in the program's words, and a scenario that cannot be written said so.
TEST_F(ProductionScanningTest, TheScenarioWindowWritesWhatTheUserSets) {
  ScannerOption mode;
  mode.name = QStringLiteral("mode");
  mode.type = ScannerOption::Type::String;
  mode.constraint = ScannerOption::Constraint::List;
  mode.allowed = {QStringLiteral("Lineart")};
  mode.value = QStringLiteral("Lineart");
  mode.settable = mode.active = true;
  fake.SetOptions(QStringLiteral("test:0"), {{mode}, {}});
  scannerName = QStringLiteral("test:0");
  const QString ini = ScenarioFilePath(available, QStringLiteral("Pyxa"));
  QFile::remove(ini);

  OnModal(QStringLiteral("frmScenario"), [](QWidget* w) {
    OnModal(QStringLiteral("Deskew"), [](QWidget* d) {
      QTest::mouseClick(d->findChild<QCheckBox*>(QStringLiteral("enabled")), Qt::LeftButton, {}, QPoint(5, 5));
      QTest::mouseClick(d->findChild<QDialogButtonBox*>(QStringLiteral("buttons"))->button(QDialogButtonBox::Ok),
                        Qt::LeftButton);
    });
    Click(w, "cmdOption4");
    Click(w, "cmdOption3");  // Deshade needs grey or colour pages, which this source cannot give
    Click(w, "cmdOK");
  });
  scanning.UpdateScenario(nullptr);
  EXPECT_EQ(prompter.Texts(), QStringList({"Deshade is not available with this scanner configuration.",
                                           "Kofax settings have been updated."}));
  const ScenarioFileRead written = ReadScenarioFile(ini);
  EXPECT_TRUE(written.HasSection(QStringLiteral("Pyxa - Scan Settings")));
  EXPECT_TRUE(written.Section(QStringLiteral("Pyxa - Image Processing")).contains({QStringLiteral("Deskew"), QStringLiteral("1")}));
  EXPECT_EQ(panels[QStringLiteral("Status")], QStringLiteral("Status: Reserved"));

  // Cancel leaves the file as it was; a scenario that cannot be written is said so and the window stays.
  prompter.Clear();
  const QByteArray before = [&] {
    QFile f(ini);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }();
  OnModal(QStringLiteral("frmScenario"), [](QWidget* w) { Click(w, "cmdCancel"); });
  scanning.UpdateScenario(nullptr);
  EXPECT_EQ(prompter.Count(), 0);
  QFile again(ini);
  ASSERT_TRUE(again.open(QIODevice::ReadOnly));
  EXPECT_EQ(again.readAll(), before);

  frmScenario window(fake, prompter, available + QStringLiteral("gone/PSPyxa.ini"), QStringLiteral("Pyxa"),
                     QStringLiteral("test:0"));
  Click(&window, "cmdOK");
  EXPECT_EQ(prompter.Texts().last(), QStringLiteral("Error creating scenario:2"));
  EXPECT_EQ(window.Tag(), QString());
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
