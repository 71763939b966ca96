#include "scan/ProductionScanner.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QImageWriter>
#include <QThreadPool>
#include <QMetaObject>
#include <cmath>

#include "document/PageImaging.h"
#include "scan/BatchWriter.h"
#include "scan/ScanSettings.h"
#include "scan/ScenarioFile.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;

// The control's resolution codes; 0 for a resolution outside its table.
std::int32_t ResolutionCode(int dpi) {
  switch (dpi) {
    case 75: return 1;
    case 100: return 2;
    case 150: return 4;
    case 200: return 8;
    case 240: return 16;
    case 300: return 32;
    case 400: return 64;
    case 600: return 128;
    default: return 0;
  }
}

std::int32_t PixelCode(const QImage& image) {
  if (image.depth() == 1) return 1;
  return image.allGray() ? 8 : 4;
}

// A value from the scenario file: a number when it reads as one, else the text.
QVariant SettingValue(const QString& text) {
  bool isNumber = false;
  const double number = text.toDouble(&isNumber);
  if (isNumber) return number == std::floor(number) && std::abs(number) < 1e9 ? QVariant(int(number)) : QVariant(number);
  return text;
}

// Writes the page as its page file: Group 4 TIFF for black and white, JPEG otherwise.
bool WritePageFile(const QImage& image, int xDpi, int yDpi, const QString& file, bool bilevel) {
  if (bilevel) {
    BatchWriter writer(file);
    return writer.Append({image, xDpi, yDpi}).Ok();
  }
  QImage page = FlattenForPage(image);
  if (xDpi > 0) page.setDotsPerMeterX(int(std::lround(xDpi / 0.0254)));
  if (yDpi > 0) page.setDotsPerMeterY(int(std::lround(yDpi / 0.0254)));
  QImageWriter writer(file, "jpeg");
  writer.setQuality(kPageJpegQuality);
  return writer.write(page);
}

}  // namespace

std::int32_t ControlCodeOf(Status status) {
  switch (status) {
    case Status::Ok: return 0;
    case Status::NoDocuments: return kScanNoMorePaper;
    case Status::Cancelled: return kScanUserStopped;
    case Status::WarmingUp: return kScanWarmingUp;
    case Status::Jammed: return kScanJammed;
    case Status::CoverOpen: return kScanCoverOpen;
    case Status::DeviceBusy: return kScanDeviceBusy;
    case Status::IoError: return kScanIoError;
    case Status::DeviceVanished: return kScanDeviceGone;
    case Status::HelperDied: return kScanHelperDied;
    case Status::Failed: return kScanFailed;
  }
  return kScanFailed;
}

ProductionScanner::ProductionScanner(ScannerSource& source, PageProcessing* processing, QString importSourceName,
                                     QObject* parent)
    : QObject(parent), source_(source), processing_(processing), import_(std::move(importSourceName)) {
  connect(&source_, &ScannerSource::PageScanned, this, &ProductionScanner::OnPageScanned);
  connect(&source_, &ScannerSource::BatchEnded, this, [this](Status status, const QString& message) {
    if (!events_) return;
    sourceEnded_ = true;
    endStatus_ = status;
    endMessage_ = message;
    FinishIfDone();
  });
}

QString ProductionScanner::ReservedSource() const {
  const QString scanner = source_.ReservedDevice();
  return scanner.isEmpty() ? import_.ReservedSource() : scanner;
}

std::int32_t ProductionScanner::Reserve(const QString& source) {
  if (QString::compare(source, import_.SourceName(), Qt::CaseInsensitive) == 0) return import_.Reserve(source);
  const ScannerSource::Reservation r = source_.Reserve(source);
  const std::int32_t code = ControlCodeOf(r.status);
  if (code != 0) Remember(code, r.message);
  return code;
}

std::int32_t ProductionScanner::Unreserve() {
  source_.Release();
  return import_.Unreserve();
}

ImportedPage ProductionScanner::ImportPage(const QString& source, const QString& target) {
  return import_.ImportPage(source, target);
}

void ProductionScanner::RefreshSources() const {
  const DeviceList list = source_.Devices();
  listed_ = true;
  devices_ = list.devices;
  if (!list.ok()) Remember(kScanFailed, list.error);
}

QString ProductionScanner::SourceAt(int index) const {
  if (!listed_) RefreshSources();
  return index >= 1 && index <= devices_.size() ? devices_.at(index - 1).name : QString();
}

// Getting a source ready opens it: that is where a scanner says it is still powering up.
std::int32_t ProductionScanner::PrepareSource() {
  if (current_.isEmpty()) return kScanFailed;
  if (QString::compare(current_, source_.ReservedDevice(), Qt::CaseInsensitive) == 0) return 0;
  return Reserve(current_);
}

QString ProductionScanner::ErrorDescription(std::int32_t code) const {
  if (const auto found = messages_.find(code); found != messages_.end()) return found->second;
  switch (code) {
    case kScanNoMorePaper: return QStringLiteral("There is no paper in the scanner's document feeder.");
    case kScanUserStopped: return QStringLiteral("Scanning was stopped.");
    case kScanWarmingUp: return QStringLiteral("The scanner is powering up.");
    case kScanJammed: return QStringLiteral("The scanner reports a paper jam.");
    case kScanCoverOpen: return QStringLiteral("The scanner's cover is open.");
    case kScanDeviceBusy: return QStringLiteral("The scanner is in use by another program.");
    case kScanIoError: return QStringLiteral("The scanner stopped working.");
    case kScanDeviceGone: return QStringLiteral("The scanner is not available.");
    case kScanHelperDied: return QStringLiteral("The connection to the scanner broke down.");
    default: return QStringLiteral("The scanner reported an error.");
  }
}

void ProductionScanner::Remember(std::int32_t code, const QString& message) const {
  if (!message.isEmpty()) messages_[code] = message;
}

std::int32_t ProductionScanner::LoadScanSettings(const QString& iniFile, const QString& section) {
  const ScenarioFileRead read = ReadScenarioFile(iniFile);
  if (!read.found) return kScanSettingsUnreadable;
  settingsFile_ = iniFile;
  settings_.clear();
  for (const auto& [name, value] : read.Section(section)) {
    // The page size is the settings window's memory of the scan area; the corners carry it to the device.
    if (name == kPageSizeField) continue;
    settings_.append({name, SettingValue(value)});
  }
  return 0;
}

bool ProductionScanner::BlackAndWhite() const {
  for (const OptionSetting& s : settings_) {
    if (s.name.compare(QStringLiteral("depth"), Qt::CaseInsensitive) == 0 && s.value.toInt() == 1) return true;
    if (s.name.compare(QStringLiteral("mode"), Qt::CaseInsensitive) != 0) continue;
    const QString mode = s.value.toString().toLower();
    return mode.contains(QStringLiteral("lineart")) || mode.contains(QStringLiteral("binary")) ||
           mode.contains(QStringLiteral("black")) || mode.contains(QStringLiteral("halftone"));
  }
  return false;
}

void ProductionScanner::StartScan(ScanEvents& events) {
  events_ = &events;
  ++batch_;
  scanned_ = 0;
  ended_ = 0;
  pending_.clear();
  sourceEnded_ = false;
  stopped_ = false;
  errorSent_ = false;
  endStatus_ = Status::Ok;
  endMessage_.clear();
  if (processing_ && !settingsFile_.isEmpty()) {
    QString section = QFileInfo(settingsFile_).completeBaseName();
    if (section.startsWith(QStringLiteral("PS"))) section.remove(0, 2);
    scenarioProblems_ = processing_->Configure(settingsFile_, section + QStringLiteral(" - Image Processing"));
  }
  Q_EMIT BatchRunning(true);
  events.BatchStart();
  QEventLoop loop;
  quit_ = [&loop] { loop.quit(); };
  const QString device = source_.ReservedDevice();
  if (device.isEmpty() || !source_.StartBatch(device, settings_)) {
    sourceEnded_ = true;
    endStatus_ = device.isEmpty() ? Status::DeviceVanished : Status::DeviceBusy;
    endMessage_ = device.isEmpty() ? QStringLiteral("No scanner is reserved.") : QStringLiteral("The scanner is busy.");
  }
  FinishIfDone();
  if (events_) loop.exec();
  quit_ = nullptr;
  Q_EMIT BatchRunning(false);
}

void ProductionScanner::Stop() {
  stopped_ = true;
  if (source_.IsScanning()) source_.Cancel();
}

void ProductionScanner::OnPageScanned(const ScannedPage& page) {
  if (!events_ || stopped_) return;
  const int index = scanned_++;
  pending_[index].page = page;
  if (!processing_) {
    pending_[index].result.image = page.image;
    pending_[index].done = true;
    DeliverReady();
    return;
  }
  // Processing runs beside the window's thread; its result comes back through the event loop. StartScan
  // returns only when every page is back, so this object outlives each task.
  PageProcessing* processing = processing_;
  const quint64 batch = batch_;
  QThreadPool::globalInstance()->start([this, processing, page, index, batch] {
    ProcessedScan result = processing->Process(page, index + 1);
    QMetaObject::invokeMethod(
        this, [this, batch, index, result = std::move(result)]() mutable { OnProcessed(batch, index, std::move(result)); },
        Qt::QueuedConnection);
  });
}

void ProductionScanner::OnProcessed(quint64 batch, int index, ProcessedScan result) {
  if (batch != batch_ || !events_) return;
  auto found = pending_.find(index);
  if (found == pending_.end()) return;
  if (result.image.isNull()) result.image = found->second.page.image;  // processing that fails keeps the scan
  found->second.result = std::move(result);
  found->second.done = true;
  DeliverReady();
}

// Pages are reported in the order they were scanned, each as soon as it and those before it are done.
void ProductionScanner::DeliverReady() {
  while (events_) {
    auto head = pending_.find(ended_);
    if (head == pending_.end() || !head->second.done) break;
    Pending page = std::move(head->second);
    pending_.erase(head);
    ++ended_;
    if (stopped_) continue;
    const QImage& image = page.result.image;
    ScannedPageReport report;
    report.pixelCode = PixelCode(image);
    report.xDpi = page.page.xDpi;
    report.yDpi = page.page.yDpi > 0 ? page.page.yDpi : page.page.xDpi;
    report.xResolutionCode = ResolutionCode(report.xDpi);
    report.yResolutionCode = ResolutionCode(report.yDpi);
    report.compression = report.pixelCode == 1 ? kScanCompressionGroup4 : kScanCompressionJpeg;
    report.barCodesRead = page.result.barCodesRead;
    report.barCodes = page.result.barCodes;
    const QString file = events_->PageEnd(report);
    if (file.isEmpty()) {
      Stop();
      continue;
    }
    if (!WritePageFile(image, report.xDpi, report.yDpi, file, report.pixelCode == 1)) {
      errorSent_ = true;
      events_->Error(kScanFailed, QStringLiteral("Page %1 could not be written to %2.").arg(ended_).arg(file));
      Stop();
      continue;
    }
    events_->PageDone();
    Q_EMIT PagesEnded(ended_);
  }
  FinishIfDone();
}

// The batch ends for the document once the scanner has ended it and every page is through processing.
void ProductionScanner::FinishIfDone() {
  if (!events_ || !sourceEnded_ || ended_ < scanned_) return;
  ScanEvents* events = events_;
  events_ = nullptr;
  Status status = endStatus_;
  if (stopped_ && status == Status::Ok) status = Status::Cancelled;
  if (status != Status::Ok && !errorSent_) {
    const std::int32_t code = ControlCodeOf(status);
    Remember(code, endMessage_);
    events->Error(code, endMessage_.isEmpty() ? ErrorDescription(code) : endMessage_);
  }
  events->BatchEnd();
  if (quit_) quit_();
}

}  // namespace pyxa
