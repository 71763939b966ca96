#include "scan/ui/ProductionScanning.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "scan/ProductionScanner.h"
#include "scan/ScenarioFile.h"
#include "scan/ui/frmScenario.h"
#include "scan/ui/frmSelectScanner.h"

namespace pyxa {
namespace {

const QString kScenario = QStringLiteral("Pyxa");

// While the scanner works: the pages so far and a Stop that keeps them. Modal, so nothing else starts.
class ScanProgress final : public QDialog {
 public:
  ScanProgress(ProductionScanner& control, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmScanProgress"));
    setWindowTitle(QStringLiteral("Scanning"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QLabel(QStringLiteral("Getting the scanner ready..."), this);
    pages->setObjectName(QStringLiteral("lblPages"));
    pages->setMinimumWidth(320);
    layout->addWidget(pages);
    auto* stop = new QPushButton(QStringLiteral("&Stop"), this);
    stop->setObjectName(QStringLiteral("cmdStop"));
    layout->addWidget(stop, 0, Qt::AlignRight);
    connect(stop, &QPushButton::clicked, this, [&control, stop] {
      stop->setEnabled(false);
      control.Stop();
    });
    connect(&control, &ProductionScanner::BatchRunning, this, [pages](bool running) {
      if (running) pages->setText(QStringLiteral("Scanning..."));
    });
    connect(&control, &ProductionScanner::PagesEnded, this, [pages](int count) {
      pages->setText(count == 1 ? QStringLiteral("Scanning: 1 page") : QStringLiteral("Scanning: %1 pages").arg(count));
    });
  }

 protected:
  // Closing the window stops the scanner; the window goes when the batch has ended.
  void reject() override {}
};

}  // namespace

ProductionScanning::ProductionScanning(ProductionScanner& control, ScannerSource& source, cDocument& document,
                                       QString& scannerName, const QString& availableFolder, Prompter& prompter)
    : control_(control),
      source_(source),
      document_(document),
      scannerName_(scannerName),
      availableFolder_(availableFolder),
      prompter_(prompter) {}

void ProductionScanning::Prepare(const Panels& panels) {
  panels_ = panels;
  document_.SetAvailableFolder(availableFolder_);
  document_.SetPanels(panels);
  if (!panels) return;
  panels(QStringLiteral("Scanner"),
         QStringLiteral("Kofax Scanner: ") + (scannerName_.isEmpty() ? QStringLiteral("not selected    ") : scannerName_));
  panels(QStringLiteral("Status"), QStringLiteral("Status: not reserved    "));
}

void ProductionScanning::SelectScanner(QWidget* parent) {
  control_.RefreshSources();
  if (control_.SourceAt(1).isEmpty()) {
    prompter_.Critical(QStringLiteral("You must use the Kofax Source Manager to set up at lease one scanner source."));
    return;
  }
  QString before;
  {
    BusyCursor busy;
    before = control_.ReservedSource();
    if (!before.isEmpty()) control_.Unreserve();
  }
  frmSelectScanner choose(source_, prompter_, parent);
  choose.SetSourceLabel(QStringLiteral("Scanner Source"));
  if (!scannerName_.isEmpty()) choose.Setup(scannerName_);
  choose.exec();
  const ScannerDevice* chosen = choose.Tag() == QStringLiteral("OK") ? choose.ChosenDevice() : nullptr;
  if (chosen) {
    scannerName_ = chosen->name;
    control_.SetCurrentSource(scannerName_);
    if (panels_) panels_(QStringLiteral("Scanner"), QStringLiteral("Kofax Scanner: ") + scannerName_);
  } else {
    control_.SetCurrentSource(before.isEmpty() ? scannerName_ : before);
  }
}

// One batch into a document of its own; the window adds it to the shown file itself when asked to.
std::int32_t ProductionScanning::ScanImages(QWidget* parent) {
  if (document_.PageCount() > 0) {
    std::int32_t closed = 0;
    document_.CloseFile(closed);
  }
  document_.StartNew();
  ScanProgress progress(control_, parent);
  progress.open();
  std::int32_t result = 0;
  document_.Scan(true, scannerName_, kScenario, false, false, result);
  progress.hide();
  return result;
}

QString ProductionScanning::ScanBatch(QWidget* parent) {
  document_.SetAvailableFolder(availableFolder_);
  if (scannerName_.isEmpty()) SelectScanner(parent);
  if (scannerName_.isEmpty()) return {};
  const std::int32_t result = ScanImages(parent);
  // A damaged scenario still scans with what could be read; the user hears once what could not.
  if (const QStringList& problems = control_.ScenarioProblems(); !problems.isEmpty() && problems != problemsTold_) {
    problemsTold_ = problems;
    prompter_.Notice(QStringLiteral("Parts of the page scenario could not be read and were left at their defaults:\n") +
                     problems.join(QLatin1Char('\n')));
  }
  // No paper and a stop by the user are told by what the user sees, not by a message.
  if (result != 0 && result != kDocNoPaper && result != kScanUserStopped) {
    QString text = DocumentErrorText(result);
    if (text.isEmpty()) text = control_.ErrorDescription(result);
    if (!document_.LastErrorMsg().isEmpty()) text += QStringLiteral("\nDescription: ") + document_.LastErrorMsg();
    prompter_.Critical(text);
  }
  return document_.ScannedBatchFile();
}

void ProductionScanning::UpdateScenario(QWidget* parent) {
  document_.SetAvailableFolder(availableFolder_);
  if (scannerName_.isEmpty()) SelectScanner(parent);
  const QString ini = ScenarioFilePath(document_.ProgramFolder(), kScenario);
  std::int32_t result = 0;
  QString errorText;
  // A scenario not written yet is not loaded: the window is where it gets written.
  document_.ConfigureScanner(scannerName_, kScenario, errorText, !QFileInfo::exists(ini), true, true, result);
  if (result != 0) {
    QString text = DocumentErrorText(result);
    if (!errorText.isEmpty() && errorText != text) text = text.isEmpty() ? errorText : text + QLatin1Char('\n') + errorText;
    prompter_.Critical(text);
    return;
  }
  frmScenario window(source_, prompter_, ini, kScenario, control_.ReservedSource(), parent);
  window.exec();
  if (window.Tag() == QStringLiteral("OK")) prompter_.Information(QStringLiteral("Kofax settings have been updated."));
}

}  // namespace pyxa
