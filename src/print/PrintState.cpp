#include "print/PrintState.h"

namespace pyxa {

int PrinterSettingsTable::FindPrinterSettings(const QString& printer, QByteArray* settings) const {
  for (const auto& [name, bytes] : entries_) {
    if (name == printer) {
      *settings = bytes;
      return 0;
    }
  }
  return -1;
}

void PrinterSettingsTable::StorePrinterSettings(const QString& printer, const QByteArray& settings) {
  for (auto& [name, bytes] : entries_) {
    if (name == printer) {
      bytes = settings;
      return;
    }
  }
  entries_.emplace_back(printer, settings);
}

}  // namespace pyxa
