// The file-open dialog of the desktop, behind the FilePicker seam.
#pragma once

#include "mainwindow/FilePicker.h"

#include <QPointer>
#include <QWidget>

namespace pyxa {

class QtFilePicker final : public FilePicker {
 public:
  explicit QtFilePicker(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  QStringList OpenFiles(const QString& title, const QString& filter) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace pyxa
