#include "print/ui/frmPrinterDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "print/PrintRoutine.h"
#include "print/PrintState.h"
#include "print/PrinterPort.h"
#include "print/ui/frmPrinterProperties.h"

namespace pyxa {

namespace {
QLabel* DetailLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("-"), parent);
  label->setObjectName(QLatin1String(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(260);
  return label;
}
}  // namespace

frmPrinterDialog::frmPrinterDialog(PrinterPort& port, PrintState& state, QWidget* parent)
    : QDialog(parent), port_(port), state_(state) {
  setObjectName(QStringLiteral("frmPrinterDialog"));
  setWindowTitle(QStringLiteral("Printer"));
  printers_ = new QComboBox(this);
  printers_->setObjectName(QStringLiteral("PrinterCombo"));
  server_ = DetailLabel("ServerLabel", this);
  driver_ = DetailLabel("DriverLabel", this);
  portLabel_ = DetailLabel("PortLabel", this);
  share_ = DetailLabel("ShareLabel", this);
  properties_ = new QPushButton(QStringLiteral("&Properties"), this);
  properties_->setObjectName(QStringLiteral("cmdProperties"));

  auto* nameLabel = new QLabel(QStringLiteral("&Name:"), this);
  nameLabel->setBuddy(printers_);
  auto* nameRow = new QHBoxLayout;
  nameRow->addWidget(printers_, 1);
  nameRow->addWidget(properties_);
  auto* form = new QFormLayout;
  form->addRow(nameLabel, nameRow);
  form->addRow(QStringLiteral("Server:"), server_);
  form->addRow(QStringLiteral("Driver:"), driver_);
  form->addRow(QStringLiteral("Port:"), portLabel_);
  form->addRow(QStringLiteral("Share name:"), share_);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setObjectName(QStringLiteral("OKButton"));
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch();
  layout->addLayout(buttons);

  for (const QString& name : port_.PrinterNames()) printers_->addItem(name);
  printers_->addItem(kPrintToPdfName);
  // The remembered printer when it is still there, else the system's default, else the first.
  int index = printers_->findText(state_.printerName);
  if (index < 0) index = printers_->findText(port_.DefaultPrinter());
  printers_->setCurrentIndex(std::max(0, index));
  ok_->setEnabled(printers_->count() > 0);
  ShowDetails();

  connect(printers_, &QComboBox::currentIndexChanged, this, [this] { ShowDetails(); });
  connect(properties_, &QPushButton::clicked, this, [this] {
    frmPrinterProperties properties(port_, state_.printerSettings, ChosenPrinter(), this);
    properties.exec();
  });
  connect(ok_, &QPushButton::clicked, this, [this] {
    tag_ = QStringLiteral("1");
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    tag_.clear();
    reject();
  });
}

QString frmPrinterDialog::ChosenPrinter() const { return printers_->currentText(); }

void frmPrinterDialog::ShowDetails() {
  const QString printer = ChosenPrinter();
  PrinterDetails details;
  bool read = false;
  if (printer == kPrintToPdfName) {
    details = {QStringLiteral("This computer"), QStringLiteral("PDF file"), QStringLiteral("A file you choose"),
               QString()};
    read = true;
  } else if (!printer.isEmpty()) {
    read = port_.Details(printer, &details);
  }
  const auto show = [&](QLabel* label, const QString& text) {
    label->setText(read && !text.isEmpty() ? text : QStringLiteral("-"));
  };
  show(server_, details.server);
  show(driver_, details.driver);
  show(portLabel_, details.port);
  show(share_, details.share);
  // The PDF file has no driver, and a printer that cannot be read has no properties to show.
  properties_->setEnabled(read && printer != kPrintToPdfName);
}

}  // namespace pyxa
