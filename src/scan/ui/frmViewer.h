// The scanning window ("Corvantis Twain"): makes sure a scanner is chosen, asks the scanner's
// settings, then scans one batch into the Available Files folder while it shows the pages as they
// arrive, progress and Cancel. It closes itself when the batch ends; every page scanned stays in
// the batch, whose path it hands on after each page.
#pragma once

#include <QDialog>
#include <QList>
#include <functional>
#include <optional>

#include "scan/ScannerTypes.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace pyxa {

class ChosenScanner;
class Clock;
class Prompter;
class ScanSession;
class ScannerSource;

// Asks the settings for a batch on device (the scanner's own settings window); none when the user
// cancelled it.
using ScanSettingsAsker = std::function<std::optional<QList<OptionSetting>>(const ScannerDevice& device)>;

class frmViewer : public QDialog {
  Q_OBJECT

 public:
  frmViewer(ScannerSource& source, ChosenScanner& chosen, ScanSettingsAsker settings, Prompter& prompter,
            const Clock& clock, QString availableFolder, QWidget* parent = nullptr);
  ~frmViewer() override;

  // The whole scan: chooses a scanner when none is chosen yet, asks its settings and scans one
  // batch with this window shown modally. Returns the batch file, or "" when no page was scanned.
  QString Scan();

  QString BatchPath() const { return batchPath_; }

 Q_SIGNALS:
  // The batch now holds pages pages; the main window takes path as its scanned batch.
  void BatchChanged(const QString& path, int pages);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  bool EnsureScanner();
  void ShowPage(const QString& path, int pages);

  ScannerSource& source_;
  ChosenScanner& chosen_;
  ScanSettingsAsker settings_;
  Prompter& prompter_;
  const Clock& clock_;
  QString folder_;
  ScanSession* session_ = nullptr;
  QLabel* lblStatus_ = nullptr;
  QLabel* picture_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QString batchPath_;
};

}  // namespace pyxa
