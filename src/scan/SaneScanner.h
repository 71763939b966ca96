// The scanner source over SANE: SANE runs in our helper process (pyxa-scan-helper), so a backend that
// crashes or hangs ends the batch with a message instead of taking the window down. A batch never
// blocks the user-interface thread; the helper is started again on the next call after it died.
#pragma once

#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <string>

#include "scan/ScanPageAssembler.h"
#include "scan/ScanWire.h"
#include "scan/ScannerSource.h"

namespace pyxa {

class SaneScanner : public ScannerSource {
  Q_OBJECT

 public:
  struct Timeouts {
    int requestMs = 30000;  // a device list or option list, helper start included
    int silenceMs = 90000;  // no data during a batch for this long: the helper hangs and is ended
    int cancelMs = 10000;   // a cancelled batch the helper does not end within this is ended by force
  };

  // helperPath: the pyxa-scan-helper executable; the helper inherits the environment (SANE_CONFIG_DIR).
  explicit SaneScanner(QString helperPath, QObject* parent = nullptr);
  ~SaneScanner() override;

  void SetTimeouts(const Timeouts& timeouts) { timeouts_ = timeouts; }
  // The environment the next helper starts with (by default the program's own), e.g. SANE_CONFIG_DIR.
  void SetHelperEnvironment(const QProcessEnvironment& environment) { environment_ = environment; }
  // The running helper's process id, 0 when none runs.
  qint64 HelperProcessId() const;

  DeviceList Devices() override;
  OptionList Options(const QString& device) override;
  bool StartBatch(const QString& device, const QList<OptionSetting>& settings, int maxPages = 0) override;
  void Cancel() override;
  bool IsScanning() const override { return scanning_; }
  Reservation Reserve(const QString& device) override;
  void Release() override;
  QString ReservedDevice() const override;

 private:
  bool EnsureHelper(QString& error);
  std::optional<scanwire::Message> Request(const std::string& message, QString& error);
  void StopHelper();
  void OnReadyRead();
  void OnHelperFinished();
  void OnSilence();
  void ProcessBatchMessages();
  void HandleBatchMessage(const scanwire::Message& m);
  void FailBatch(const QString& why);
  void EndBatch(Status status, const QString& message);
  int PageInHand() const;

  QString helperPath_;
  Timeouts timeouts_;
  QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment();
  QPointer<QProcess> helper_;
  std::string buffer_;
  QTimer silence_;
  ScanPageAssembler assembler_;
  QString device_;
  QString reserved_;  // held by the running helper; a helper that ends takes it along
  bool scanning_ = false;
  bool cancelling_ = false;
  bool helperLeaving_ = false;  // the helper said it ends after this batch: the next call starts a new one
  bool inPage_ = false;
  int page_ = 0;
  int delivered_ = 0;
};

}  // namespace pyxa
