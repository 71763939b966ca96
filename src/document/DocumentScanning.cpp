// cDocument's scanning: reserving the source and loading the page scenario, one batch through the
// scanner control, the pages it reports, and the batch file they are joined into at its end.
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cmath>

#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SystemError.h"

namespace pyxa {
namespace {

// A scanner that keeps saying it is powering up is given this many waits before it counts as failed.
constexpr int kMaxWarmUpWaits = 10;
constexpr int kAlreadyWaitMs = 250;

const QString kStatusPanel = QStringLiteral("Status");
const QString kScannerPanel = QStringLiteral("Scanner");

QString WarmUpText(std::int32_t seconds) {
  return QStringLiteral("Waiting for ") + QString::number(seconds) + QStringLiteral(" seconds while the scanner powers up");
}

// "PSPyxa.ini" in any folder names the scenario "Pyxa".
QString ScenarioOfIni(const QString& iniFile) {
  QString name = QFileInfo(iniFile).fileName();
  if (name.startsWith(QStringLiteral("PS"), Qt::CaseInsensitive)) name.remove(0, 2);
  if (name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive)) name.chop(4);
  return name;
}

bool Same(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

// The scanner control's resolution codes.
std::int32_t ResolutionOfCode(std::int32_t code, std::int32_t dpi) {
  switch (code) {
    case 1: return 75;
    case 2: return 100;
    case 4: return 150;
    case 8: return 200;
    case 16: return 240;
    case 32: return 300;
    case 64: return 400;
    case 128: return 600;
    default:
      // A resolution outside the table keeps its own value rather than a meaningless 1 dpi.
      return dpi > 0 ? dpi : 1;
  }
}

// The scanner control's pixel code as the page's colour model; 0 for one it does not know.
std::int32_t ColourModelOfPixels(std::int32_t pixelCode) {
  switch (pixelCode) {
    case 1: return 1;
    case 2:
    case 4: return 3;
    case 8:
    case 16: return 2;
    default: return 0;
  }
}

}  // namespace

// The events of one batch, passed on to the document.
class cDocument::ScanEventSink final : public ScanEvents {
 public:
  explicit ScanEventSink(cDocument& doc) : doc_(doc) {}
  void BatchStart() override {
    doc_.ShowStatus(QStringLiteral("Your scanner may require you to press 'Run' now to start scanning, and 'End' "
                                   "to finish scanning."));
  }
  QString PageEnd(const ScannedPageReport& page) override { return doc_.OnPageEnd(page); }
  void PageDone() override { doc_.OnPageDone(); }
  void Error(std::int32_t code, const QString& description) override { doc_.OnScanError(code, description); }
  void BatchEnd() override { doc_.OnBatchEnd(); }

 private:
  cDocument& doc_;
};

void cDocument::ShowPanel(const QString& panel, const QString& text) const {
  if (showScanStatus_ && panels_) panels_(panel, text);
}

void cDocument::ShowStatus(const QString& text) const { ShowPanel(kStatusPanel, QStringLiteral("Status: ") + text); }

void cDocument::Wait(int milliseconds) const {
  if (wait_) {
    wait_(milliseconds);
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

std::int32_t cDocument::ReserveSource(ScannerControl& control, const QString& name, QString& errorText) {
  const QString reserved = control.ReservedSource();
  if (!reserved.isEmpty() && Same(reserved, name)) {
    ShowStatus(name + QStringLiteral(" is already reserved"));
    Wait(kAlreadyWaitMs);
    return 0;
  }
  if (!reserved.isEmpty()) {
    ShowStatus(QStringLiteral("Unreserving ") + reserved);
    if (const std::int32_t code = control.Unreserve(); code != 0) {
      ShowStatus(control.ErrorDescription(code));
      control.PrepareSource();
      ShowStatus(QStringLiteral("Reserving ") + name);
    }
  }
  control.SetCurrentSource(name);
  std::int32_t code = control.PrepareSource();
  // A scanner that never finishes powering up must not hold the program for ever.
  for (int waits = 0; code == kScanWarmingUp && waits < kMaxWarmUpWaits; ++waits) {
    ShowStatus(WarmUpText(warmUpSeconds_));
    Wait(warmUpSeconds_ * 1000);
    code = control.PrepareSource();
  }
  if (code == 0) {
    ShowStatus(QStringLiteral("Reserving ") + name);
    code = control.Reserve(name);
    if (code == kScanWarmingUp) {
      ShowStatus(WarmUpText(warmUpSeconds_));
      Wait(warmUpSeconds_ * 1000);
      code = control.Reserve(name);
    }
  }
  if (control.ReservedSource().isEmpty() || code != 0) {
    errorText = QStringLiteral("The ") + name + QStringLiteral(" was not reserved. Reason: ") + QString::number(code) +
                QStringLiteral(" - ") + control.ErrorDescription(code);
  }
  return code;
}

std::int32_t cDocument::LoadScenario(ScannerControl& control, const QString& scenario, bool forceReload) {
  const QString loaded = imageCtrl_ ? ScenarioOfIni(imageCtrl_->ScenarioIniFile()) : QString();
  if (!loaded.isEmpty() && Same(loaded, scenario) && !forceReload) {
    ShowStatus(scenario + QStringLiteral(" is already loaded"));
    Wait(kAlreadyWaitMs);
    return 0;
  }
  const QString ini = programFolder_ + QStringLiteral("PS") + scenario + QStringLiteral(".ini");
  const std::int32_t code = control.LoadScanSettings(ini, scenario + QStringLiteral(" - Scan Settings"));
  if (imageCtrl_) imageCtrl_->SetScenario(ini, scenario + QStringLiteral(" - Image Processing"));
  ShowStatus(QStringLiteral("Loading ") + scenario + QStringLiteral(" page scenario"));
  return code;
}

void cDocument::ConfigureScanner(QString& scannerName, const QString& scenario, QString& errorText, bool skipScenario,
                                 bool showStatus, bool forceReload, std::int32_t& result) {
  result = 0;
  errorText.clear();
  if (scannerName.isEmpty()) return;
  if (!skipScenario) {
    if (scenario.isEmpty()) result = kDocNoScenario;
    else if (!QFileInfo::exists(programFolder_ + QStringLiteral("PS") + scenario + QStringLiteral(".ini")))
      result = kDocNoScenarioFile;
    if (result != 0) {
      errorText = DocumentErrorText(result);
      return;
    }
  }
  ScannerControl* control = Scanner();
  if (!control) {
    result = kDocNoScannerSource;
    errorText = DocumentErrorText(result);
    return;
  }
  showScanStatus_ = showStatus;
  ShowStatus(QStringLiteral("Reserving ") + scannerName);
  const std::int32_t reserveCode = ReserveSource(*control, scannerName, errorText);
  if (reserveCode == 0 && !control->ReservedSource().isEmpty()) {
    ShowPanel(kScannerPanel, QStringLiteral("Current Scanner: ") + scannerName);
    ShowPanel(kStatusPanel, skipScenario ? QStringLiteral("Status: Reserved") : QStringLiteral("Status: Ready"));
    if (registry_) {
      const std::int32_t written = registry_->WriteRegistryValue(Hive::Machine, QStringLiteral("Software\\Corvantis\\Pyxa"),
                                                                 QStringLiteral("Current Device"), scannerName);
      if (written != 0) {
        errorText = QStringLiteral("Could not write scanner name into the registry. Reason: ") + QString::number(written);
        result = written;
      }
    }
  } else {
    ShowPanel(kScannerPanel, QStringLiteral("Current Scanner: not selected"));
    ShowPanel(kStatusPanel, QStringLiteral("Status: not reserved"));
    result = kDocSourceNotReserved;
    return;
  }
  if (!skipScenario && result == 0) {
    result = LoadScenario(*control, scenario, forceReload);
    if (result != 0) errorText = control->ErrorDescription(result);
  }
}

void cDocument::Scan(bool flag, QString& scannerName, const QString& scenario, bool forceReload, bool append,
                     std::int32_t& result, std::int32_t insertAt) {
  Q_UNUSED(flag);
  scanMode_ = 0;
  batchFile_.clear();
  QString errorText;
  ConfigureScanner(scannerName, scenario, errorText, false, true, forceReload, result);
  lastError_ = result;
  lastErrorMsg_ = errorText;
  ScannerControl* control = Scanner();
  if (result == 0 && (scannerName.isEmpty() || !control)) result = kDocNoScannerSource;
  if (result == 0 && insertAt > PageCount()) result = kDocInsertBeyondEnd;
  if (result == 0 && append) {
    if (PageCount() == 0) {
      result = kDocNothingToAppendTo;
    } else {
      const std::int32_t first = pages_->Item(1)->ColourModel;
      if (control->BlackAndWhite() && first != 1) result = kDocBilevelOntoColour;
      if (!control->BlackAndWhite() && first != 2 && first != 3) result = kDocColourOntoBilevel;
    }
  }
  if (result != 0) {
    lastError_ = result;
    if (lastErrorMsg_.isEmpty()) lastErrorMsg_ = DocumentErrorText(result);
    scanMode_ = -1;
    return;
  }
  if (control->BlackAndWhite()) {
    control->SetOutputType(ScanOutputType::Tiff);
    control->SetOutputCompression(kScanCompressionGroup4);
  } else {
    control->SetOutputType(ScanOutputType::Jpg);
    control->SetOutputCompression(kScanCompressionJpeg);
  }
  control->SetOutput(true);
  appendAt_ = append && insertAt > 0 ? insertAt : 0;
  firstBatchPage_ = appendAt_ > 0 ? appendAt_ : PageCount() + 1;
  batchPages_ = 0;
  lastError_ = 0;
  lastErrorMsg_.clear();
  ScanEventSink sink(*this);
  control->StartScan(sink);
  result = lastError_;
  scanMode_ = -1;
}

QString cDocument::OnPageEnd(const ScannedPageReport& report) {
  auto page = std::make_shared<cPage>();
  page->PageType = report.pageType;
  page->XResolution = ResolutionOfCode(report.xResolutionCode, report.xDpi);
  page->YResolution = ResolutionOfCode(report.yResolutionCode, report.yDpi);
  page->ResolutionUnit = 2;
  page->CompressionType = report.compression;
  page->ColourModel = ColourModelOfPixels(report.pixelCode);
  if (page->ColourModel == 0 && Scanner()) Scanner()->SetOutputType(ScanOutputType::Tiff);
  std::int32_t code = 0;
  page->CreateTempFile(availableFolder_, code);
  if (code != 0) {
    lastError_ = kDocScanFailed;
    lastErrorMsg_ = QString::number(code) + QLatin1Char('-') + SystemErrorText(code);
    return {};
  }
  if (ScannerControl* control = Scanner()) page->PageScenario = ScenarioOfIni(control->ScanSettingsFile());
  page->FileCreator = ScanSoftwareText();
  page->CreationDate = TiffDateTimeText(clock_.Now());
  if (report.barCodesRead) {
    page->BarCodes().SetEnabled(true);
    for (const ScannedPageReport::BarCode& read : report.barCodes) {
      page->BarCodes().Add(SymbologyOfControlType(read.typeCode), std::round(read.left), std::round(read.top),
                           read.value.trimmed());
    }
  }
  const std::int32_t number = appendAt_ > 0 ? appendAt_ : PageCount() + 1;
  pages_->AddPage(page, number, QString(), appendAt_);
  if (appendAt_ > 0) ++appendAt_;
  altered_ = true;
  return page->FileName;
}

void cDocument::OnPageDone() {
  ++batchPages_;
  currentPage_ = appendAt_ > 0 ? appendAt_ - 1 : PageCount();
  if (pageShown_) pageShown_(currentPage_);
}

void cDocument::OnScanError(std::int32_t code, const QString& description) {
  const QString text = code < 20000 ? SystemErrorText(code) : description;
  if (code == kScanNoMorePaper) {
    if (batchPages_ == 0) lastError_ = kDocNoPaper;
    return;
  }
  if (code == kScanStoppedAfter && batchPages_ > 0) return;
  // A batch the user stopped keeps its pages and is no failure.
  if (code == kScanUserStopped) {
    if (lastError_ == 0) lastError_ = kScanUserStopped;
    return;
  }
  if (lastError_ == 0) lastError_ = kDocScanFailed;
  lastErrorMsg_ = QString::number(code) + QLatin1Char('-') + text;
  if (ScannerControl* control = Scanner()) control->Stop();
}

// The batch's pages are joined into one TIFF in the Available Files folder and leave the document: the
// batch file now holds them, and the main window shows it.
void cDocument::OnBatchEnd() {
  appendAt_ = 0;
  // The batch's "press Run" advice would outlive the batch; the source is still reserved and ready.
  ShowPanel(kStatusPanel, QStringLiteral("Status: Ready"));
  const std::int32_t count = batchPages_;
  if (count == 0) return;
  std::vector<std::shared_ptr<cPage>> batch;
  for (std::int32_t k = 0; k < count; ++k) {
    if (auto page = pages_->Item(firstBatchPage_ + k)) batch.push_back(page);
  }
  QString target;
  std::int32_t code = 0;
  CreateTempFile(availableFolder_, target, code);
  if (code == 0) code = WritePages(target, kScanCompressionGroup4, batch);
  const bool joined = code == 0;
  if (!joined) {
    // The pages stay as page files of their own in Available Files, where the user finds them; the
    // document lets go of them, so that closing it can never delete them.
    if (!target.isEmpty()) QFile::remove(target);
    if (lastError_ == 0 || lastError_ == kScanUserStopped) lastError_ = kDocScanFailed;
    lastErrorMsg_ = QString::number(code) + QLatin1Char('-') +
                    QStringLiteral("The scanned pages could not be joined into one file; they are kept as page "
                                   "files in the Available Files folder.");
  } else {
    batchFile_ = target;
  }
  for (std::int32_t k = count; k > 0; --k) {
    const auto page = pages_->Item(firstBatchPage_ + k - 1);
    if (page && joined) QFile::remove(page->FileName);
    pages_->Remove(firstBatchPage_ + k - 1);
  }
  currentPage_ = PageCount() > 0 ? std::min(currentPage_, PageCount()) : 0;
}

}  // namespace pyxa
