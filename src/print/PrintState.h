// The print choices of the run: the printer, the pages of the document being printed, the mode
// and scale, the paper and duplex choices, and the driver settings stored per printer. Kept for
// the run only, never on disk; the print and printer windows read and change it.
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace pyxa {

enum PrintMode : int { kPrintRealSize = 0, kPrintScaled = 1, kPrintFitToPage = 2, kPrintAutoOrientation = 3 };

enum DuplexMode : int { kDuplexNone = 1, kDuplexLongEdge = 2, kDuplexShortEdge = 3 };

// The driver settings the properties window made, per printer, for the rest of the run.
class PrinterSettingsTable {
 public:
  // 0 and the settings when some are stored for the printer, -1 otherwise.
  int FindPrinterSettings(const QString& printer, QByteArray* settings) const;
  // Replaces the printer's entry or adds one.
  void StorePrinterSettings(const QString& printer, const QByteArray& settings);
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  std::vector<std::pair<QString, QByteArray>> entries_;
};

struct PrintState {
  QString printerName;  // empty until the first print
  // Page counts are 32-bit: a document past 32767 pages must not wrap.
  int pageCount = 0;
  int currentPage = 0;
  int printMode = kPrintFitToPage;
  int scalePercent = 100;
  int paperSource = 0;
  int paperSize = 0;
  int duplexMode = kDuplexNone;
  PrinterSettingsTable printerSettings;
};

}  // namespace pyxa
