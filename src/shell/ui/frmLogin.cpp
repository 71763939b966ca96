#include "shell/ui/frmLogin.h"

#include "platform/ui/BusyCursor.h"
#include "shell/ui/LoginBanner.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pyxa {

frmLogin::frmLogin(LoginController& controller, QWidget* parent) : QDialog(parent), controller_(controller) {
  setObjectName(QStringLiteral("frmLogin"));
  setWindowTitle(QStringLiteral("Login"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  imgBackground_ = new QLabel(this);
  imgBackground_->setObjectName(QStringLiteral("imgBackground"));
  imgBackground_->setPixmap(LoginBanner());

  txtLogin_ = new QLineEdit(this);
  txtLogin_->setObjectName(QStringLiteral("txtLogin"));
  txtPassword_ = new QLineEdit(this);
  txtPassword_->setObjectName(QStringLiteral("txtPassword"));
  txtPassword_->setEchoMode(QLineEdit::Password);

  cmdLogin_ = new QPushButton(QStringLiteral("Login"), this);
  cmdLogin_->setObjectName(QStringLiteral("cmdLogin"));
  cmdLogin_->setDefault(true);  // Enter in either box logs in
  cmdHiddenLogin_ = new QPushButton(this);
  cmdHiddenLogin_->setObjectName(QStringLiteral("cmdHiddenLogin"));
  cmdHiddenLogin_->setVisible(false);

  auto* fields = new QFormLayout;
  fields->setContentsMargins(24, 16, 24, 8);
  auto* loginLabel = new QLabel(QStringLiteral("&Login name:"), this);
  loginLabel->setBuddy(txtLogin_);
  auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
  passwordLabel->setBuddy(txtPassword_);
  fields->addRow(loginLabel, txtLogin_);
  fields->addRow(passwordLabel, txtPassword_);

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(24, 0, 24, 18);
  buttons->addStretch();
  buttons->addWidget(cmdLogin_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(imgBackground_);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  // The window is as wide as its picture.
  setFixedWidth(imgBackground_->pixmap().width());
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(txtLogin_, txtPassword_);
  setTabOrder(txtPassword_, cmdLogin_);
  cmdLogin_->setProperty("tag", QString());

  connect(cmdLogin_, &QPushButton::clicked, this, &frmLogin::cmdLogin_Click);
  connect(cmdHiddenLogin_, &QPushButton::clicked, this, &frmLogin::cmdHiddenLogin_Click);
  // Escape and the close box take the path that leaves without connecting.
  connect(this, &QDialog::rejected, this, [this] { cmdLogin_->setProperty("tag", QString()); });
}

void frmLogin::SetUser(const QString& login) {
  if (login.isEmpty()) return;
  txtLogin_->setText(login);
  setTabOrder(txtPassword_, cmdLogin_);
  setTabOrder(cmdLogin_, txtLogin_);
  txtPassword_->setFocus();
}

QString frmLogin::AuthenticationMark() const { return cmdLogin_->property("tag").toString(); }

void frmLogin::cmdLogin_Click() {
  const QString login = txtLogin_->text();
  if (!controller_.AcceptsAddress()) {
    txtPassword_->setFocus();
    return;
  }
  BusyCursor busy;
  // A failed attempt restores the pointer and empties the password before its message shows.
  const bool connected = controller_.Connect(login, txtPassword_->text(), [&] {
    busy.Release();
    cmdLogin_->setProperty("tag", QString());
    txtPassword_->clear();
  });
  busy.Release();
  if (!connected) {
    txtPassword_->setFocus();
    return;
  }
  cmdLogin_->setProperty("tag", kAuthenticated);
  hide();
  if (!controller_.SetTimeOffset(login)) cmdLogin_->setProperty("tag", QString());
  done(QDialog::Accepted);
}

void frmLogin::cmdHiddenLogin_Click() {
  cmdLogin_->setProperty("tag", QString());
  reject();
}

}  // namespace pyxa
