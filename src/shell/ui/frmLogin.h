// The login window: login name, password and the Login button; the authentication mark
// that the opener reads after the window has closed.
#pragma once

#include "shell/LoginController.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pyxa {

class frmLogin : public QDialog {
  Q_OBJECT

 public:
  static inline const QString kAuthenticated = QStringLiteral("AUTHENTICATED");

  frmLogin(LoginController& controller, QWidget* parent = nullptr);

  // Pre-fills the login name and starts the cursor in the password box.
  void SetUser(const QString& login);
  // "AUTHENTICATED" after a successful login, empty otherwise.
  QString AuthenticationMark() const;

 private:
  void cmdLogin_Click();
  void cmdHiddenLogin_Click();

  LoginController& controller_;
  QLabel* imgBackground_;
  QLineEdit* txtLogin_;
  QLineEdit* txtPassword_;
  QPushButton* cmdLogin_;
  QPushButton* cmdHiddenLogin_;
};

}  // namespace pyxa
