// What the scanner selection window lists and keeps: one line per device ("vendor model"), the
// name box's rule, and the device chosen for the rest of the program run.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "scan/ScannerTypes.h"

namespace pyxa {

// Said when the scanner layer finds no device at all.
inline const QString kNoScannerText = QStringLiteral("There is no Scanner attached to the System!");

// The device's line in the list: vendor, a space, model.
QString ScannerLine(const ScannerDevice& device);
QStringList ScannerLines(const QList<ScannerDevice>& devices);

// The name box keeps a name only when it is (trimmed, in any case) one of the devices' lines; the
// answer is that line's index, or -1 when the box is to be cleared.
int KeptScannerIndex(const QList<ScannerDevice>& devices, const QString& name);

// The device chosen in the selection window, kept for the rest of the program run; none at start.
class ChosenScanner {
 public:
  bool Chosen() const { return device_.has_value(); }
  const ScannerDevice& Device() const { return *device_; }
  void Choose(const ScannerDevice& device) { device_ = device; }

 private:
  std::optional<ScannerDevice> device_;
};

}  // namespace pyxa
