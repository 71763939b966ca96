#include "shell/ui/frmPrefs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "components/ClinicalService.h"
#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "shell/AppSettings.h"
#include "shell/ErrorTexts.h"
#include "shell/FolderCleanup.h"
#include "shell/PreferenceRules.h"
#include "shell/Session.h"
#include "shell/ui/PreferencesHost.h"
#include "shell/ui/frmUserPassword.h"

namespace pyxa {
namespace {

const QString kCleanupTitle = QStringLiteral("Clean up folder content");

QLineEdit* ShownFolder(QWidget* parent, const char* name, const QString& folder) {
  auto* edit = new QLineEdit(folder, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  return edit;
}

QToolButton* CleanupButton(QWidget* parent, const char* name, const QString& tip) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(parent->style()->standardIcon(QStyle::SP_TrashIcon));
  button->setToolTip(tip);
  button->setAccessibleName(tip);
  return button;
}

}  // namespace

frmPrefs::frmPrefs(AppSettings& settings, qint32 serviceTimeout, ServiceMaker makeService, Prompter& prompter,
                   PreferencesHost& host, QString storePath, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      makeService_(std::move(makeService)),
      prompter_(prompter),
      host_(host),
      storePath_(std::move(storePath)) {
  setObjectName(QStringLiteral("frmPrefs"));
  setWindowTitle(QStringLiteral("Configuration"));

  auto* web = new QGroupBox(QStringLiteral("Web Services"), this);
  web->setObjectName(QStringLiteral("Frame3"));
  url_ = new QLineEdit(settings_.WebServiceURL, web);
  url_->setObjectName(QStringLiteral("txtURL"));
  timeoutText_ = new QLineEdit(
      QString::number(settings_.WebServiceTimeout != 0 ? qint32(settings_.WebServiceTimeout) : serviceTimeout), web);
  timeoutText_->setObjectName(QStringLiteral("txtWSTimeout"));
  timeoutText_->setMaximumWidth(90);
  auto* test = new QPushButton(QStringLiteral("&Test"), web);
  test->setObjectName(QStringLiteral("cmdTest"));
  auto* webForm = new QFormLayout(web);
  auto* urlRow = new QHBoxLayout;
  urlRow->addWidget(url_, 1);
  urlRow->addWidget(test);
  auto* urlLabel = new QLabel(QStringLiteral("Upload &Web Service:"), web);
  urlLabel->setBuddy(url_);
  auto* timeoutLabel = new QLabel(QStringLiteral("Web Service T&imeout"), web);
  timeoutLabel->setBuddy(timeoutText_);
  webForm->addRow(urlLabel, urlRow);
  webForm->addRow(timeoutLabel, timeoutText_);

  auto* folders = new QGroupBox(QStringLiteral("File Directories"), this);
  folders->setObjectName(QStringLiteral("Frame2"));
  auto* folderForm = new QFormLayout(folders);
  auto* uploadRow = new QHBoxLayout;
  uploadRow->addWidget(ShownFolder(folders, "txtUpload", settings_.UploadsFolder), 1);
  auto* delMdb = CleanupButton(folders, "cmdDelMDB", QStringLiteral("Clean up upload documents folder"));
  uploadRow->addWidget(delMdb);
  auto* filesRow = new QHBoxLayout;
  filesRow->addWidget(ShownFolder(folders, "txtFiles", settings_.AvailableFolder), 1);
  auto* delDocs = CleanupButton(folders, "cmdDelDocs", QStringLiteral("Clean up scanned documents folder"));
  filesRow->addWidget(delDocs);
  folderForm->addRow(QStringLiteral("Upload MDBs:"), uploadRow);
  folderForm->addRow(QStringLiteral("Documents:"), filesRow);

  auto* scanning = new QGroupBox(QStringLiteral("Scanning"), this);
  scanning->setObjectName(QStringLiteral("Frame1"));
  twain_ = new QRadioButton(QStringLiteral("T&wain"), scanning);
  twain_->setObjectName(QStringLiteral("optTwain"));
  kofax_ = new QRadioButton(QStringLiteral("&Kofax"), scanning);
  kofax_->setObjectName(QStringLiteral("optKofax"));
  selectScanner_ = new QPushButton(QStringLiteral("Select &Scanner"), scanning);
  selectScanner_->setObjectName(QStringLiteral("btnSelectScanner"));
  kofaxSettings_ = new QPushButton(QStringLiteral("Setti&ngs"), scanning);
  kofaxSettings_->setObjectName(QStringLiteral("cmdKofaxSettings"));
  auto* scanRow = new QHBoxLayout(scanning);
  scanRow->addWidget(twain_);
  scanRow->addWidget(kofax_);
  scanRow->addStretch();
  scanRow->addWidget(selectScanner_);
  scanRow->addWidget(kofaxSettings_);
  (settings_.Kofax ? kofax_ : twain_)->setChecked(true);
  selectScanner_->setEnabled(settings_.Kofax);
  kofaxSettings_->setEnabled(settings_.Kofax);

  // Which sheets split a batch shown for indexing into proposed documents.
  auto* sheets = new QGroupBox(QStringLiteral("Cover Sheets"), this);
  sheets->setObjectName(QStringLiteral("fraSheets"));
  const auto check = [sheets](const char* name, const QString& text, bool on) {
    auto* box = new QCheckBox(text, sheets);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(on);
    return box;
  };
  findSheets_ = check("chkFindSheets", QStringLiteral("&Look for sheets in batches shown for indexing"),
                      settings_.FindSheets != 0);
  sheetKinds_[0] = check("chkSheetCovers", QStringLiteral("Co&ver sheets"), (settings_.SheetKinds & kSheetCovers) != 0);
  sheetKinds_[1] = check("chkSheetSeparators", QStringLiteral("Se&parator sheets"),
                         (settings_.SheetKinds & kSheetSeparators) != 0);
  sheetKinds_[2] = check("chkSheetPatches", QStringLiteral("Patc&h T sheets"), (settings_.SheetKinds & kSheetPatches) != 0);
  keepSheets_ = check("chkKeepSheets", QStringLiteral("Keep the sheet pages in the file after &filing"),
                      settings_.KeepSheetPages != 0);
  auto* sheetRows = new QVBoxLayout(sheets);
  sheetRows->addWidget(findSheets_);
  auto* kindRow = new QHBoxLayout;
  kindRow->addSpacing(20);
  for (QCheckBox* kind : sheetKinds_) kindRow->addWidget(kind);
  kindRow->addStretch();
  sheetRows->addLayout(kindRow);
  sheetRows->addWidget(keepSheets_);
  const auto followFind = [this] {
    for (QCheckBox* kind : sheetKinds_) kind->setEnabled(findSheets_->isChecked());
    keepSheets_->setEnabled(findSheets_->isChecked());
  };
  connect(findSheets_, &QCheckBox::toggled, this, followFind);
  followFind();

  auto* ok = new QPushButton(QStringLiteral("&OK"), this);
  ok->setObjectName(QStringLiteral("cmdOK"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("cmdCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(web);
  layout->addWidget(folders);
  layout->addWidget(scanning);
  layout->addWidget(sheets);
  auto* reading = new QGroupBox(QStringLiteral("Reading the Page"), this);
  reading->setObjectName(QStringLiteral("fraReadingPages"));
  readPages_ = new QCheckBox(QStringLiteral("&Read the pages shown and propose the patient and category they name"),
                             reading);
  readPages_->setObjectName(QStringLiteral("chkReadPages"));
  readPages_->setChecked(settings_.ReadPages != 0);
  (new QVBoxLayout(reading))->addWidget(readPages_);
  layout->addWidget(reading);
  layout->addLayout(buttons);
  setMinimumWidth(560);

  connect(test, &QPushButton::clicked, this, &frmPrefs::cmdTest_Click);
  connect(delDocs, &QToolButton::clicked, this, &frmPrefs::cmdDelDocs_Click);
  connect(delMdb, &QToolButton::clicked, this, &frmPrefs::cmdDelMDB_Click);
  // The kind changes in memory at once, also when the window is cancelled later; OK stores it.
  connect(kofax_, &QRadioButton::clicked, this, [this] { SetKind(true); });
  connect(twain_, &QRadioButton::clicked, this, [this] { SetKind(false); });
  connect(selectScanner_, &QPushButton::clicked, this, [this] { host_.SelectScanner(); });
  // The scenario window asks for a source first when none is chosen yet.
  connect(kofaxSettings_, &QPushButton::clicked, this, [this] { host_.EditScenario(); });
  connect(ok, &QPushButton::clicked, this, &frmPrefs::cmdOK_Click);
  connect(cancel, &QPushButton::clicked, this, [this] {
    tag_.clear();
    reject();
  });
}

bool frmPrefs::Kofax() const { return kofax_->isChecked(); }
QString frmPrefs::Url() const { return url_->text().trimmed(); }

void frmPrefs::SetKind(bool kofax) {
  selectScanner_->setEnabled(kofax);
  kofaxSettings_->setEnabled(kofax);
  settings_.Kofax = kofax;
  host_.ScannerKindChanged();
}

void frmPrefs::cmdTest_Click() {
  const QString url = Url();
  if (url.isEmpty()) {
    prompter_.Information(QStringLiteral("Enter the web service's URL."));
    return;
  }
  if (AsksInsecureQuestion(url) &&
      prompter_.Ask({kInsecureQuestion, QString(), PromptIcon::Question, PromptButtons::YesNo}) != PromptAnswer::Yes) {
    url_->setFocus();
    url_->selectAll();
    return;
  }
  if (AsksInsecureQuestion(url)) acceptedInsecure_ = url;
  try {
    std::unique_ptr<ClinicalService> service = makeService_(url);
    frmUserPassword credentials(prompter_, this);
    credentials.exec();
    if (credentials.Tag() != QStringLiteral("OK")) return;
    {
      BusyCursor busy;
      ConnectWebService(*service, credentials.UserName(), credentials.Password(), url);
    }
    prompter_.Ask({QStringLiteral("Connected to CVI_PATSRCH.asmx"), QString(), PromptIcon::None, PromptButtons::Ok});
  } catch (const ServiceError& error) {
    prompter_.Critical(QStringLiteral("An error has occurred.\nError #") + QString::number(error.Number()) +
                       QStringLiteral("\nDescription: ") + error.Description());
  } catch (const std::exception& error) {
    prompter_.Critical(QStringLiteral("An error has occurred.\nError #0\nDescription: ") + QString::fromLocal8Bit(error.what()));
  }
}

void frmPrefs::ReportUndeleted(const QStringList& files) {
  prompter_.Critical(QStringLiteral("Some of the files can not be deleted.\nThey are in use by Pyxa or another "
                                    "application.\n") +
                     files.join(QStringLiteral(", ")));
}

void frmPrefs::cmdDelDocs_Click() {
  if (prompter_.Ask({QStringLiteral("Clean up scanned documents folder?"), kCleanupTitle, PromptIcon::Question,
                     PromptButtons::OkCancel}) != PromptAnswer::Ok)
    return;
  // A shown file with unsaved edits is the user's to settle first.
  if (!host_.ReleaseShownFile()) return;
  CleanupResult result;
  {
    BusyCursor busy;
    result = CleanFolder(settings_.AvailableFolder);
  }
  host_.RefreshFiles();
  if (!result.Ok()) ReportUndeleted(result.failed);
}

void frmPrefs::cmdDelMDB_Click() {
  if (prompter_.Ask({QStringLiteral("Clean up upload documents folder?"), kCleanupTitle, PromptIcon::Question,
                     PromptButtons::OkCancel}) != PromptAnswer::Ok)
    return;
  CleanupResult result;
  {
    BusyCursor busy;
    result = CleanFolder(settings_.UploadsFolder, storePath_, [this] { return host_.StoredDocuments(); });
  }
  if (!result.Ok()) ReportUndeleted(result.failed);
  if (result.storeKeptFor > 0) prompter_.Information(StoreKeptText(result.storeKeptFor), kCleanupTitle);
}

// Nothing is taken that would not work: an address is needed, and the time-out must be a number.
void frmPrefs::cmdOK_Click() {
  if (Url().isEmpty()) {
    prompter_.Information(QStringLiteral("Enter the web service's URL."));
    url_->setFocus();
    return;
  }
  QString why;
  const std::optional<qint16> timeout = ParseServiceTimeout(timeoutText_->text(), &why);
  if (!timeout) {
    prompter_.Critical(why);
    timeoutText_->setFocus();
    timeoutText_->selectAll();
    return;
  }
  timeout_ = *timeout;
  settings_.FindSheets = findSheets_->isChecked() ? 1 : 0;
  settings_.SheetKinds = (sheetKinds_[0]->isChecked() ? kSheetCovers : 0) |
                         (sheetKinds_[1]->isChecked() ? kSheetSeparators : 0) |
                         (sheetKinds_[2]->isChecked() ? kSheetPatches : 0);
  settings_.KeepSheetPages = keepSheets_->isChecked() ? 1 : 0;
  settings_.ReadPages = readPages_->isChecked() ? 1 : 0;
  tag_ = QStringLiteral("OK");
  accept();
}

}  // namespace pyxa
