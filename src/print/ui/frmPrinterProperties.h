// A printer's driver settings, built from the options its driver offers. OK keeps the choices as
// the printer's stored settings for the rest of the run; Cancel leaves them as they were.
#pragma once

#include <QDialog>
#include <vector>

class QComboBox;

namespace pyxa {

class PrinterPort;
class PrinterSettingsTable;
struct DriverOption;

class frmPrinterProperties : public QDialog {
  Q_OBJECT

 public:
  frmPrinterProperties(PrinterPort& port, PrinterSettingsTable& settings, const QString& printer,
                       QWidget* parent = nullptr);

 private:
  void Store();

  PrinterSettingsTable& settings_;
  QString printer_;
  std::vector<QString> keywords_;
  std::vector<QComboBox*> boxes_;
};

}  // namespace pyxa
