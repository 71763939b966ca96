// The audit log window ("Audit Log"): the stored actions of a date range, narrowed by the start of a
// document or patient name and by words of the document's name, type or page text, with names from
// the service; emptying the log after a question; and the listed rows exported as a CSV file.
#pragma once

#include <QDialog>
#include <QList>
#include <functional>

#include "audit/AuditLogListing.h"

class QDateEdit;
class QLineEdit;
class QTreeWidget;

namespace pyxa {

class Prompter;
class SaveFilePicker;
class Session;

class frmAuditLog : public QDialog {
  Q_OBJECT

 public:
  // storePath: the document store; categoryName: the category table's name of an identifier;
  // usDates: the user's country writes dates month first. Lists today's actions at once.
  frmAuditLog(Session& session, Prompter& prompter, SaveFilePicker& saver, QString storePath,
              std::function<QString(qint64)> categoryName, bool usDates, QWidget* parent = nullptr);

  void cmdSearch_Click();

 private:
  void cmdClear_Click();
  void cmdClearlog_Click();
  void cmdExport_Click();

  Session& session_;
  Prompter& prompter_;
  SaveFilePicker& saver_;
  QString storePath_;
  std::function<QString(qint64)> categoryName_;
  bool usDates_;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  QLineEdit* documentName_ = nullptr;
  QLineEdit* patientName_ = nullptr;
  QLineEdit* words_ = nullptr;
  QTreeWidget* results_ = nullptr;
  QList<AuditLogLine> lines_;  // what the list shows, for the export
};

}  // namespace pyxa
