// The save dialog of re-indexing as a seam: the window asks it for a file name, tests script it.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace pyxa {

class ReconciliationSavePicker {
 public:
  virtual ~ReconciliationSavePicker() = default;
  // Full path of the file the user named; empty when cancelled.
  virtual QString SaveFile(const QString& title, const QString& folder, const QString& filter) = 0;
};

class ReconciliationQtSavePicker final : public ReconciliationSavePicker {
 public:
  explicit ReconciliationQtSavePicker(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  QString SaveFile(const QString& title, const QString& folder, const QString& filter) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace pyxa
