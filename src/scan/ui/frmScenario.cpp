#include "scan/ui/frmScenario.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "scan/ScannerSource.h"
#include "scan/processing/ui/EditProcessingOption.h"
#include "scan/ui/ScanOptionsDialog.h"

namespace pyxa {
namespace {

// What the source's modes allow, as far as processing goes; a source that says nothing scans black and white.
SourceTraits TraitsOf(const OptionList& options) {
  SourceTraits traits;
  for (const ScannerOption& option : options.options) {
    if (option.name != QStringLiteral("mode")) continue;
    for (const QVariant& mode : option.allowed) {
      const QString m = mode.toString().toLower();
      if (m.contains(QStringLiteral("gray")) || m.contains(QStringLiteral("grey"))) traits.grey = true;
      if (m.contains(QStringLiteral("color")) || m.contains(QStringLiteral("colour"))) traits.colour = true;
    }
  }
  return traits;
}

}  // namespace

frmScenario::frmScenario(ScannerSource& source, Prompter& prompter, QString iniFile, QString scenario, QString device,
                         QWidget* parent)
    : QDialog(parent),
      source_(source),
      prompter_(prompter),
      iniFile_(std::move(iniFile)),
      scenario_(std::move(scenario)),
      device_(std::move(device)) {
  setObjectName(QStringLiteral("frmScenario"));
  setWindowTitle(device_.isEmpty() ? QStringLiteral("Page Scenario")
                                   : QStringLiteral("Page Scenario - Current Scanner: ") + device_);
  file_ = ReadScenarioFile(iniFile_);
  QStringList problems = file_.problems;
  processing_ = ReadProcessingSection(file_.Section(ProcessingSection()), &problems);
  scanSettings_ = file_.Section(ScanSection());
  if (!device_.isEmpty()) {
    BusyCursor busy;  // the scanner is asked; a network scanner can take seconds
    options_ = source_.Options(device_);
  }
  traits_ = TraitsOf(options_);

  auto* grid = new QGridLayout;
  int index = 0;
  for (const ProcessingOption option : kProcessingOptions) {
    auto* button = new QPushButton(ProcessingOptionLabel(option), this);
    button->setObjectName(QStringLiteral("cmdOption%1").arg(index));
    button->setMinimumWidth(200);
    connect(button, &QPushButton::clicked, this, [this, option] { OnOption(option); });
    grid->addWidget(button, index / 2, index % 2);
    ++index;
  }
  auto* scan = new QPushButton(QStringLiteral("Scanner &Settings..."), this);
  scan->setObjectName(QStringLiteral("cmdScanSettings"));
  scan->setEnabled(!device_.isEmpty() && options_.ok());
  scan->setToolTip(device_.isEmpty() ? QStringLiteral("Choose a scanner first") : QString());
  connect(scan, &QPushButton::clicked, this, &frmScenario::OnScanSettings);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(ok, &QPushButton::clicked, this, &frmScenario::OnOK);
  connect(cancel, &QPushButton::clicked, this, [this] {
    tag_ = QStringLiteral("CANCEL");
    reject();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(scan);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addLayout(buttons);

  if (!device_.isEmpty() && !options_.ok()) prompter_.Notice(options_.error);
  if (!problems.isEmpty()) {
    prompter_.Notice(QStringLiteral("Parts of the page scenario could not be read and were left at their defaults:\n") +
                     problems.join(QLatin1Char('\n')));
  }
}

QString frmScenario::ScanSection() const { return scenario_ + QStringLiteral(" - Scan Settings"); }
QString frmScenario::ProcessingSection() const { return scenario_ + QStringLiteral(" - Image Processing"); }

void frmScenario::OnOption(ProcessingOption option) {
  QString why;
  if (!ProcessingOptionAvailable(option, traits_, &why)) {
    prompter_.Information(ProcessingOptionLabel(option) + QStringLiteral(" is not available with this scanner configuration."));
    return;
  }
  EditProcessingOption(option, processing_, this);
}


// The scanner's settings window over the device's options, starting from the scenario's values; the
// page size is kept beside the corners it stands for, so that it shows again next time (the scan
// control does not send it).
void frmScenario::OnScanSettings() {
  QMap<QString, QString> remembered;
  for (const auto& [name, value] : scanSettings_) remembered.insert(name, value);
  ScanOptionsDialog dialog(device_, ScanSettingFields(options_, remembered), this);
  dialog.SetAcceptText(QStringLiteral("OK"));
  if (dialog.exec() != QDialog::Accepted) return;
  const QList<ScanSettingField> fields = dialog.Fields();
  scanSettings_.clear();
  for (const ScanSettingField& field : fields) {
    if (field.name == kPageSizeField) scanSettings_.append({field.name, field.value.toString()});
  }
  for (const OptionSetting& setting : ScanSettingsToSend(fields, options_)) {
    const QString text = setting.value.typeId() == QMetaType::Bool ? (setting.value.toBool() ? QStringLiteral("1")
                                                                                              : QStringLiteral("0"))
                                                                   : setting.value.toString();
    scanSettings_.append({setting.name, text});
  }
}

// Both sections are written; any other section of the file stays as it was.
void frmScenario::OnOK() {
  QList<IniSection> sections;
  bool scanWritten = false, processingWritten = false;
  for (const IniSection& section : file_.sections) {
    if (QString::compare(section.name, ScanSection(), Qt::CaseInsensitive) == 0) {
      if (!scanWritten) sections.append({ScanSection(), scanSettings_});
      scanWritten = true;
    } else if (QString::compare(section.name, ProcessingSection(), Qt::CaseInsensitive) == 0) {
      if (!processingWritten) sections.append({ProcessingSection(), WriteProcessingSection(processing_)});
      processingWritten = true;
    } else {
      sections.append(section);
    }
  }
  if (!scanWritten) sections.append({ScanSection(), scanSettings_});
  if (!processingWritten) sections.append({ProcessingSection(), WriteProcessingSection(processing_)});
  if (const int error = WriteScenarioFile(iniFile_, sections); error != 0) {
    prompter_.Ask({QStringLiteral("Error creating scenario:") + QString::number(error), QString(), PromptIcon::Warning,
                   PromptButtons::Ok});
    return;
  }
  tag_ = QStringLiteral("OK");
  accept();
}

}  // namespace pyxa
