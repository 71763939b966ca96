// The settings a user chooses for a batch in the scanner's settings window: which of the device's
// options are shown (source, mode, depth, resolution, page size, brightness, contrast, when the
// device offers them), their values, the settings sent to the scanner, and their memory per device
// in the user's settings.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "scan/ScannerTypes.h"

namespace pyxa {

class Registry;

struct ScanSettingField {
  enum class Kind { Choice, Number, Toggle };

  QString name;   // the option's name; kPageSizeField for the page size
  QString label;  // "Source", "Mode", ...
  Kind kind = Kind::Choice;
  QStringList choices;  // Choice: what the user reads
  QVariantList values;  // Choice: the value sent for each choice
  double min = 0, max = 0, step = 1;  // Number
  int decimals = 0;
  QString suffix;  // Number: " dpi", " %"
  QVariant value;  // the chosen value: one of values, a number, or a bool
};

// The page size stands for the four corner options of the scan area.
inline const QString kPageSizeField = QStringLiteral("page-size");

// The fields for the options the device offers and lets the user set, in the order they are sent
// (the source and mode first: they change what the others allow). A remembered value is taken
// when the device still allows it, else the device's own value.
QList<ScanSettingField> ScanSettingFields(const OptionList& options, const QMap<QString, QString>& remembered);

// The settings to send for the fields, in their order; the page size becomes tl-x, tl-y, br-x and
// br-y.
QList<OptionSetting> ScanSettingsToSend(const QList<ScanSettingField>& fields, const OptionList& options);

// The values remembered for device in the user's settings, and remembering them.
QMap<QString, QString> RememberedScanSettings(Registry& registry, const QString& device);
void RememberScanSettings(Registry& registry, const QString& device, const QList<ScanSettingField>& fields);

}  // namespace pyxa
