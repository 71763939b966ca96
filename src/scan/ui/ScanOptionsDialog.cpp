#include "scan/ui/ScanOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "scan/ScannerChoice.h"
#include "scan/ScannerSource.h"

namespace pyxa {

namespace {

QString ObjectName(const QString& option) {
  QString name = QStringLiteral("opt");
  for (const QString& part : option.split(QLatin1Char('-'))) name += part.left(1).toUpper() + part.mid(1);
  return name;  // "resolution" -> "optResolution", "page-size" -> "optPageSize"
}

}  // namespace

ScanOptionsDialog::ScanOptionsDialog(const QString& scannerLine, QList<ScanSettingField> fields, QWidget* parent)
    : QDialog(parent), fields_(std::move(fields)) {
  setObjectName(QStringLiteral("frmScanSettings"));
  setWindowTitle(QStringLiteral("Scanner Settings - ") + scannerLine);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  for (const ScanSettingField& field : fields_) {
    QWidget* editor = nullptr;
    switch (field.kind) {
      case ScanSettingField::Kind::Choice: {
        auto* combo = new QComboBox(this);
        combo->addItems(field.choices);
        combo->setCurrentIndex(std::max<int>(0, int(field.values.indexOf(field.value))));
        editor = combo;
        break;
      }
      case ScanSettingField::Kind::Number: {
        auto* spin = new QDoubleSpinBox(this);
        spin->setDecimals(field.decimals);
        spin->setRange(field.min, field.max);
        spin->setSingleStep(field.step);
        spin->setSuffix(field.suffix);
        spin->setValue(field.value.toDouble());
        editor = spin;
        break;
      }
      case ScanSettingField::Kind::Toggle: {
        auto* check = new QCheckBox(this);
        check->setChecked(field.value.toBool());
        editor = check;
        break;
      }
    }
    editor->setObjectName(ObjectName(field.name));
    auto* label = new QLabel(field.label + QLatin1Char(':'), this);
    label->setBuddy(editor);
    form->addRow(label, editor);
    editors_ << editor;
  }
  if (fields_.isEmpty())
    form->addRow(new QLabel(QStringLiteral("This scanner offers no settings here; it scans with its own."), this));

  auto* buttons = new QDialogButtonBox(this);
  auto* scan = buttons->addButton(QStringLiteral("&Scan"), QDialogButtonBox::AcceptRole);
  scan->setObjectName(QStringLiteral("cmdScan"));
  scan->setDefault(true);
  auto* cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch();
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

QList<ScanSettingField> ScanOptionsDialog::Fields() const {
  QList<ScanSettingField> chosen = fields_;
  for (qsizetype i = 0; i < chosen.size(); ++i) {
    ScanSettingField& field = chosen[i];
    if (auto* combo = qobject_cast<QComboBox*>(editors_[i])) {
      if (combo->currentIndex() >= 0) field.value = field.values.value(combo->currentIndex());
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(editors_[i])) {
      field.value = field.decimals == 0 ? QVariant(int(std::lround(spin->value()))) : QVariant(spin->value());
    } else if (auto* check = qobject_cast<QCheckBox*>(editors_[i])) {
      field.value = check->isChecked();
    }
  }
  return chosen;
}

ScanSettingsAsker SettingsWindowAsker(ScannerSource& source, Registry& registry, Prompter& prompter, QWidget* parent) {
  return [&source, &registry, &prompter, parent](const ScannerDevice& device) -> std::optional<QList<OptionSetting>> {
    OptionList options;
    {
      BusyCursor busy;  // the scanner is asked; a network scanner can take seconds
      options = source.Options(device.name);
    }
    if (!options.ok()) {
      prompter.Critical(options.error);
      return std::nullopt;
    }
    ScanOptionsDialog dialog(ScannerLine(device),
                             ScanSettingFields(options, RememberedScanSettings(registry, device.name)), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QList<ScanSettingField> chosen = dialog.Fields();
    RememberScanSettings(registry, device.name, chosen);
    return ScanSettingsToSend(chosen, options);
  };
}

void ScanOptionsDialog::SetAcceptText(const QString& text) {
  if (auto* accept = findChild<QPushButton*>(QStringLiteral("cmdScan"))) accept->setText(text);
}

}  // namespace pyxa
