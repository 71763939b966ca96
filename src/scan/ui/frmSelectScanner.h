// The scanner selection window ("Settings"): the devices the scanner layer finds, one line each,
// a name box, OK and Cancel. It only chooses; the caller keeps the choice for the program run.
#pragma once

#include <QDialog>
#include <QList>

#include "scan/ScannerTypes.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace pyxa {

class Prompter;
class ScannerSource;

class frmSelectScanner : public QDialog {
  Q_OBJECT

 public:
  // Lists the devices at once; when there is none the user is told, and OK stays off.
  frmSelectScanner(ScannerSource& source, Prompter& prompter, QWidget* parent = nullptr);

  // The list's label: "Twain Source" unless the caller's scanner kind names its sources otherwise.
  void SetSourceLabel(const QString& text);
  // Puts name into the name box and the list, and enables OK.
  void Setup(const QString& name);

  // "OK" after OK, "CANCEL" after Cancel; empty while open.
  const QString& Tag() const { return tag_; }
  // The device at the list's chosen line after OK; none otherwise.
  const ScannerDevice* ChosenDevice() const;
  const QList<ScannerDevice>& Devices() const { return devices_; }

 private:
  QList<ScannerDevice> devices_;
  QComboBox* cboScanners_ = nullptr;
  QLineEdit* txtScanner_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  QString tag_;
  int chosen_ = -1;
};

}  // namespace pyxa
