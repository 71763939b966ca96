#include "audit/ui/frmAuditLog.h"

#include <QDateEdit>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "audit/NameLookups.h"
#include "platform/SaveFilePicker.h"
#include "platform/Prompter.h"
#include "platform/ui/BusyCursor.h"
#include "store/AuditReads.h"
#include "store/WordSearch.h"

namespace pyxa {
namespace {

constexpr int kDateColumn = 4;

// Sorting by the action's date compares the times, not their words.
class AuditItem final : public QTreeWidgetItem {
 public:
  AuditItem(QTreeWidget* list, const AuditLogLine& line)
      : QTreeWidgetItem(list, {line.document, line.category, line.type, line.patient, line.date, line.action, line.user,
                               line.status}),
        when_(line.when) {}
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == kDateColumn) return when_ < static_cast<const AuditItem&>(other).when_;
    return text(column).localeAwareCompare(other.text(column)) < 0;
  }

 private:
  QDateTime when_;
};

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

frmAuditLog::frmAuditLog(Session& session, Prompter& prompter, SaveFilePicker& saver, QString storePath,
                         std::function<QString(qint64)> categoryName, bool usDates, QWidget* parent)
    : QDialog(parent),
      session_(session),
      prompter_(prompter),
      saver_(saver),
      storePath_(std::move(storePath)),
      categoryName_(std::move(categoryName)),
      usDates_(usDates) {
  setObjectName(QStringLiteral("frmAuditLog"));
  setWindowTitle(QStringLiteral("Audit Log"));
  from_ = new QDateEdit(QDate::currentDate(), this);
  from_->setObjectName(QStringLiteral("DTPicker1"));
  to_ = new QDateEdit(QDate::currentDate(), this);
  to_->setObjectName(QStringLiteral("DTPicker2"));
  for (QDateEdit* picker : {from_, to_}) {
    picker->setCalendarPopup(true);
    if (usDates_) picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
  }
  documentName_ = new QLineEdit(this);
  documentName_->setObjectName(QStringLiteral("txtDName"));
  patientName_ = new QLineEdit(this);
  patientName_->setObjectName(QStringLiteral("txtPName"));
  words_ = new QLineEdit(this);
  words_->setObjectName(QStringLiteral("txtWords"));
  words_->setMaxLength(kMaxSearchWordsLength);
  words_->setToolTip(QStringLiteral("Lists the actions on documents whose name, type or text read from the pages "
                                    "holds every one of these words"));

  auto* filters = new QFormLayout;
  auto* dates = new QHBoxLayout;
  dates->addWidget(from_);
  auto* toLabel = new QLabel(QStringLiteral("&To:"), this);
  toLabel->setBuddy(to_);
  dates->addWidget(toLabel);
  dates->addWidget(to_);
  dates->addStretch();
  auto* fromLabel = new QLabel(QStringLiteral("&From:"), this);
  fromLabel->setBuddy(from_);
  filters->addRow(fromLabel, dates);
  auto* documentLabel = new QLabel(QStringLiteral("&Document Name:"), this);
  documentLabel->setBuddy(documentName_);
  filters->addRow(documentLabel, documentName_);
  auto* patientLabel = new QLabel(QStringLiteral("&Patient Name:"), this);
  patientLabel->setBuddy(patientName_);
  filters->addRow(patientLabel, patientName_);
  auto* wordsLabel = new QLabel(QStringLiteral("&Words:"), this);
  wordsLabel->setBuddy(words_);
  filters->addRow(wordsLabel, words_);

  results_ = new QTreeWidget(this);
  results_->setObjectName(QStringLiteral("lvResults"));
  results_->setRootIsDecorated(false);
  results_->setAlternatingRowColors(true);
  results_->setUniformRowHeights(true);
  results_->setHeaderLabels({QStringLiteral("Document Name"), QStringLiteral("Category"), QStringLiteral("Type"),
                             QStringLiteral("PatientName"), QStringLiteral("Date Of Action"), QStringLiteral("Action"),
                             QStringLiteral("User Name"), QStringLiteral("Status")});
  results_->setSortingEnabled(true);
  results_->sortByColumn(kDateColumn, Qt::AscendingOrder);
  const int widths[] = {220, 120, 140, 170, 160, 120, 150, 90};
  for (int c = 0; c < 8; ++c) results_->setColumnWidth(c, widths[c]);

  auto* search = Button(this, "cmdSearch", QStringLiteral("S&earch"));
  search->setDefault(true);
  auto* clear = Button(this, "cmdClear", QStringLiteral("&Clear"));
  auto* clearLog = Button(this, "cmdClearlog", QStringLiteral("Clear &Log"));
  auto* exportRows = Button(this, "cmdExport", QStringLiteral("E&xport..."));
  exportRows->setToolTip(QStringLiteral("Save the listed rows as a CSV file"));
  auto* cancel = Button(this, "cmdCancel", QStringLiteral("&Cancel"));
  connect(search, &QPushButton::clicked, this, &frmAuditLog::cmdSearch_Click);
  connect(clear, &QPushButton::clicked, this, &frmAuditLog::cmdClear_Click);
  connect(clearLog, &QPushButton::clicked, this, &frmAuditLog::cmdClearlog_Click);
  connect(exportRows, &QPushButton::clicked, this, &frmAuditLog::cmdExport_Click);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(search);
  buttons->addWidget(clear);
  buttons->addStretch();
  buttons->addWidget(exportRows);
  buttons->addWidget(clearLog);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(results_, 1);
  layout->addLayout(buttons);
  setTabOrder(from_, to_);
  setTabOrder(to_, documentName_);
  setTabOrder(documentName_, patientName_);
  setTabOrder(patientName_, words_);
  setTabOrder(words_, search);
  resize(1200, 600);

  cmdSearch_Click();
}

void frmAuditLog::cmdSearch_Click() {
  results_->clear();
  lines_.clear();
  NameLookups names(session_);  // names are asked once per person per search
  AuditLogListing listing(names, categoryName_);
  QString error;
  {
    BusyCursor busy;
    // Sorting while rows arrive would move each new row; the list sorts once they are all in.
    results_->setSortingEnabled(false);
    const AuditLogQuery query{from_->date(), to_->date(), documentName_->text(), patientName_->text(), usDates_,
                              words_->text()};
    error = listing.List(storePath_, query, [this](const AuditLogLine& line) {
      lines_.append(line);
      new AuditItem(results_, line);
    });
    results_->setSortingEnabled(true);
  }
  if (!error.isEmpty()) prompter_.Critical(error);
}

void frmAuditLog::cmdClear_Click() {
  documentName_->clear();
  patientName_->clear();
  words_->clear();
  from_->setDate(QDate::currentDate());
  to_->setDate(QDate::currentDate());
}

void frmAuditLog::cmdClearlog_Click() {
  const PromptAnswer answer = prompter_.Ask({QStringLiteral("Are you sure you want to clear the log?"), kProductName,
                                            PromptIcon::Question, PromptButtons::YesNoCancel});
  if (answer != PromptAnswer::Yes) return;
  if (!QFileInfo(storePath_).isFile()) return;  // nothing stored yet: nothing to clear, and no store made
  try {
    BusyCursor busy;
    DeleteAuditLog(storePath_);
  } catch (const AuditReadError& error) {
    prompter_.Critical(QString::fromStdString(error.what()));
    return;
  }
  cmdSearch_Click();
}

void frmAuditLog::cmdExport_Click() {
  if (lines_.isEmpty()) {
    prompter_.Information(QStringLiteral("There are no rows to export. Search first."));
    return;
  }
  const QString path = saver_.SaveFile(QStringLiteral("Export Audit Log"), QString(),
                                       QStringLiteral("CSV files (*.csv)|*.csv|All Files (*.*)|*.*"));
  if (path.isEmpty()) return;
  // The file is replaced whole or not at all.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(AuditLogCsv(lines_)) < 0 || !file.commit()) {
    prompter_.Critical(QStringLiteral("The audit rows could not be saved to %1: %2").arg(path, file.errorString()));
  }
}

}  // namespace pyxa
