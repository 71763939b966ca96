#include "patients/ui/frmSearch.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "patients/ui/SearchFieldsBox.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ServiceFailures.h"

namespace pyxa {

namespace {

enum Column { kLastName, kFirstName, kDob, kCardNumber, kChartNumber, kPhone, kColumnCount };

constexpr int kSortRole = Qt::UserRole + 2;

// Sorts the date column by the date itself, not by its day-first text.
class ResultItem final : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    const QVariant mine = data(column, kSortRole);
    const QVariant theirs = other.data(column, kSortRole);
    if (mine.isValid() || theirs.isValid()) return mine.toString() < theirs.toString();
    return text(column).localeAwareCompare(other.text(column)) < 0;
  }
};

QPushButton* MakeButton(const QString& caption, const QString& objectName, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(objectName);
  // Enter belongs to the fields (search) and the list (choose), never to a default button.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

frmSearch::frmSearch(Session& session, Prompter& prompter, LoginPrompt& login, QWidget* parent)
    : QDialog(parent), session_(session), prompter_(prompter), login_(login) {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("Search Results"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  fields_ = new SearchFieldsBox(false, this);
  cmdSearch_ = MakeButton(QStringLiteral("S&earch"), QStringLiteral("cmdSearch"), this);
  cmdSearch_->setToolTip(QStringLiteral("Search Patient"));
  cmdClear_ = MakeButton(QStringLiteral("&Clear"), QStringLiteral("cmdClear"), this);
  cmdClear_->setToolTip(QStringLiteral("Clear patient search criteria"));
  cmdOK_ = MakeButton(QStringLiteral("&OK"), QStringLiteral("cmdOK"), this);
  cmdCancel_ = MakeButton(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);

  lvResults_ = new QTreeWidget(this);
  lvResults_->setObjectName(QStringLiteral("lvResults"));
  lvResults_->setColumnCount(kColumnCount);
  lvResults_->setHeaderLabels({QStringLiteral("Last Name"), QStringLiteral("First Name"), QStringLiteral("DOB"),
                               QStringLiteral("Card Number"), QStringLiteral("Chart Number"), QStringLiteral("Phone")});
  lvResults_->setRootIsDecorated(false);
  lvResults_->setItemsExpandable(false);
  lvResults_->setUniformRowHeights(true);
  lvResults_->setAllColumnsShowFocus(true);
  lvResults_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Rows keep the service's order until the user clicks a header.
  QHeaderView* header = lvResults_->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setStretchLastSection(true);
  connect(header, &QHeaderView::sortIndicatorChanged, lvResults_,
          [this](int column, Qt::SortOrder order) { lvResults_->sortItems(column, order); });
  lvResults_->setColumnWidth(kLastName, 110);
  lvResults_->setColumnWidth(kFirstName, 100);
  lvResults_->setColumnWidth(kDob, 85);
  lvResults_->setColumnWidth(kCardNumber, 100);
  lvResults_->setColumnWidth(kChartNumber, 95);
  lvResults_->installEventFilter(this);
  fields_->LastNameField()->installEventFilter(this);

  auto* searchButtons = new QVBoxLayout;
  searchButtons->addWidget(cmdSearch_);
  searchButtons->addWidget(cmdClear_);
  searchButtons->addStretch();

  auto* top = new QHBoxLayout;
  top->addWidget(fields_, 1);
  top->addSpacing(12);
  top->addLayout(searchButtons);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(cmdOK_);
  bottom->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lvResults_, 1);  // the list takes the growth
  layout->addLayout(bottom);
  resize(640, 440);

  setTabOrder(fields_->Field(QStringLiteral("txtPhone2")), cmdSearch_);
  setTabOrder(cmdSearch_, cmdClear_);
  setTabOrder(cmdClear_, lvResults_);
  setTabOrder(lvResults_, cmdOK_);
  setTabOrder(cmdOK_, cmdCancel_);

  connect(fields_, &SearchFieldsBox::searchRequested, this, &frmSearch::cmdSearch_Click);
  connect(cmdSearch_, &QPushButton::clicked, this, &frmSearch::cmdSearch_Click);
  connect(cmdClear_, &QPushButton::clicked, this, &frmSearch::cmdClear_Click);
  connect(cmdOK_, &QPushButton::clicked, this, &frmSearch::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvResults_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { ChooseItem(item); });
}

void frmSearch::Load(const SearchCriteria& criteria, const PatientResults& results) {
  chosen_.reset();
  country2_ = LoadCountry();
  fields_->SetCountry2(country2_);
  lvResults_->setColumnHidden(kCardNumber, country2_);
  fields_->SetCriteria(criteria);
  results_ = results;
  FillList();
  lvResults_->setFocus(Qt::OtherFocusReason);
}

bool frmSearch::LoadCountry() {
  try {
    QStringList names;
    ValuesTable values;
    session_.Call([&](ClinicalService& service) { service.GetUsersCountry(service.UserID(), names, values); });
    return RowCount(values) > 0 && !values->at(0).isEmpty() && values->at(0).at(0).toString() == QStringLiteral("2");
  } catch (const ServiceError& error) {
    // The matches are still worth showing: the fields keep the day-first order.
    ReportServiceFailure(error, prompter_, login_);
    return false;
  }
}

void frmSearch::FillList() {
  lvResults_->clear();
  // Sorting happens after the rows are in; the row index travels with each item.
  for (int row = 0; row < results_.Count(); ++row) {
    auto* item = new ResultItem;
    item->setText(kLastName, results_.Field(row, QStringLiteral("szLast")));
    item->setText(kFirstName, results_.Field(row, QStringLiteral("szFirst")));
    const QString serviceDate = results_.Field(row, QStringLiteral("dDOB"));
    item->setText(kDob, DateOfBirthCell(serviceDate, country2_));
    if (const auto parts = SplitServiceDate(serviceDate)) {
      const QDate date(parts->year.toInt(), parts->month.toInt(), parts->day.toInt());
      item->setData(kDob, kSortRole, date.toString(Qt::ISODate));
    } else {
      item->setData(kDob, kSortRole, QString());
    }
    if (!country2_) item->setText(kCardNumber, results_.Field(row, QStringLiteral("sValue")));
    item->setText(kChartNumber, results_.Field(row, QStringLiteral("szChartNum")));
    item->setText(kPhone, PhoneCell(results_.Field(row, QStringLiteral("szPhoneArea")),
                                    results_.Field(row, QStringLiteral("szPhone1")),
                                    results_.Field(row, QStringLiteral("szPhone2"))));
    item->setData(kLastName, kKeyRole, QStringLiteral("K") + results_.Field(row, QStringLiteral("lID")));
    item->setData(kLastName, kRowRole, row);
    lvResults_->addTopLevelItem(item);
  }
  const int sortColumn = lvResults_->header()->sortIndicatorSection();
  if (sortColumn >= 0 && sortColumn < kColumnCount) {
    lvResults_->sortItems(sortColumn, lvResults_->header()->sortIndicatorOrder());
  }
  if (lvResults_->topLevelItemCount() > 0) lvResults_->setCurrentItem(lvResults_->topLevelItem(0));
}

void frmSearch::cmdSearch_Click() {
  const SearchCriteria criteria = fields_->Criteria();
  if (!HasSearchInformation(criteria)) return;
  BusyCursor busy;
  try {
    results_ = FindPatient(session_, criteria, country2_);
  } catch (const ServiceError& error) {
    busy.Release();
    ReportServiceFailure(error, prompter_, login_);  // the list stays as it was
    return;
  }
  FillList();
}

void frmSearch::cmdOK_Click() {
  const QList<QTreeWidgetItem*> selected = lvResults_->selectedItems();
  if (selected.isEmpty()) {
    // Nothing to choose: OK leaves the window as Cancel does.
    reject();
    return;
  }
  ChooseItem(selected.first());
}

void frmSearch::ChooseItem(QTreeWidgetItem* item) {
  if (!item) return;
  bool ok = false;
  const int row = item->data(kLastName, kRowRole).toInt(&ok);
  if (!ok || row < 0 || row >= results_.Count()) return;
  chosen_ = PatientFromRow(results_, row, country2_);
  accept();
}

void frmSearch::cmdClear_Click() { fields_->Clear(); }

void frmSearch::keyPressEvent(QKeyEvent* event) {
  // With no default button, Enter on a focused button presses that button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
      return;
    }
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool frmSearch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvResults_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      // Enter takes the row the user moved to, selected or not (Ctrl with the arrows moves
      // without selecting); OK and a double click keep to the selected row.
      if (QTreeWidgetItem* current = lvResults_->currentItem()) {
        ChooseItem(current);
      } else {
        cmdOK_Click();
      }
      return true;
    }
  }
  if (watched == fields_->LastNameField() && event->type() == QEvent::FocusIn) {
    // After the line edit's own focus handling (which may select all), put the cursor at the end.
    QLineEdit* field = fields_->LastNameField();
    QTimer::singleShot(0, field, [field] {
      field->deselect();
      field->end(false);
    });
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace pyxa
