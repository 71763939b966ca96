#include "mainwindow/ui/SearchFrame.h"

#include "patients/ui/SearchFieldsBox.h"

#include <QBoxLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace pyxa {

SearchFrame::SearchFrame(QGroupBox* frame) {
  fields = new SearchFieldsBox(/*advancePhone=*/true, frame);
  cmdSearch = new QPushButton(QStringLiteral("S&earch"), frame);
  cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
  cmdSearch->setToolTip(QStringLiteral("Search Patient"));
  cmdClear = new QPushButton(QStringLiteral("&Clear"), frame);
  cmdClear->setObjectName(QStringLiteral("cmdClear"));
  cmdClear->setToolTip(QStringLiteral("Clear patient search criteria"));
  txtPatientID = new QLineEdit(frame);
  txtPatientID->setObjectName(QStringLiteral("txtPatientID"));
  txtPatientID->setVisible(false);
  txtEncounterID = new QLineEdit(frame);
  txtEncounterID->setObjectName(QStringLiteral("txtEncounterID"));
  txtEncounterID->setVisible(false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdSearch);
  buttons->addWidget(cmdClear);
  auto* layout = static_cast<QBoxLayout*>(frame->layout());
  layout->addWidget(fields);
  layout->addLayout(buttons);
}

}  // namespace pyxa
