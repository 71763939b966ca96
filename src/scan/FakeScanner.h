// A scanner source that a test scripts: the devices and options it reports, the pages a batch delivers
// and how the batch ends. Pages arrive from the event loop, one per turn, as from a real scanner.
#pragma once

#include <QMap>

#include "scan/ScannerSource.h"

namespace pyxa {

class FakeScanner : public ScannerSource {
  Q_OBJECT

 public:
  using ScannerSource::ScannerSource;

  void SetDevices(const DeviceList& devices) { devices_ = devices; }
  void SetOptions(const QString& device, const OptionList& options) { options_[device] = options; }
  // The next batch delivers these pages, then ends with status and message.
  void ScriptBatch(const QList<ScannedPage>& pages, Status status = Status::Ok, const QString& message = {});
  // The next batch stops after this many pages until Resume() or Cancel(); -1 never stops.
  void PauseAfter(int pages) { pauseAfter_ = pages; }
  void Resume();

  // What the last StartBatch asked for.
  QString LastDevice() const { return lastDevice_; }
  QList<OptionSetting> LastSettings() const { return lastSettings_; }
  int LastMaxPages() const { return lastMaxPages_; }
  int BatchesStarted() const { return batchesStarted_; }

  DeviceList Devices() override { return devices_; }
  OptionList Options(const QString& device) override;
  bool StartBatch(const QString& device, const QList<OptionSetting>& settings, int maxPages = 0) override;
  void Cancel() override;
  bool IsScanning() const override { return scanning_; }
  // The next reservations answer these, in turn, before reserving; an empty script reserves at once.
  void ScriptReservations(const QList<Reservation>& answers) { reservations_ = answers; }
  int ReserveCalls() const { return reserveCalls_; }
  Reservation Reserve(const QString& device) override;
  void Release() override { reserved_.clear(); }
  QString ReservedDevice() const override { return reserved_; }
  // As when the part of the program holding the device ends: the reservation is gone.
  void LoseReservation() { reserved_.clear(); }

 private:
  void DeliverNext();

  DeviceList devices_;
  QMap<QString, OptionList> options_;
  QList<ScannedPage> pages_;
  Status endStatus_ = Status::Ok;
  QString endMessage_;
  int pauseAfter_ = -1;
  QString lastDevice_;
  QList<OptionSetting> lastSettings_;
  int lastMaxPages_ = 0;
  int batchesStarted_ = 0;
  bool scanning_ = false;
  bool paused_ = false;
  bool cancelling_ = false;
  int next_ = 0;
  int limit_ = 0;
  QList<Reservation> reservations_;
  QString reserved_;
  int reserveCalls_ = 0;
  quint64 batch_ = 0;  // turns queued for an earlier batch see a different number and do nothing
};

}  // namespace pyxa
