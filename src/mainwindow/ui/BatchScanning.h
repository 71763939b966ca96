// What the main window's Scan command asks of scanning: one batch scanned into the Available Files
// folder with the scanning window. The composition root gives the real one; tests script it.
#pragma once

#include <QString>

class QWidget;

namespace pyxa {

class BatchScanning {
 public:
  virtual ~BatchScanning() = default;
  // Scans one batch; the batch file, or "" when no page was scanned (the scanning window has told
  // the user why, when there was something to tell).
  virtual QString ScanBatch(QWidget* parent) = 0;
};

}  // namespace pyxa
