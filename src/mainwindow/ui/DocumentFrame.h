// The controls of the document frame ("Document"): provider, category, type, sender, date,
// name, notes, flags, the encounters button and the create/append/reset commands.
#pragma once

#include <QString>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace pyxa {

struct DocumentFrame {
  // Builds the controls inside the frame, in tab order.
  explicit DocumentFrame(QGroupBox* frame);

  QLabel* Label11;
  QComboBox* cboPhysician;
  QLabel* Label6;
  QComboBox* cboCategory;
  QLabel* Label7;
  QComboBox* cboType;
  QLabel* lblSender;
  QComboBox* cboSender;
  QLineEdit* txtSender;
  QLabel* lblDate;
  QLineEdit* txtDate1;
  QLineEdit* txtDate2;
  QLineEdit* txtDate3;
  QLabel* lblDateFormat;
  QLabel* Label10;
  QLineEdit* txtDocName;
  QLabel* Label12;
  QTextEdit* txtNotes;
  QCheckBox* chkAbnormal;
  QCheckBox* chkSignoff;
  QPushButton* cmdEncounters;
  QCheckBox* chkEncounterDateModified;  // never shown: carries a clinical note's date flag
  QPushButton* cmdNew;
  QLabel* lblAppendTarget;
  QPushButton* cmdNext;
  QPushButton* cmdAppendAll;
  QPushButton* cmdReset;
  QPushButton* cmdCoverSheet;  // prints the chosen patient's cover sheet
  QPushButton* cmdConfirm;     // files the proposed document shown; only while there are proposals
  QPushButton* cmdConfirmAll;

  // The encounters button's picture: "Trust" once an encounter is chosen, else "Alert".
  void SetEncountersPicture(bool trusted);
  // The date hint in the order the fields expect.
  void SetCountry2(bool country2);
};

}  // namespace pyxa
