#include "coversheets/ui/frmCoverSheetList.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/ui/BusyCursor.h"
#include "print/PrintState.h"
#include "shell/ServiceFailures.h"

namespace pyxa {

namespace {

enum Column { kLastName, kFirstName, kDob, kChart };

// Print queues are listed to every user of the computer: the job names no patient.
const QString kJobName = QStringLiteral("Cover sheets");

// Left-out lines shown in the message at most; the rest are counted.
constexpr int kLeftOutShown = 15;

QPushButton* MakeButton(const QString& caption, const QString& objectName, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(objectName);
  // Enter belongs to the fields (search) and the results (add), never to a default button.
  button->setAutoDefault(false);
  return button;
}

QTreeWidget* MakePatientList(const QString& objectName, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(objectName);
  list->setHeaderLabels({QStringLiteral("Last Name"), QStringLiteral("First Name"), QStringLiteral("DOB"),
                         QStringLiteral("Chart Number")});
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setAllColumnsShowFocus(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->header()->setStretchLastSection(true);
  list->setColumnWidth(kLastName, 130);
  list->setColumnWidth(kFirstName, 110);
  list->setColumnWidth(kDob, 90);
  return list;
}

QLineEdit* MakeField(const QString& objectName, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(objectName);
  return field;
}

QLabel* MakeLabel(const QString& caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(buddy);
  return label;
}

QString DobText(const SearchCriteria& f) {
  if (f.dob3.isEmpty()) return {};
  return QStringLiteral("%1/%2/%3").arg(f.dob1, 2, QLatin1Char('0')).arg(f.dob2, 2, QLatin1Char('0')).arg(f.dob3);
}

QString LeftOutMessage(const QString& file, const ListImport& import) {
  QString text = QStringLiteral("%1 patient(s) from '%2' were added to the list. These lines were left out:\n")
                     .arg(import.added)
                     .arg(file);
  int shown = 0;
  for (const LeftOutLine& line : import.leftOut) {
    if (shown++ == kLeftOutShown) {
      text += QStringLiteral("\n... and %1 more.").arg(import.leftOut.size() - kLeftOutShown);
      break;
    }
    const QString chart = line.chart.isEmpty() ? QString() : QStringLiteral(", chart %1").arg(line.chart);
    text += QStringLiteral("\nLine %1%2: %3").arg(line.line).arg(chart, line.why);
  }
  return text;
}

}  // namespace

frmCoverSheetList::frmCoverSheetList(CoverSheetListServices services, QWidget* parent)
    : QDialog(parent), services_(services) {
  setObjectName(QStringLiteral("frmCoverSheetList"));
  setWindowTitle(QStringLiteral("Cover Sheets for a List"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* search = new QGroupBox(QStringLiteral("Find a patient"), this);
  txtLastName_ = MakeField(QStringLiteral("txtLastName"), search);
  txtFirstName_ = MakeField(QStringLiteral("txtFirstName"), search);
  txtChart_ = MakeField(QStringLiteral("txtChart"), search);
  cmdSearch_ = MakeButton(QStringLiteral("&Search"), QStringLiteral("cmdSearch"), search);
  lvResults_ = MakePatientList(QStringLiteral("lvResults"), search);
  cmdAdd_ = MakeButton(QStringLiteral("&Add"), QStringLiteral("cmdAdd"), search);
  cmdAdd_->setToolTip(QStringLiteral("Add the chosen patient to the list"));

  auto* fields = new QGridLayout;
  fields->addWidget(MakeLabel(QStringLiteral("&Last Name:"), txtLastName_, search), 0, 0);
  fields->addWidget(txtLastName_, 1, 0);
  fields->addWidget(MakeLabel(QStringLiteral("&First Name:"), txtFirstName_, search), 0, 1);
  fields->addWidget(txtFirstName_, 1, 1);
  fields->addWidget(MakeLabel(QStringLiteral("C&hart Number:"), txtChart_, search), 0, 2);
  fields->addWidget(txtChart_, 1, 2);
  fields->addWidget(cmdSearch_, 1, 3);
  fields->setColumnStretch(0, 3);
  fields->setColumnStretch(1, 3);
  fields->setColumnStretch(2, 2);
  auto* resultButtons = new QVBoxLayout;
  resultButtons->addWidget(cmdAdd_);
  resultButtons->addStretch();
  auto* results = new QHBoxLayout;
  results->addWidget(lvResults_, 1);
  results->addLayout(resultButtons);
  auto* searchLayout = new QVBoxLayout(search);
  searchLayout->addLayout(fields);
  searchLayout->addWidget(MakeLabel(QStringLiteral("Search r&esults:"), lvResults_, search));
  searchLayout->addLayout(results, 1);

  lvList_ = MakePatientList(QStringLiteral("lvList"), this);
  lblCount_ = new QLabel(this);
  lblCount_->setObjectName(QStringLiteral("lblCount"));
  cmdRemove_ = MakeButton(QStringLiteral("&Remove"), QStringLiteral("cmdRemove"), this);
  cmdUp_ = MakeButton(QStringLiteral("Move &Up"), QStringLiteral("cmdUp"), this);
  cmdDown_ = MakeButton(QStringLiteral("Move &Down"), QStringLiteral("cmdDown"), this);
  cmdImport_ = MakeButton(QStringLiteral("&Import List..."), QStringLiteral("cmdImport"), this);
  cmdImport_->setToolTip(QStringLiteral("Add the patients of a clinic list file: one chart number a line"));
  cmdPrint_ = MakeButton(QStringLiteral("&Print..."), QStringLiteral("cmdPrint"), this);
  cmdClose_ = MakeButton(QStringLiteral("&Close"), QStringLiteral("cmdClose"), this);

  auto* listButtons = new QVBoxLayout;
  listButtons->addWidget(cmdRemove_);
  listButtons->addWidget(cmdUp_);
  listButtons->addWidget(cmdDown_);
  listButtons->addSpacing(12);
  listButtons->addWidget(cmdImport_);
  listButtons->addStretch();
  auto* chosen = new QHBoxLayout;
  chosen->addWidget(lvList_, 1);
  chosen->addLayout(listButtons);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblCount_);
  bottom->addStretch();
  bottom->addWidget(cmdPrint_);
  bottom->addWidget(cmdClose_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(search, 2);
  layout->addWidget(MakeLabel(QStringLiteral("Cover sheets &to print, in this order:"), lvList_, this));
  layout->addLayout(chosen, 3);
  layout->addLayout(bottom);
  resize(680, 560);

  setTabOrder(txtLastName_, txtFirstName_);
  setTabOrder(txtFirstName_, txtChart_);
  setTabOrder(txtChart_, cmdSearch_);
  setTabOrder(cmdSearch_, lvResults_);
  setTabOrder(lvResults_, cmdAdd_);
  setTabOrder(cmdAdd_, lvList_);
  setTabOrder(lvList_, cmdRemove_);
  setTabOrder(cmdRemove_, cmdUp_);
  setTabOrder(cmdUp_, cmdDown_);
  setTabOrder(cmdDown_, cmdImport_);
  setTabOrder(cmdImport_, cmdPrint_);
  setTabOrder(cmdPrint_, cmdClose_);

  for (QLineEdit* field : {txtLastName_, txtFirstName_, txtChart_})
    connect(field, &QLineEdit::returnPressed, this, &frmCoverSheetList::Search);
  connect(cmdSearch_, &QPushButton::clicked, this, &frmCoverSheetList::Search);
  connect(cmdAdd_, &QPushButton::clicked, this, &frmCoverSheetList::AddChosen);
  connect(lvResults_, &QTreeWidget::itemDoubleClicked, this, &frmCoverSheetList::AddChosen);
  connect(cmdRemove_, &QPushButton::clicked, this, &frmCoverSheetList::RemoveChosen);
  connect(cmdUp_, &QPushButton::clicked, this, [this] { MoveChosen(-1); });
  connect(cmdDown_, &QPushButton::clicked, this, [this] { MoveChosen(1); });
  connect(cmdImport_, &QPushButton::clicked, this, &frmCoverSheetList::Import);
  connect(cmdPrint_, &QPushButton::clicked, this, &frmCoverSheetList::Print);
  connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvResults_, &QTreeWidget::currentItemChanged, this, &frmCoverSheetList::UpdateButtons);
  connect(lvList_, &QTreeWidget::currentItemChanged, this, &frmCoverSheetList::UpdateButtons);
  lvResults_->installEventFilter(this);
  lvList_->installEventFilter(this);

  FillList(-1);
  txtLastName_->setFocus(Qt::OtherFocusReason);
}

void frmCoverSheetList::Search() {
  SearchCriteria criteria;
  criteria.lastName = txtLastName_->text().trimmed();
  criteria.firstName = txtFirstName_->text().trimmed();
  criteria.chart = txtChart_->text().trimmed();
  if (!HasSearchInformation(criteria)) {
    services_.prompter.Information(QStringLiteral("Type a last name, a first name or a chart number to search for."));
    txtLastName_->setFocus(Qt::OtherFocusReason);
    return;
  }
  BusyCursor busy;
  try {
    results_ = FindPatient(services_.session, criteria, services_.country2);
  } catch (const ServiceError& error) {
    busy.Release();
    ReportServiceFailure(error, services_.prompter, services_.login);  // the results stay as they were
    return;
  }
  busy.Release();
  lvResults_->clear();
  for (int row = 0; row < results_.Count(); ++row) {
    auto* item = new QTreeWidgetItem(lvResults_);
    item->setText(kLastName, results_.Field(row, QStringLiteral("szLast")));
    item->setText(kFirstName, results_.Field(row, QStringLiteral("szFirst")));
    item->setText(kDob, DateOfBirthCell(results_.Field(row, QStringLiteral("dDOB")), services_.country2));
    item->setText(kChart, results_.Field(row, QStringLiteral("szChartNum")));
    item->setData(kLastName, Qt::UserRole, row);
  }
  if (lvResults_->topLevelItemCount() == 0) {
    UpdateButtons();
    services_.prompter.Information(QStringLiteral("No patient matches the search."));
    return;
  }
  lvResults_->setCurrentItem(lvResults_->topLevelItem(0));
  lvResults_->setFocus(Qt::OtherFocusReason);
  UpdateButtons();
}

void frmCoverSheetList::AddChosen() {
  const QTreeWidgetItem* item = lvResults_->currentItem();
  if (!item) return;
  const int row = item->data(kLastName, Qt::UserRole).toInt();
  if (row < 0 || row >= results_.Count()) return;
  const ChosenPatient patient = PatientFromRow(results_, row, services_.country2);
  const QString name = patient.fields.lastName + QStringLiteral(", ") + patient.fields.firstName;
  if (list_.Contains(patient.patientId)) {
    services_.prompter.Information(QStringLiteral("%1 is in the list already.").arg(name));
    return;
  }
  if (!list_.Add(patient)) {
    services_.prompter.Critical(
        QStringLiteral("%1 cannot be added: the service gave no patient identifier for the sheet.").arg(name));
    return;
  }
  FillList(list_.Count() - 1);
}

void frmCoverSheetList::RemoveChosen() {
  const int index = lvList_->indexOfTopLevelItem(lvList_->currentItem());
  if (index < 0) return;
  list_.Remove(index);
  FillList(std::min(index, list_.Count() - 1));
}

void frmCoverSheetList::MoveChosen(int by) {
  const int index = lvList_->indexOfTopLevelItem(lvList_->currentItem());
  if (index < 0 || !list_.Move(index, index + by)) return;
  FillList(index + by);
}

void frmCoverSheetList::Import() {
  const QStringList chosen = services_.files.OpenFiles(QStringLiteral("Import Clinic List"),
                                                       QStringLiteral("Clinic lists (*.txt *.csv);;All files (*)"));
  if (chosen.isEmpty()) return;
  const QString path = chosen.first();
  ListImport import;
  {
    BusyCursor busy;
    try {
      import = list_.Import(path, services_.session, services_.country2);
    } catch (const ServiceError& error) {
      busy.Release();
      // Nothing of the file was added: the user imports it again once the service answers.
      ReportServiceFailure(error, services_.prompter, services_.login);
      return;
    }
  }
  if (!import.error.isEmpty()) {
    services_.prompter.Ask({import.error, kProductName, PromptIcon::Warning, PromptButtons::Ok});
    return;
  }
  FillList(list_.Count() - 1);
  if (!import.leftOut.empty())
    services_.prompter.Ask({LeftOutMessage(QFileInfo(path).fileName(), import), kProductName, PromptIcon::Warning,
                            PromptButtons::Ok});
}

void frmCoverSheetList::Print() {
  if (list_.Count() == 0) return;
  try {
    CoverSheetPages pages = list_.Pages(services_.country2);
    services_.print.state.pageCount = pages.PageCount();
    services_.print.state.currentPage = 1;
    ShowPrintDialog(services_.print, pages, kJobName, this);
  } catch (const std::exception& error) {
    services_.prompter.Critical(
        QStringLiteral("The cover sheets could not be printed: %1").arg(QString::fromLocal8Bit(error.what())));
  }
}

void frmCoverSheetList::FillList(int current) {
  lvList_->clear();
  for (const ChosenPatient& patient : list_.Patients()) {
    auto* item = new QTreeWidgetItem(lvList_);
    item->setText(kLastName, patient.fields.lastName);
    item->setText(kFirstName, patient.fields.firstName);
    item->setText(kDob, DobText(patient.fields));
    item->setText(kChart, patient.fields.chart);
  }
  if (current >= 0 && current < lvList_->topLevelItemCount()) {
    lvList_->setCurrentItem(lvList_->topLevelItem(current));
    lvList_->scrollToItem(lvList_->currentItem());
  }
  lblCount_->setText(list_.Count() == 1 ? QStringLiteral("1 patient")
                                        : QStringLiteral("%1 patients").arg(list_.Count()));
  UpdateButtons();
}

void frmCoverSheetList::UpdateButtons() {
  const int index = lvList_->indexOfTopLevelItem(lvList_->currentItem());
  cmdAdd_->setEnabled(lvResults_->currentItem() != nullptr);
  cmdRemove_->setEnabled(index >= 0);
  cmdUp_->setEnabled(index > 0);
  cmdDown_->setEnabled(index >= 0 && index < list_.Count() - 1);
  cmdPrint_->setEnabled(list_.Count() > 0);
}

void frmCoverSheetList::keyPressEvent(QKeyEvent* event) {
  // With no default button, Enter on a focused button presses that button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool frmCoverSheetList::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == lvResults_ && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      AddChosen();
      return true;
    }
    if (watched == lvList_ && key == Qt::Key_Delete) {
      RemoveChosen();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowCoverSheetList(const CoverSheetListServices& services, QWidget* parent) {
  frmCoverSheetList window(services, parent);
  window.exec();
}

}  // namespace pyxa
