#include "mainwindow/ui/DocumentFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QTextEdit>

namespace pyxa {
namespace {

template <typename T, typename... Args>
T* Named(QWidget* parent, const char* name, Args&&... args) {
  auto* widget = new T(std::forward<Args>(args)..., parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLineEdit* DatePart(QWidget* parent, const char* name, int digits) {
  auto* edit = Named<QLineEdit>(parent, name);
  edit->setMaxLength(digits);
  // Pasted text must not bring letters in either.
  edit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), edit));
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(digits + 2, QLatin1Char('0'))) + 12);
  return edit;
}

QPushButton* Command(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
  auto* button = Named<QPushButton>(parent, name, caption);
  button->setToolTip(tip);
  button->setMinimumHeight(28);
  return button;
}

}  // namespace

DocumentFrame::DocumentFrame(QGroupBox* frame) {
  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  auto addRow = [&](QLabel* label, QWidget* field) {
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row++, 1);
  };

  Label11 = Named<QLabel>(frame, "Label11", QStringLiteral("Provider:"));
  cboPhysician = Named<QComboBox>(frame, "cboPhysician");
  addRow(Label11, cboPhysician);
  Label6 = Named<QLabel>(frame, "Label6", QStringLiteral("Category:"));
  cboCategory = Named<QComboBox>(frame, "cboCategory");
  addRow(Label6, cboCategory);
  Label7 = Named<QLabel>(frame, "Label7", QStringLiteral("Type:"));
  cboType = Named<QComboBox>(frame, "cboType");
  addRow(Label7, cboType);

  lblSender = Named<QLabel>(frame, "lblSender", QStringLiteral("Sender:"));
  auto* senders = new QHBoxLayout;
  cboSender = Named<QComboBox>(frame, "cboSender");
  txtSender = Named<QLineEdit>(frame, "txtSender");
  senders->addWidget(cboSender, 1);
  senders->addWidget(txtSender, 1);
  grid->addWidget(lblSender, row, 0);
  grid->addLayout(senders, row++, 1);
  lblSender->setBuddy(txtSender);

  lblDate = Named<QLabel>(frame, "lblDate", QStringLiteral("Report:"));
  auto* dates = new QHBoxLayout;
  txtDate1 = DatePart(frame, "txtDate1", 2);
  txtDate2 = DatePart(frame, "txtDate2", 2);
  txtDate3 = DatePart(frame, "txtDate3", 4);
  lblDateFormat = Named<QLabel>(frame, "lblDateFormat", QStringLiteral("dd/mm/yyyy"));
  lblDateFormat->setEnabled(false);
  for (QWidget* part : {static_cast<QWidget*>(txtDate1), static_cast<QWidget*>(txtDate2),
                        static_cast<QWidget*>(txtDate3), static_cast<QWidget*>(lblDateFormat)})
    dates->addWidget(part);
  dates->addStretch(1);
  grid->addWidget(lblDate, row, 0);
  grid->addLayout(dates, row++, 1);
  lblDate->setBuddy(txtDate1);

  Label10 = Named<QLabel>(frame, "Label10", QStringLiteral("Name:"));
  txtDocName = Named<QLineEdit>(frame, "txtDocName");
  addRow(Label10, txtDocName);
  Label12 = Named<QLabel>(frame, "Label12", QStringLiteral("Notes:"));
  txtNotes = Named<QTextEdit>(frame, "txtNotes");
  txtNotes->setAcceptRichText(false);
  txtNotes->setTabChangesFocus(true);
  // Room for a few lines: notes are short, and a taller box only pushes the commands down.
  const int line = txtNotes->fontMetrics().lineSpacing();
  txtNotes->setFixedHeight(4 * line + 12);
  Label12->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  addRow(Label12, txtNotes);

  auto* flags = new QHBoxLayout;
  chkAbnormal = Named<QCheckBox>(frame, "chkAbnormal", QStringLiteral("Abnormal"));
  chkSignoff = Named<QCheckBox>(frame, "chkSignoff", QStringLiteral("Sign-Off"));
  cmdEncounters = Command(frame, "cmdEncounters", QStringLiteral("Encounters"), QStringLiteral("Encounters"));
  chkEncounterDateModified = Named<QCheckBox>(frame, "chkEncounterDateModified");
  chkEncounterDateModified->setVisible(false);
  flags->addWidget(chkAbnormal);
  flags->addWidget(chkSignoff);
  flags->addStretch(1);
  flags->addWidget(cmdEncounters);
  grid->addLayout(flags, row++, 0, 1, 2);

  cmdNew = Command(frame, "cmdNew", QStringLiteral("Create New &Document"), QStringLiteral("Create New Document"));
  cmdNext = Command(frame, "cmdNext", QStringLiteral("&Append Page to Current Document"), QStringLiteral("Append page"));
  cmdAppendAll = Command(frame, "cmdAppendAll", QStringLiteral("Append A&ll"), QStringLiteral("Append page"));
  cmdReset = Command(frame, "cmdReset", QStringLiteral("&Reset All Fields"),
                     QStringLiteral("Clear document indexing values"));
  // Whose document Append extends, so that a page never joins another patient's unnoticed.
  lblAppendTarget = Named<QLabel>(frame, "lblAppendTarget");
  lblAppendTarget->setWordWrap(true);
  grid->addWidget(cmdNew, row++, 0, 1, 2);
  grid->addWidget(lblAppendTarget, row++, 0, 1, 2);
  for (QPushButton* button : {cmdNext, cmdAppendAll, cmdReset}) grid->addWidget(button, row++, 0, 1, 2);
  // The documents a batch's cover sheets propose become documents only when confirmed here.
  cmdConfirm = Command(frame, "cmdConfirm", QStringLiteral("Confir&m Proposed Document"),
                       QStringLiteral("Make the proposed document shown an indexed document, as the fields describe it"));
  cmdConfirmAll = Command(frame, "cmdConfirmAll", QStringLiteral("Confirm All Pr&oposed"),
                          QStringLiteral("Make every proposed document whose patient the clinic confirmed an indexed "
                                         "document, each as its cover sheet describes it"));
  auto* confirms = new QHBoxLayout;
  confirms->addWidget(cmdConfirm, 1);
  confirms->addWidget(cmdConfirmAll, 1);
  cmdConfirm->setVisible(false);
  cmdConfirmAll->setVisible(false);
  grid->addLayout(confirms, row++, 0, 1, 2);
  // A sheet to scan in front of this patient's next paper, so that the batch files itself.
  cmdCoverSheet = Command(frame, "cmdCoverSheet", QStringLiteral("Print Cover Sheet"),
                          QStringLiteral("Print a cover sheet for the chosen patient, to scan in front of their pages"));
  cmdCoverSheet->setEnabled(false);
  grid->addWidget(cmdCoverSheet, row++, 0, 1, 2);

  auto* layout = static_cast<QBoxLayout*>(frame->layout());
  layout->addLayout(grid);
  SetEncountersPicture(false);
}

void DocumentFrame::SetEncountersPicture(bool trusted) {
  const QStyle* style = QApplication::style();
  cmdEncounters->setIcon(style->standardIcon(trusted ? QStyle::SP_DialogApplyButton : QStyle::SP_MessageBoxWarning));
  cmdEncounters->setProperty("picture", trusted ? QStringLiteral("Trust") : QStringLiteral("Alert"));
}

void DocumentFrame::SetCountry2(bool country2) {
  lblDateFormat->setText(country2 ? QStringLiteral("mm/dd/yyyy") : QStringLiteral("dd/mm/yyyy"));
}

}  // namespace pyxa
