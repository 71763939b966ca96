#include "scan/processing/ui/ProcessingOptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "document/BarCodes.h"
#include "scan/processing/BarCodeReader.h"

namespace pyxa {

namespace {

// Where each option keeps its enabled flag; null for a value outside the enum.
bool* EnabledFlag(ProcessingOption option, ProcessingSettings& s) {
  switch (option) {
    case ProcessingOption::AutoAnnotate:
      return &s.autoAnnotate.enabled;
    case ProcessingOption::BarCodes:
      return &s.barCodes.enabled;
    case ProcessingOption::BlackBorder:
      return &s.blackBorder.enabled;
    case ProcessingOption::Deshade:
      return &s.deshade.enabled;
    case ProcessingOption::Deskew:
      return &s.deskew.enabled;
    case ProcessingOption::Despeckle:
      return &s.despeckle.enabled;
    case ProcessingOption::ImageFiltering:
      return &s.imageFiltering.enabled;
    case ProcessingOption::LinesRemoval:
      return &s.linesRemoval.enabled;
    case ProcessingOption::PatchCodes:
      return &s.patchCodes;
    case ProcessingOption::AdvancedPatchCodes:
      return &s.advancedPatchCodes;
    case ProcessingOption::StreakRemoval:
      return &s.streakRemoval.enabled;
    case ProcessingOption::Annotation:
      return &s.annotation.enabled;
  }
  return nullptr;
}

}  // namespace

ProcessingOptionDialog::ProcessingOptionDialog(ProcessingOption option, const ProcessingSettings& settings,
                                               QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(ProcessingOptionLabel(option));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  enabled_ = new QCheckBox(tr("&Enabled"), this);
  enabled_->setObjectName(QStringLiteral("enabled"));
  const bool* flag = EnabledFlag(option, settings_);
  enabled_->setChecked(flag && *flag);
  enabled_->setEnabled(flag != nullptr);
  layout->addWidget(enabled_);
  form_ = new QFormLayout;
  layout->addLayout(form_);
  appliers_.push_back([this, option](ProcessingSettings& s) {
    if (bool* on = EnabledFlag(option, s)) *on = enabled_->isChecked();
  });
  AddParameters(option, settings_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName(QStringLiteral("buttons"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  const auto grey = [this](bool on) {
    for (QWidget* w : parameters_) w->setEnabled(on);
  };
  connect(enabled_, &QCheckBox::toggled, this, grey);
  grey(enabled_->isChecked());
  enabled_->setFocus();
}

ProcessingSettings ProcessingOptionDialog::Edited() const {
  ProcessingSettings edited = settings_;
  for (const Apply& apply : appliers_) apply(edited);
  return edited;
}

void ProcessingOptionDialog::AddParameters(ProcessingOption option, const ProcessingSettings& s) {
  switch (option) {
    case ProcessingOption::AutoAnnotate:
      AddText("text", tr("&Text ({counter} counts the pages):"), s.autoAnnotate.text,
              [](ProcessingSettings& e, const QString& v) { e.autoAnnotate.text = v; });
      AddNumber("counterStart", tr("&First count:"), kCounterRange, s.autoAnnotate.counterStart, QString(),
                [](ProcessingSettings& e, int v) { e.autoAnnotate.counterStart = v; });
      AddNumber("counterStep", tr("&Step:"), kCounterStepRange, s.autoAnnotate.counterStep, QString(),
                [](ProcessingSettings& e, int v) { e.autoAnnotate.counterStep = v; });
      AddCorner("corner", s.autoAnnotate.corner,
                [](ProcessingSettings& e, PageCorner v) { e.autoAnnotate.corner = v; });
      AddNumber("fontPoints", tr("Font si&ze:"), kFontPointsRange, s.autoAnnotate.fontPoints, tr(" pt"),
                [](ProcessingSettings& e, int v) { e.autoAnnotate.fontPoints = v; });
      break;
    case ProcessingOption::Annotation:
      AddText("text", tr("&Text:"), s.annotation.text,
              [](ProcessingSettings& e, const QString& v) { e.annotation.text = v; });
      AddCorner("corner", s.annotation.corner, [](ProcessingSettings& e, PageCorner v) { e.annotation.corner = v; });
      AddNumber("fontPoints", tr("Font si&ze:"), kFontPointsRange, s.annotation.fontPoints, tr(" pt"),
                [](ProcessingSettings& e, int v) { e.annotation.fontPoints = v; });
      break;
    case ProcessingOption::BarCodes:
      AddBarCodeTypes(s.barCodes.types);
      break;
    case ProcessingOption::BlackBorder:
      AddNumber("maxWidth", tr("&Deepest border:"), kBorderWidthMmRange, s.blackBorder.maxWidthMm, tr(" mm"),
                [](ProcessingSettings& e, int v) { e.blackBorder.maxWidthMm = v; });
      break;
    case ProcessingOption::Deshade:
      AddNumber("tileSize", tr("&Tile size:"), kDeshadeTileRange, s.deshade.tileSize, tr(" px"),
                [](ProcessingSettings& e, int v) { e.deshade.tileSize = v; });
      AddNumber("background", tr("&Background grey:"), kDeshadeBackgroundRange, s.deshade.background, QString(),
                [](ProcessingSettings& e, int v) { e.deshade.background = v; });
      break;
    case ProcessingOption::Deskew:
      AddNumber("maxAngle", tr("&Largest angle:"), kDeskewAngleRange, s.deskew.maxAngle, tr(" degrees"),
                [](ProcessingSettings& e, int v) { e.deskew.maxAngle = v; });
      break;
    case ProcessingOption::Despeckle:
      AddNumber("maxSize", tr("&Largest speck:"), kSpeckSizeRange, s.despeckle.maxSize, tr(" px"),
                [](ProcessingSettings& e, int v) { e.despeckle.maxSize = v; });
      break;
    case ProcessingOption::ImageFiltering: {
      auto* method = new QComboBox(this);
      method->setObjectName(QStringLiteral("method"));
      for (ThresholdMethod m : {ThresholdMethod::Sauvola, ThresholdMethod::Otsu})
        method->addItem(ThresholdMethodName(m), int(m));
      method->setCurrentIndex(method->findData(int(s.imageFiltering.method)));
      form_->addRow(tr("&Method:"), method);
      parameters_.append(method);
      appliers_.push_back([method](ProcessingSettings& e) {
        e.imageFiltering.method = static_cast<ThresholdMethod>(method->currentData().toInt());
      });
      AddNumber("windowSize", tr("&Window:"), kFilterWindowRange, s.imageFiltering.windowSize, tr(" px"),
                [](ProcessingSettings& e, int v) { e.imageFiltering.windowSize = v; });
      break;
    }
    case ProcessingOption::LinesRemoval:
      AddCheck("horizontal", tr("&Horizontal lines"), s.linesRemoval.horizontal,
               [](ProcessingSettings& e, bool v) { e.linesRemoval.horizontal = v; });
      AddCheck("vertical", tr("&Vertical lines"), s.linesRemoval.vertical,
               [](ProcessingSettings& e, bool v) { e.linesRemoval.vertical = v; });
      AddNumber("minLength", tr("&Shortest line:"), kLineLengthMmRange, s.linesRemoval.minLengthMm, tr(" mm"),
                [](ProcessingSettings& e, int v) { e.linesRemoval.minLengthMm = v; });
      break;
    case ProcessingOption::StreakRemoval:
      AddNumber("maxWidth", tr("&Widest streak:"), kStreakWidthRange, s.streakRemoval.maxWidth, tr(" px"),
                [](ProcessingSettings& e, int v) { e.streakRemoval.maxWidth = v; });
      break;
    case ProcessingOption::PatchCodes:
    case ProcessingOption::AdvancedPatchCodes:
      break;  // on or off, nothing more
  }
}

void ProcessingOptionDialog::AddBarCodeTypes(std::uint32_t types) {
  auto* box = new QGroupBox(tr("Look for"), this);
  box->setObjectName(QStringLiteral("types"));
  auto* column = new QVBoxLayout(box);
  QList<QCheckBox*> checks;
  for (int code = 0; code < 10; ++code) {
    auto* check = new QCheckBox(BarCodeTypeName(code), box);
    check->setObjectName(QStringLiteral("type%1").arg(code));
    check->setChecked(types & BarCodeTypeBit(code));
    if (!BarCodeTypeReadable(code)) {
      // Kept as set, so that a section written for another reader is not changed by looking at it.
      check->setEnabled(false);
      check->setToolTip(tr("The installed bar code reader cannot read this type."));
    }
    column->addWidget(check);
    checks.append(check);
  }
  form_->addRow(box);
  parameters_.append(box);
  appliers_.push_back([checks](ProcessingSettings& e) {
    std::uint32_t chosen = 0;
    for (int code = 0; code < checks.size(); ++code)
      if (checks[code]->isChecked()) chosen |= BarCodeTypeBit(code);
    e.barCodes.types = chosen;
  });
}

void ProcessingOptionDialog::AddCheck(const char* name, const QString& label, bool value,
                                      std::function<void(ProcessingSettings&, bool)> set) {
  auto* check = new QCheckBox(label, this);
  check->setObjectName(QString::fromLatin1(name));
  check->setChecked(value);
  form_->addRow(check);
  parameters_.append(check);
  appliers_.push_back([check, set](ProcessingSettings& e) { set(e, check->isChecked()); });
}

void ProcessingOptionDialog::AddNumber(const char* name, const QString& label, SettingRange range, int value,
                                       const QString& suffix, std::function<void(ProcessingSettings&, int)> set) {
  auto* spin = new QSpinBox(this);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(range.min, range.max);
  spin->setValue(value);
  spin->setSuffix(suffix);
  form_->addRow(label, spin);
  parameters_.append(spin);
  appliers_.push_back([spin, set](ProcessingSettings& e) { set(e, spin->value()); });
}

void ProcessingOptionDialog::AddText(const char* name, const QString& label, const QString& value,
                                     std::function<void(ProcessingSettings&, const QString&)> set) {
  auto* edit = new QLineEdit(value, this);
  edit->setObjectName(QString::fromLatin1(name));
  form_->addRow(label, edit);
  parameters_.append(edit);
  appliers_.push_back([edit, set](ProcessingSettings& e) { set(e, edit->text()); });
}

void ProcessingOptionDialog::AddCorner(const char* name, PageCorner value,
                                       std::function<void(ProcessingSettings&, PageCorner)> set) {
  auto* combo = new QComboBox(this);
  combo->setObjectName(QString::fromLatin1(name));
  const std::pair<PageCorner, QString> corners[] = {{PageCorner::TopLeft, tr("Top left")},
                                                    {PageCorner::TopRight, tr("Top right")},
                                                    {PageCorner::BottomLeft, tr("Bottom left")},
                                                    {PageCorner::BottomRight, tr("Bottom right")}};
  for (const auto& [corner, text] : corners) combo->addItem(text, int(corner));
  combo->setCurrentIndex(combo->findData(int(value)));
  form_->addRow(tr("&Corner:"), combo);
  parameters_.append(combo);
  appliers_.push_back(
      [combo, set](ProcessingSettings& e) { set(e, static_cast<PageCorner>(combo->currentData().toInt())); });
}

}  // namespace pyxa
