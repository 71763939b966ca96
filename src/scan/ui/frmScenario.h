// The page scenario window: one button per processing option (each opens that option's settings,
// when the source and the installed libraries allow it), the scanner's own settings for the scan,
// and OK, which writes the scenario's two sections to its INI file, or Cancel.
#pragma once

#include <QDialog>
#include <QList>

#include "scan/ScanSettings.h"
#include "scan/ScenarioFile.h"
#include "scan/processing/ProcessingAvailability.h"
#include "scan/processing/ProcessingSettings.h"

class QPushButton;

namespace pyxa {

class Prompter;
class ScannerSource;

class frmScenario : public QDialog {
  Q_OBJECT

 public:
  // scenario names the sections ("Pyxa" gives "Pyxa - Scan Settings" and "Pyxa - Image Processing");
  // device is the reserved source whose settings the scan uses ("" when none is chosen yet).
  frmScenario(ScannerSource& source, Prompter& prompter, QString iniFile, QString scenario, QString device,
              QWidget* parent = nullptr);

  // "OK" after a scenario was written, "CANCEL" after Cancel; empty while open.
  const QString& Tag() const { return tag_; }
  const ProcessingSettings& Processing() const { return processing_; }

 private:
  void OnOption(ProcessingOption option);
  void OnScanSettings();
  void OnOK();
  QString ScanSection() const;
  QString ProcessingSection() const;

  ScannerSource& source_;
  Prompter& prompter_;
  QString iniFile_, scenario_, device_;
  ScenarioFileRead file_;
  ProcessingSettings processing_;
  IniEntries scanSettings_;
  OptionList options_;  // the device's, read once the window opens
  SourceTraits traits_;
  QString tag_;
};

}  // namespace pyxa
