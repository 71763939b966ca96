#include "scan/ScannerChoice.h"

namespace pyxa {

QString ScannerLine(const ScannerDevice& device) {
  return (device.vendor + QLatin1Char(' ') + device.model).trimmed();
}

QStringList ScannerLines(const QList<ScannerDevice>& devices) {
  QStringList lines;
  for (const ScannerDevice& device : devices) lines << ScannerLine(device);
  return lines;
}

int KeptScannerIndex(const QList<ScannerDevice>& devices, const QString& name) {
  const QString wanted = name.trimmed();
  if (wanted.isEmpty()) return -1;
  for (int i = 0; i < devices.size(); ++i)
    if (ScannerLine(devices[i]).compare(wanted, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

}  // namespace pyxa
