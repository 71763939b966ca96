// The print window: which pages, how many copies, paper size, source and duplex, and how the page
// is fitted to the paper; OK prints the shown document on the printer in the caption.
#pragma once

#include <QDialog>

#include "print/PrintChoices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace pyxa {

class PrintPageSource;
class Prompter;
class SaveFilePicker;

// What printing needs from the program around it.
struct PrintServices {
  PrintState& state;
  PrinterPort& port;
  Prompter& prompter;
  SaveFilePicker& saver;
  QString workFolder;  // where job files are made, private to the user
};

class frmPrintIm : public QDialog {
  Q_OBJECT

 public:
  // The caller has set the state's page count and current page.
  frmPrintIm(PrintServices services, PrintPageSource& pages, const QString& title, QWidget* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void LoadChoices();
  void FillPrinterLists();
  void UpdateScaleBox();
  void UpdateRangeBox();
  void ChooseSetup();
  void Print();
  PrintMode ChosenMode() const;

  PrintServices services_;
  PrintPageSource& pages_;
  QString title_;
  PrintChoices choices_;
  QLabel* noPrinter_ = nullptr;
  QRadioButton* all_ = nullptr;
  QRadioButton* current_ = nullptr;
  QRadioButton* range_ = nullptr;
  QLineEdit* rangeText_ = nullptr;
  QLineEdit* copies_ = nullptr;
  QToolButton* copiesUp_ = nullptr;
  QToolButton* copiesDown_ = nullptr;
  QComboBox* paperSize_ = nullptr;
  QComboBox* duplex_ = nullptr;
  QComboBox* paperSource_ = nullptr;
  QRadioButton* auto_ = nullptr;
  QRadioButton* fit_ = nullptr;
  QRadioButton* scale_ = nullptr;
  QLineEdit* scaleText_ = nullptr;
  QLabel* scaleLabel_ = nullptr;
  QRadioButton* real_ = nullptr;
};

// Shows the print window for the document's pages; the state's page count and current page
// must be set first.
void ShowPrintDialog(const PrintServices& services, PrintPageSource& pages, const QString& title,
                     QWidget* parent);

}  // namespace pyxa
