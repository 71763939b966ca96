#include "patients/ui/frmEncounterNew.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pyxa {

frmEncounterNew::frmEncounterNew(const QString& dateText, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEncounterNew"));
  setWindowTitle(QStringLiteral("New Encounter"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  SSPanel2_ = new QLabel(QStringLiteral("The patient has no unsigned Encounter. Create new Encounter") +
                             QStringLiteral("\n") + QStringLiteral(" as of ") + dateText + QStringLiteral(" ?"),
                         this);
  SSPanel2_->setObjectName(QStringLiteral("SSPanel2"));
  SSPanel2_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  SSPanel2_->setAlignment(Qt::AlignCenter);
  SSPanel2_->setWordWrap(true);
  SSPanel2_->setMargin(12);
  // Plain text: the date comes from the opener's boxes and must never be read as markup.
  SSPanel2_->setTextFormat(Qt::PlainText);

  cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
  cmdOK_->setObjectName(QStringLiteral("cmdOK"));
  cmdOK_->setDefault(true);
  cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(SSPanel2_, 1);  // the panel takes the growth
  layout->addLayout(buttons);
  resize(400, 150);

  setTabOrder(cmdOK_, cmdCancel_);
  cmdOK_->setFocus(Qt::OtherFocusReason);

  connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace pyxa
