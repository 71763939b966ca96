#include "print/ui/frmPrinterProperties.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <map>

#include "print/PrintRoutine.h"
#include "print/PrintState.h"
#include "print/PrinterPort.h"

namespace pyxa {

frmPrinterProperties::frmPrinterProperties(PrinterPort& port, PrinterSettingsTable& settings, const QString& printer,
                                           QWidget* parent)
    : QDialog(parent), settings_(settings), printer_(printer) {
  setObjectName(QStringLiteral("frmPrinterProperties"));
  setWindowTitle(QStringLiteral("%1 Properties").arg(printer));
  const std::vector<DriverOption> options = port.DriverOptions(printer);
  QByteArray stored;
  const JobOptions chosen =
      settings_.FindPrinterSettings(printer, &stored) == 0 ? DecodeJobOptions(stored) : JobOptions{};

  auto* page = new QWidget;
  auto* pageLayout = new QVBoxLayout(page);
  std::map<QString, QFormLayout*> groups;
  for (const DriverOption& option : options) {
    QFormLayout*& form = groups[option.group];
    if (!form) {
      auto* box = new QGroupBox(option.group.isEmpty() ? QStringLiteral("General") : option.group, page);
      form = new QFormLayout(box);
      pageLayout->addWidget(box);
    }
    auto* combo = new QComboBox(page);
    combo->setObjectName(option.keyword);
    QString current = option.defaultChoice;
    for (const JobOption& made : chosen)
      if (made.name == option.keyword) current = made.value;
    for (const DriverChoice& choice : option.choices) combo->addItem(choice.text, choice.keyword);
    combo->setCurrentIndex(std::max(0, combo->findData(current)));
    auto* label = new QLabel(option.text + QLatin1Char(':'), page);
    label->setBuddy(combo);
    form->addRow(label, combo);
    keywords_.push_back(option.keyword);
    boxes_.push_back(combo);
  }
  if (options.empty())
    pageLayout->addWidget(new QLabel(QStringLiteral("This printer's driver offers no settings."), page));
  pageLayout->addStretch();
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(page);

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  ok->setEnabled(!options.empty());
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(ok, &QPushButton::clicked, this, [this] {
    Store();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addLayout(buttons);
  resize(420, std::min(560, 120 + 36 * static_cast<int>(options.size())));
}

void frmPrinterProperties::Store() {
  JobOptions options;
  for (size_t i = 0; i < boxes_.size(); ++i)
    options.push_back({keywords_[i], boxes_[i]->currentData().toString()});
  settings_.StorePrinterSettings(printer_, EncodeJobOptions(options));
}

}  // namespace pyxa
