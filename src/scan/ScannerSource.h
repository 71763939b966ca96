// The scanner layer as the scanning window sees it: the devices, their options, and a batch of pages
// delivered one at a time with progress and exactly one ending.
#pragma once

#include <QObject>

#include "scan/ScannedPage.h"
#include "scan/ScannerTypes.h"

namespace pyxa {

class ScannerSource : public QObject {
  Q_OBJECT

 public:
  enum class Status {
    Ok,              // the batch ran to its end (feeder empty, the page limit, one flatbed page)
    NoDocuments,     // nothing in the feeder when the batch started
    Jammed,
    CoverOpen,
    IoError,
    DeviceBusy,
    Cancelled,
    HelperDied,      // the part of the program that talks to the scanner crashed or stopped answering
    DeviceVanished,  // the device is not there (unplugged, switched off, a name from an old list)
    Failed,          // anything else: a setting the device refused, a page it cannot describe, ...
    WarmingUp,       // the lamp is not ready yet: the same call succeeds after a wait
  };
  Q_ENUM(Status)

  struct Reservation {
    Status status = Status::Ok;
    QString message;  // why not, in the program's words; empty when reserved
    bool ok() const { return status == Status::Ok; }
  };

  using QObject::QObject;

  // Quick calls that wait a bounded time; a failure comes back as a message, never as an exception.
  virtual DeviceList Devices() = 0;
  virtual OptionList Options(const QString& device) = 0;

  // Starts a batch and returns at once. Pages arrive through PageScanned, and BatchEnded follows exactly
  // once, also when the batch could not start. maxPages 0 scans until the feeder is empty (one page on a
  // flatbed). Returns false, and signals nothing, while another batch is running.
  virtual bool StartBatch(const QString& device, const QList<OptionSetting>& settings, int maxPages = 0) = 0;
  // Ends the running batch: no page arrives after this call, pages already delivered stay delivered, and
  // BatchEnded(Cancelled) follows. Does nothing when no batch is running.
  virtual void Cancel() = 0;
  virtual bool IsScanning() const = 0;

  // Holds the device open between batches, so that no other program can take it; a device reserved
  // before is given back first. Options and batches of the reserved device use it as it is. Reserving
  // the reserved device again does nothing.
  virtual Reservation Reserve(const QString& device) = 0;
  virtual void Release() = 0;
  // The reserved device; "" when none is (also after the part of the program holding it ended).
  virtual QString ReservedDevice() const = 0;

 Q_SIGNALS:
  void PageScanned(const pyxa::ScannedPage& page);
  // fraction of the page read, 0 to 1; -1 when the scanner does not know the page's length in advance
  void Progress(int page, double fraction);
  void BatchEnded(pyxa::ScannerSource::Status status, const QString& message);
};

}  // namespace pyxa
