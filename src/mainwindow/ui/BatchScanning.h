// What the main window's Scan command asks of a scanner kind: one batch scanned into the Available
// Files folder. The composition root gives the real ones; tests script them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace pyxa {

class BatchScanning {
 public:
  virtual ~BatchScanning() = default;
  // Scans one batch; the batch file, or "" when no page was scanned (the scanning window has told
  // the user why, when there was something to tell).
  virtual QString ScanBatch(QWidget* parent) = 0;

  // Shows a text in one of the main window's status panels: "Scanner" or "Status".
  using Panels = std::function<void(const QString& panel, const QString& text)>;
  // Called as the main window loads when this is the kind the settings choose; a kind with nothing to
  // show leaves the panels alone.
  virtual void Prepare(const Panels& panels) { static_cast<void>(panels); }

  // Whether this kind has page scenarios to edit (the toolbar's Scan Scenarios shows only then), and
  // their window.
  virtual bool HasScenarios() const { return false; }
  virtual void EditScenarios(QWidget* parent) { static_cast<void>(parent); }
  // The kind's own choice of source outside a scan (the configuration window's Select Scanner).
  virtual void SelectSource(QWidget* parent) { static_cast<void>(parent); }
};

}  // namespace pyxa
