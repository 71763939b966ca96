// The credentials window of the service address test ("Webservice Test").
#pragma once

#include <QDialog>

class QLineEdit;

namespace pyxa {

class Prompter;

class frmUserPassword : public QDialog {
  Q_OBJECT

 public:
  explicit frmUserPassword(Prompter& prompter, QWidget* parent = nullptr);
  // "OK" after OK with both fields filled; empty after Cancel.
  const QString& Tag() const { return tag_; }
  QString UserName() const;
  QString Password() const;

 private:
  Prompter& prompter_;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QString tag_;
};

}  // namespace pyxa
