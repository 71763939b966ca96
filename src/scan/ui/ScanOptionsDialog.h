// The scanner's settings window shown before a batch: one control per setting the device offers
// (source, mode, resolution, page size, brightness, contrast), remembered per device; Scan starts
// the batch, Cancel scans nothing.
#pragma once

#include <QDialog>
#include <QList>

#include "scan/ScanSettings.h"
#include "scan/ui/frmViewer.h"

class QWidget;

namespace pyxa {

class Prompter;
class Registry;
class ScannerSource;

class ScanOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  ScanOptionsDialog(const QString& scannerLine, QList<ScanSettingField> fields, QWidget* parent = nullptr);

  // The fields with the values the user chose.
  QList<ScanSettingField> Fields() const;
  // The accepting button says "Scan" unless the caller only keeps the settings (then "OK").
  void SetAcceptText(const QString& text);

 private:
  QList<ScanSettingField> fields_;
  QList<QWidget*> editors_;  // one per field
};

// The settings asker the scanning window uses: reads the device's options, shows the settings window
// with the values remembered for the device, remembers what the user chose, and answers the settings
// to send; none when the options cannot be read (the user is told) or the user cancelled.
ScanSettingsAsker SettingsWindowAsker(ScannerSource& source, Registry& registry, Prompter& prompter,
                                      QWidget* parent);

}  // namespace pyxa
