#include "scan/ui/frmSelectScanner.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "scan/ScannerChoice.h"
#include "scan/ScannerSource.h"

namespace pyxa {

frmSelectScanner::frmSelectScanner(ScannerSource& source, Prompter& prompter, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectScanner"));
  setWindowTitle(QStringLiteral("Settings"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  cboScanners_ = new QComboBox(this);
  cboScanners_->setObjectName(QStringLiteral("cboScanners"));
  cboScanners_->setMinimumContentsLength(32);
  cboScanners_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  txtScanner_ = new QLineEdit(this);
  txtScanner_->setObjectName(QStringLiteral("txtScanner"));
  cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  cmdOK_->setEnabled(false);
  auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

  auto* form = new QFormLayout;
  auto* label = new QLabel(QStringLiteral("Twain Source"), this);
  label->setObjectName(QStringLiteral("lblSource"));
  label->setBuddy(cboScanners_);
  form->addRow(label, cboScanners_);
  form->addRow(QString(), txtScanner_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setTabOrder(cboScanners_, txtScanner_);
  setTabOrder(txtScanner_, cmdOK_);
  setTabOrder(cmdOK_, cmdCancel);

  connect(cboScanners_, &QComboBox::currentTextChanged, txtScanner_, &QLineEdit::setText);
  connect(txtScanner_, &QLineEdit::textChanged, this, [this] { cmdOK_->setEnabled(true); });
  connect(cmdOK_, &QPushButton::clicked, this, [this] {
    chosen_ = cboScanners_->currentIndex();
    tag_ = QStringLiteral("OK");
    accept();
  });
  connect(cmdCancel, &QPushButton::clicked, this, [this] {
    tag_ = QStringLiteral("CANCEL");
    reject();
  });

  DeviceList list;
  {
    BusyCursor busy;  // finding scanners on the network can take seconds
    list = source.Devices();
  }
  if (!list.ok()) prompter.Notice(list.error);
  devices_ = list.devices;
  if (devices_.isEmpty()) {
    prompter.Notice(kNoScannerText);
    return;
  }
  const QString kept = txtScanner_->text();
  {
    const QSignalBlocker quiet(cboScanners_);  // filling the list is not the user choosing
    cboScanners_->addItems(ScannerLines(devices_));
  }
  const int index = KeptScannerIndex(devices_, kept);
  if (index >= 0) {
    cboScanners_->setCurrentIndex(index);
  } else {
    txtScanner_->setText(cboScanners_->currentText());
  }
  cmdOK_->setEnabled(true);
}

void frmSelectScanner::SetSourceLabel(const QString& text) {
  if (auto* label = findChild<QLabel*>(QStringLiteral("lblSource"))) label->setText(text);
}

void frmSelectScanner::Setup(const QString& name) {
  const int index = KeptScannerIndex(devices_, name);
  if (index >= 0) cboScanners_->setCurrentIndex(index);
  txtScanner_->setText(name);
  cmdOK_->setEnabled(true);
}

const ScannerDevice* frmSelectScanner::ChosenDevice() const {
  return tag_ == QStringLiteral("OK") && chosen_ >= 0 && chosen_ < devices_.size() ? &devices_[chosen_] : nullptr;
}

}  // namespace pyxa
