#include "scan/ScanSettings.h"

#include <cmath>
#include <optional>

#include "platform/Registry.h"

namespace pyxa {

namespace {

struct Shown {
  const char* name;
  const char* label;
};
// The options a clinic's batch needs, in the order they are sent.
constexpr Shown kShown[] = {{"source", "Source"},         {"mode", "Mode"},         {"depth", "Bits per sample"},
                            {"resolution", "Resolution"}, {"page-size", "Page size"}, {"brightness", "Brightness"},
                            {"contrast", "Contrast"}};

struct PaperSize {
  const char* name;
  double width, height;  // millimetres
};
constexpr PaperSize kPapers[] = {{"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6}, {"A4", 210.0, 297.0}};
const QString kWholeArea = QStringLiteral("Whole scan area");

const ScannerOption* Find(const OptionList& options, const QString& name) {
  for (const ScannerOption& option : options.options)
    if (option.name == name && option.active && option.settable) return &option;
  return nullptr;
}

QString Suffix(ScannerOption::Unit unit) {
  switch (unit) {
    case ScannerOption::Unit::Dpi: return QStringLiteral(" dpi");
    case ScannerOption::Unit::Percent: return QStringLiteral(" %");
    case ScannerOption::Unit::Bit: return QStringLiteral(" bit");
    default: return {};
  }
}

// The remembered text as a value of the option, when the option allows it.
std::optional<QVariant> Allowed(const ScannerOption& option, const QString& text) {
  if (option.type == ScannerOption::Type::String) {
    if (option.constraint == ScannerOption::Constraint::List && !option.allowed.contains(QVariant(text))) return {};
    return QVariant(text);
  }
  if (option.type == ScannerOption::Type::Bool) return QVariant(text == QStringLiteral("1"));
  bool ok = false;
  const double number = text.toDouble(&ok);
  if (!ok) return {};
  if (option.constraint == ScannerOption::Constraint::Range && (number < option.min || number > option.max)) return {};
  if (option.constraint == ScannerOption::Constraint::List) {
    for (const QVariant& allowed : option.allowed)
      if (std::abs(allowed.toDouble() - number) < 1e-6) return allowed;
    return {};
  }
  return option.type == ScannerOption::Type::Int ? QVariant(int(std::lround(number))) : QVariant(number);
}

QString Text(const QVariant& value) {
  if (value.typeId() == QMetaType::Bool) return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
  return value.toString();
}

// The paper sizes that fit the scan area the corner options allow, then the whole area.
std::optional<ScanSettingField> PageSizeField(const OptionList& options, const QMap<QString, QString>& remembered) {
  const ScannerOption* brx = Find(options, QStringLiteral("br-x"));
  const ScannerOption* bry = Find(options, QStringLiteral("br-y"));
  if (!brx || !bry || brx->unit != ScannerOption::Unit::Millimetre ||
      brx->constraint != ScannerOption::Constraint::Range || bry->constraint != ScannerOption::Constraint::Range)
    return {};
  ScanSettingField field;
  field.name = kPageSizeField;
  field.label = QStringLiteral("Page size");
  for (const PaperSize& paper : kPapers) {
    if (paper.width > brx->max + 0.5 || paper.height > bry->max + 0.5) continue;
    field.choices << QString::fromLatin1(paper.name);
    field.values << QString::fromLatin1(paper.name);
  }
  field.choices << kWholeArea;
  field.values << kWholeArea;
  const QString kept = remembered.value(kPageSizeField);
  field.value = field.values.contains(QVariant(kept)) ? QVariant(kept) : field.values.first();
  return field;
}

}  // namespace

QList<ScanSettingField> ScanSettingFields(const OptionList& options, const QMap<QString, QString>& remembered) {
  QList<ScanSettingField> fields;
  for (const Shown& shown : kShown) {
    const QString name = QString::fromLatin1(shown.name);
    if (name == kPageSizeField) {
      if (auto field = PageSizeField(options, remembered)) fields << *field;
      continue;
    }
    const ScannerOption* option = Find(options, name);
    if (!option || option->type == ScannerOption::Type::Button) continue;
    ScanSettingField field;
    field.name = name;
    field.label = QString::fromLatin1(shown.label);
    field.suffix = Suffix(option->unit);
    if (option->type == ScannerOption::Type::Bool) {
      field.kind = ScanSettingField::Kind::Toggle;
    } else if (option->constraint == ScannerOption::Constraint::List) {
      field.kind = ScanSettingField::Kind::Choice;
      for (const QVariant& allowed : option->allowed) {
        field.values << allowed;
        field.choices << allowed.toString() + field.suffix;
      }
    } else if (option->constraint == ScannerOption::Constraint::Range) {
      field.kind = ScanSettingField::Kind::Number;
      field.min = option->min;
      field.max = option->max;
      field.step = option->step > 0 ? option->step : 1;
      field.decimals = option->type == ScannerOption::Type::Fixed && option->step > 0 && option->step < 1 ? 1 : 0;
    } else {
      continue;  // an open text or number: nothing the window can offer safely
    }
    const auto kept = remembered.contains(name) ? Allowed(*option, remembered.value(name)) : std::nullopt;
    // Without a memory, letters and forms are scanned at 300 dpi where the device offers it: a
    // device's own default can be a preview resolution no one could read.
    const auto standard =
        name == QStringLiteral("resolution") ? Allowed(*option, QStringLiteral("300")) : std::nullopt;
    field.value = kept ? *kept : standard ? *standard : option->value;
    if (field.kind == ScanSettingField::Kind::Choice && !field.values.contains(field.value) && !field.values.isEmpty())
      field.value = field.values.first();
    fields << field;
  }
  return fields;
}

QList<OptionSetting> ScanSettingsToSend(const QList<ScanSettingField>& fields, const OptionList& options) {
  QList<OptionSetting> settings;
  for (const ScanSettingField& field : fields) {
    if (field.name != kPageSizeField) {
      settings << OptionSetting{field.name, field.value};
      continue;
    }
    const ScannerOption* brx = Find(options, QStringLiteral("br-x"));
    const ScannerOption* bry = Find(options, QStringLiteral("br-y"));
    if (!brx || !bry) continue;
    double width = brx->max, height = bry->max;
    for (const PaperSize& paper : kPapers) {
      if (field.value.toString() == QString::fromLatin1(paper.name)) {
        width = std::min(paper.width, brx->max);
        height = std::min(paper.height, bry->max);
      }
    }
    if (Find(options, QStringLiteral("tl-x"))) settings << OptionSetting{QStringLiteral("tl-x"), 0.0};
    if (Find(options, QStringLiteral("tl-y"))) settings << OptionSetting{QStringLiteral("tl-y"), 0.0};
    settings << OptionSetting{QStringLiteral("br-x"), width} << OptionSetting{QStringLiteral("br-y"), height};
  }
  return settings;
}

namespace {
// One key per device under the program's settings; the device name's own separators are kept
// out of the key path.
QString DeviceKey(const QString& device) {
  return kSettingsKeyPath + QStringLiteral("\\Scanners\\") + QString(device).replace(QLatin1Char('\\'), QLatin1Char('_'))
                                                                  .replace(QLatin1Char('/'), QLatin1Char('_'));
}
}  // namespace

QMap<QString, QString> RememberedScanSettings(Registry& registry, const QString& device) {
  QMap<QString, QString> values;
  for (const Shown& shown : kShown) {
    QString value;
    if (registry.ReadRegistryValue(Hive::User, DeviceKey(device), QString::fromLatin1(shown.name), value) == 0)
      values.insert(QString::fromLatin1(shown.name), value);
  }
  return values;
}

void RememberScanSettings(Registry& registry, const QString& device, const QList<ScanSettingField>& fields) {
  for (const ScanSettingField& field : fields)
    registry.WriteRegistryValue(Hive::User, DeviceKey(device), field.name, Text(field.value));
}

}  // namespace pyxa
