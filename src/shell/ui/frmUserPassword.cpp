#include "shell/ui/frmUserPassword.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Prompter.h"

namespace pyxa {

frmUserPassword::frmUserPassword(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
  setObjectName(QStringLiteral("frmUserPassword"));
  setWindowTitle(QStringLiteral("Webservice Test"));
  user_ = new QLineEdit(this);
  user_->setObjectName(QStringLiteral("txtUsername"));
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("txtPassword"));
  password_->setEchoMode(QLineEdit::Password);
  auto* form = new QFormLayout;
  auto* userLabel = new QLabel(QStringLiteral("&Username:"), this);
  userLabel->setBuddy(user_);
  auto* passwordLabel = new QLabel(QStringLiteral("&Password:"), this);
  passwordLabel->setBuddy(password_);
  form->addRow(userLabel, user_);
  form->addRow(passwordLabel, password_);
  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  connect(ok, &QPushButton::clicked, this, [this] {
    if (user_->text().isEmpty() || password_->text().isEmpty()) {
      prompter_.Ask({QStringLiteral("Please enter a Username and Password."), QString(), PromptIcon::Information,
                     PromptButtons::Ok});
      return;
    }
    tag_ = QStringLiteral("OK");
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, [this] {
    tag_.clear();
    reject();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  setMinimumWidth(320);
}

QString frmUserPassword::UserName() const { return user_->text(); }
QString frmUserPassword::Password() const { return password_->text(); }

}  // namespace pyxa
