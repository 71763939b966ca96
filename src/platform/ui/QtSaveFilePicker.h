// The desktop's save dialog.
#pragma once

#include "platform/SaveFilePicker.h"

class QWidget;

namespace pyxa {

class QtSaveFilePicker final : public SaveFilePicker {
 public:
  explicit QtSaveFilePicker(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  QString SaveFile(const QString& title, const QString& folder, const QString& filter) override;

 private:
  QWidget* parent_;
};

}  // namespace pyxa
