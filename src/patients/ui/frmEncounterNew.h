// The "New Encounter" window: asks whether to create an encounter for a patient who has no
// unsigned one; exec() returns Accepted when the user pressed OK.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace pyxa {

class frmEncounterNew : public QDialog {
  Q_OBJECT

 public:
  // dateText: the date the new encounter will carry, as the opener shows it.
  explicit frmEncounterNew(const QString& dateText, QWidget* parent = nullptr);

 private:
  QLabel* SSPanel2_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
};

}  // namespace pyxa
