// The configuration window ("Configuration"): the service address and time-out with a test of the
// address, the working folders with their clean-ups, and the scanner kind with its source and scenario.
// The scanner kind changes in memory at once; the cover-sheet choices go into the settings at OK; the
// rest is taken by the caller after OK.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pyxa {

class ClinicalService;
class PreferencesHost;
class Prompter;
struct AppSettings;

class frmPrefs : public QDialog {
  Q_OBJECT

 public:
  // A service object of its own for an address, for the test (the session's is never touched).
  using ServiceMaker = std::function<std::unique_ptr<ClinicalService>(const QString& url)>;

  // serviceTimeout: the service component's own time-out, shown when the stored one is 0; storePath:
  // the document store in the uploads folder, kept by its clean-up while it holds documents.
  frmPrefs(AppSettings& settings, qint32 serviceTimeout, ServiceMaker makeService, Prompter& prompter,
           PreferencesHost& host, QString storePath, QWidget* parent = nullptr);

  // "OK" after OK; empty after Cancel.
  const QString& Tag() const { return tag_; }
  bool Kofax() const;
  QString Url() const;
  qint16 Timeout() const { return timeout_; }
  // The insecure address the user said Yes to in the URL test, if any.
  const QString& AcceptedInsecureUrl() const { return acceptedInsecure_; }

 private:
  void cmdTest_Click();
  void cmdDelDocs_Click();
  void cmdDelMDB_Click();
  void cmdOK_Click();
  void SetKind(bool kofax);
  void ReportUndeleted(const QStringList& files);

  AppSettings& settings_;
  ServiceMaker makeService_;
  Prompter& prompter_;
  PreferencesHost& host_;
  QString storePath_;
  QString acceptedInsecure_;
  QLineEdit* url_ = nullptr;
  QLineEdit* timeoutText_ = nullptr;
  QRadioButton* twain_ = nullptr;
  QRadioButton* kofax_ = nullptr;
  QPushButton* selectScanner_ = nullptr;
  QPushButton* kofaxSettings_ = nullptr;
  QCheckBox* findSheets_ = nullptr;
  QCheckBox* sheetKinds_[3] = {};  // covers, separators, patch T
  QCheckBox* keepSheets_ = nullptr;
  QCheckBox* readPages_ = nullptr;
  qint16 timeout_ = 0;
  QString tag_;
};

}  // namespace pyxa
