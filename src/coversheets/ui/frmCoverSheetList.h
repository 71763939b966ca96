// The "Cover Sheets for a List" window: patients found with a search or read from a clinic list
// file, one cover sheet each, printed as one job.
#pragma once

#include <QDialog>

#include "coversheets/CoverSheetList.h"
#include "mainwindow/FilePicker.h"
#include "patients/PatientSearch.h"
#include "platform/Prompter.h"
#include "print/ui/frmPrintIm.h"
#include "shell/LoginPrompt.h"
#include "shell/Session.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QLabel;

namespace pyxa {

// What the window needs from the program around it.
struct CoverSheetListServices {
  Session& session;
  Prompter& prompter;
  LoginPrompt& login;  // a new login after an expired session
  FilePicker& files;   // chooses the clinic list file
  PrintServices print;
  bool country2 = false;  // dates of birth read month first
};

class frmCoverSheetList : public QDialog {
  Q_OBJECT

 public:
  explicit frmCoverSheetList(CoverSheetListServices services, QWidget* parent = nullptr);

  const CoverSheetList& List() const { return list_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Search();
  void AddChosen();
  void RemoveChosen();
  void MoveChosen(int by);
  void Import();
  void Print();
  void FillList(int current);
  void UpdateButtons();

  CoverSheetListServices services_;
  CoverSheetList list_;
  PatientResults results_;

  QLineEdit* txtLastName_;
  QLineEdit* txtFirstName_;
  QLineEdit* txtChart_;
  QPushButton* cmdSearch_;
  QTreeWidget* lvResults_;
  QPushButton* cmdAdd_;
  QTreeWidget* lvList_;
  QLabel* lblCount_;
  QPushButton* cmdRemove_;
  QPushButton* cmdUp_;
  QPushButton* cmdDown_;
  QPushButton* cmdImport_;
  QPushButton* cmdPrint_;
  QPushButton* cmdClose_;
};

// Shows the window modally; the list lasts as long as the window.
void ShowCoverSheetList(const CoverSheetListServices& services, QWidget* parent);

}  // namespace pyxa
