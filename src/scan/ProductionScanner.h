// The production scanner kind's scan control on our scanner layer: its sources are the scanner
// devices, a source is reserved by holding the device open between batches, the page scenario's
// "Scan Settings" section gives the device settings, and a batch's pages go through the page
// processing on a worker thread and are reported in order as they end. Page files of the
// file-import source (re-processing and recompressing a page) are written by the imaging layer.
#pragma once

#include <QObject>
#include <deque>
#include <map>
#include <functional>

#include "document/FileImportControl.h"
#include "document/ScanControl.h"
#include "scan/ScannerSource.h"

namespace pyxa {

// What page processing made of a scanned page.
struct ProcessedScan {
  QImage image;                                     // the page to store
  bool barCodesRead = false;                        // the scenario reads bar codes
  std::vector<ScannedPageReport::BarCode> barCodes;  // with the control's type codes
};

// The page scenario's image processing; called on a worker thread, one page at a time per batch.
class PageProcessing {
 public:
  virtual ~PageProcessing() = default;
  // Takes the "Image Processing" section of the scenario file (before a batch starts); what it could
  // not read, for the user (the rest of the section still applies).
  virtual QStringList Configure(const QString& iniFile, const QString& section) = 0;
  virtual ProcessedScan Process(const ScannedPage& page, int pageInBatch) = 0;
};

// The control's codes for the ways a batch or a reservation can fail, besides those in ScanControl.h.
inline constexpr std::int32_t kScanJammed = 20101;
inline constexpr std::int32_t kScanCoverOpen = 20102;
inline constexpr std::int32_t kScanDeviceBusy = 20103;
inline constexpr std::int32_t kScanIoError = 20104;
inline constexpr std::int32_t kScanDeviceGone = 20105;
inline constexpr std::int32_t kScanHelperDied = 20106;
inline constexpr std::int32_t kScanFailed = 20107;
inline constexpr std::int32_t kScanSettingsUnreadable = 3064;  // "Failed to load the scenario file to the KScan control."

// The control code for a scanner layer status (0 for Ok).
std::int32_t ControlCodeOf(ScannerSource::Status status);

class ProductionScanner final : public QObject, public ScannerControl {
  Q_OBJECT

 public:
  // importSourceName: the name of the file-import source this control also offers.
  ProductionScanner(ScannerSource& source, PageProcessing* processing, QString importSourceName,
                    QObject* parent = nullptr);

  // ScanControl
  QString ReservedSource() const override;
  std::int32_t Reserve(const QString& source) override;
  std::int32_t Unreserve() override;
  void SetOutput(bool on) override { import_.SetOutput(on); }
  bool Output() const override { return import_.Output(); }
  void SetOutputType(ScanOutputType type) override { import_.SetOutputType(type); }
  ScanOutputType OutputType() const override { return import_.OutputType(); }
  bool CompressionAvailable(int compression) const override { return import_.CompressionAvailable(compression); }
  std::int32_t SetOutputCompression(int compression) override { return import_.SetOutputCompression(compression); }
  int OutputCompression() const override { return import_.OutputCompression(); }
  ImportedPage ImportPage(const QString& source, const QString& target) override;

  // ScannerControl
  QString SourceAt(int index) const override;
  QString CurrentSource() const override { return current_; }
  void SetCurrentSource(const QString& source) override { current_ = source; }
  std::int32_t PrepareSource() override;
  QString ErrorDescription(std::int32_t code) const override;
  std::int32_t LoadScanSettings(const QString& iniFile, const QString& section) override;
  QString ScanSettingsFile() const override { return settingsFile_; }
  bool BlackAndWhite() const override;
  void StartScan(ScanEvents& events) override;
  void Stop() override;

  // The devices again (a scanner plugged in since); SourceAt reads the list taken then.
  void RefreshSources() const;
  const QList<OptionSetting>& ScanSettings() const { return settings_; }
  // What the page processing could not read of the scenario at the last batch's start.
  const QStringList& ScenarioProblems() const { return scenarioProblems_; }

 Q_SIGNALS:
  void BatchRunning(bool running);
  void PagesEnded(int pages);

 private:
  struct Pending {
    bool done = false;
    ProcessedScan result;
    ScannedPage page;
  };
  void OnPageScanned(const ScannedPage& page);
  void OnProcessed(quint64 batch, int index, ProcessedScan result);
  void DeliverReady();
  void FinishIfDone();
  void Remember(std::int32_t code, const QString& message) const;

  ScannerSource& source_;
  PageProcessing* processing_;
  FileImportControl import_;
  // The device list, read at the first question about it and again on RefreshSources.
  mutable QList<ScannerDevice> devices_;
  mutable bool listed_ = false;
  QString current_;
  QString settingsFile_;
  QList<OptionSetting> settings_;
  QStringList scenarioProblems_;
  mutable std::map<std::int32_t, QString> messages_;  // the last words the scanner layer gave for a code

  // The running batch.
  ScanEvents* events_ = nullptr;
  quint64 batch_ = 0;
  int scanned_ = 0;  // pages the scanner delivered
  int ended_ = 0;    // pages reported to the events
  std::map<int, Pending> pending_;
  bool sourceEnded_ = false;
  bool stopped_ = false;
  ScannerSource::Status endStatus_ = ScannerSource::Status::Ok;
  QString endMessage_;
  bool errorSent_ = false;
  std::function<void()> quit_;
};

}  // namespace pyxa
