// The small dialog that edits one processing option: an "Enabled" check box and the step's parameters,
// which are greyed while the step is off. Controls carry object names after their setting ("enabled",
// "maxAngle", "text", ...) so tests and scripts can find them.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "scan/processing/ProcessingOption.h"
#include "scan/processing/ProcessingSettings.h"

class QCheckBox;
class QFormLayout;
class QDialogButtonBox;

namespace pyxa {

class ProcessingOptionDialog : public QDialog {
  Q_OBJECT

 public:
  ProcessingOptionDialog(ProcessingOption option, const ProcessingSettings& settings, QWidget* parent = nullptr);

  // The settings the dialog was given, with its option as the controls now stand.
  ProcessingSettings Edited() const;

 private:
  using Apply = std::function<void(ProcessingSettings&)>;

  void AddParameters(ProcessingOption option, const ProcessingSettings& s);
  void AddBarCodeTypes(std::uint32_t types);
  void AddCheck(const char* name, const QString& label, bool value, std::function<void(ProcessingSettings&, bool)> set);
  void AddNumber(const char* name, const QString& label, SettingRange range, int value, const QString& suffix,
                 std::function<void(ProcessingSettings&, int)> set);
  void AddText(const char* name, const QString& label, const QString& value,
               std::function<void(ProcessingSettings&, const QString&)> set);
  void AddCorner(const char* name, PageCorner value, std::function<void(ProcessingSettings&, PageCorner)> set);

  ProcessingSettings settings_;
  QCheckBox* enabled_ = nullptr;
  QFormLayout* form_ = nullptr;
  QList<QWidget*> parameters_;
  std::vector<Apply> appliers_;
};

}  // namespace pyxa
