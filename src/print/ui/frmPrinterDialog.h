// The printer window ("Printer"): choose the printer to print on, see where it is and what drives
// it, and open its driver settings.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace pyxa {

class PrinterPort;
struct PrintState;

class frmPrinterDialog : public QDialog {
  Q_OBJECT

 public:
  frmPrinterDialog(PrinterPort& port, PrintState& state, QWidget* parent = nullptr);
  // "1" after OK, empty after Cancel.
  const QString& Tag() const { return tag_; }
  QString ChosenPrinter() const;

 private:
  void ShowDetails();

  PrinterPort& port_;
  PrintState& state_;
  QComboBox* printers_ = nullptr;
  QLabel* server_ = nullptr;
  QLabel* driver_ = nullptr;
  QLabel* portLabel_ = nullptr;
  QLabel* share_ = nullptr;
  QPushButton* properties_ = nullptr;
  QPushButton* ok_ = nullptr;
  QString tag_;
};

}  // namespace pyxa
