#include "shell/ui/frmAbout.h"

#include "shell/ui/LoginBanner.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pyxa {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Pyxadesk"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* picture = new QLabel(this);
  picture->setPixmap(LoginBanner());
  auto* version = new QLabel(QStringLiteral("Version 2.5.2"), this);
  version->setObjectName(QStringLiteral("lblVersion"));
  auto* maker = new QLabel(QStringLiteral("Corvantis Pyxa document indexing for clinics."), this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 16);
  layout->addWidget(picture);
  for (QWidget* w : {static_cast<QWidget*>(version), static_cast<QWidget*>(maker)}) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 4, 20, 0);
    row->addWidget(w);
    layout->addLayout(row);
  }
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(20, 12, 20, 0);
  buttons->addStretch();
  buttons->addWidget(ok);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace pyxa
