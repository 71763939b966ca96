#include "patients/ui/frmEncounters.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "patients/PatientSearch.h"

namespace pyxa {

namespace {

constexpr int kSortRole = Qt::UserRole + 2;

// Sorts the date column by the date itself, not by the text the service sent.
class EncounterItem final : public QTreeWidgetItem {
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

// The date part of "dCurrentDate": the text before the first blank when a time follows.
QString DateCell(const QString& serviceDate) {
  if (serviceDate.size() <= 10) return serviceDate;
  const auto blank = serviceDate.indexOf(QLatin1Char(' '));
  return blank < 0 ? serviceDate : serviceDate.left(blank);
}

QDate ReadDate(const QString& serviceDate) {
  const auto parts = SplitServiceDate(serviceDate);
  if (!parts) return {};
  return QDate(parts->year.toInt(), parts->month.toInt(), parts->day.toInt());
}

QString VisitTypeName(const QVector<VisitType>& visitTypes, const QString& id) {
  if (id.isEmpty()) return {};
  for (const auto& type : visitTypes) {
    if (type.first == id) return type.second;
  }
  return {};
}

QPushButton* MakeButton(const QString& caption, const QString& objectName, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(objectName);
  return button;
}

}  // namespace

frmEncounters::frmEncounters(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmEncounters"));
  setWindowTitle(QStringLiteral("Encounters"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  lvEncounters_ = new QTreeWidget(this);
  lvEncounters_->setObjectName(QStringLiteral("lvEncounters"));
  lvEncounters_->setColumnCount(kColumnCount);
  lvEncounters_->setHeaderLabels({QStringLiteral("Encounter Date"), QStringLiteral("Last Name"),
                                  QStringLiteral("First Name"), QStringLiteral("ICD"), QStringLiteral("Description"),
                                  QStringLiteral("Comments"), QStringLiteral("Visit Type"),
                                  QStringLiteral("Visit Type")});
  lvEncounters_->setRootIsDecorated(false);
  lvEncounters_->setItemsExpandable(false);
  lvEncounters_->setUniformRowHeights(true);
  lvEncounters_->setAllColumnsShowFocus(true);
  lvEncounters_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvEncounters_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvEncounters_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Rows keep the service's order until the user clicks a header.
  QHeaderView* header = lvEncounters_->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setStretchLastSection(true);
  connect(header, &QHeaderView::sortIndicatorChanged, lvEncounters_,
          [this](int column, Qt::SortOrder order) { lvEncounters_->sortItems(column, order); });
  lvEncounters_->setColumnWidth(kDate, 100);
  lvEncounters_->setColumnWidth(kLastName, 100);
  lvEncounters_->setColumnWidth(kFirstName, 90);
  lvEncounters_->setColumnWidth(kIcd, 60);
  lvEncounters_->setColumnWidth(kDescription, 160);
  lvEncounters_->setColumnWidth(kComments, 140);
  // Users need the visit type's name; the identifier only travels with the row.
  lvEncounters_->setColumnHidden(kVisitTypeId, true);
  lvEncounters_->installEventFilter(this);

  cmdOK_ = MakeButton(QStringLiteral("&OK"), QStringLiteral("cmdOK"), this);
  cmdCancel_ = MakeButton(QStringLiteral("&Cancel"), QStringLiteral("cmdCancel"), this);
  cmdOK_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdOK_);
  buttons->addWidget(cmdCancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lvEncounters_, 1);  // the list takes the growth
  layout->addLayout(buttons);
  resize(760, 320);

  setTabOrder(lvEncounters_, cmdOK_);
  setTabOrder(cmdOK_, cmdCancel_);

  connect(cmdOK_, &QPushButton::clicked, this, &frmEncounters::cmdOK_Click);
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(lvEncounters_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { ChooseItem(item); });
}

void frmEncounters::Load(const EncounterRows& rows, const QString& currentId, const QVector<VisitType>& visitTypes) {
  chosen_.reset();
  rows_ = rows;
  lvEncounters_->clear();
  QTreeWidgetItem* current = nullptr;
  // Sorting happens after the rows are in; the row index travels with each item.
  for (int row = 0; row < rows_.Count(); ++row) {
    auto* item = new EncounterItem;
    const QString serviceDate = rows_.Field(row, QStringLiteral("dCurrentDate"));
    item->setText(kDate, DateCell(serviceDate));
    const QDate date = ReadDate(serviceDate);
    item->setData(kDate, kSortRole, date.isValid() ? date.toString(Qt::ISODate) : QString());
    item->setText(kLastName, rows_.Field(row, QStringLiteral("szLast")));
    item->setText(kFirstName, rows_.Field(row, QStringLiteral("szFirst")));
    item->setText(kIcd, rows_.Field(row, QStringLiteral("szICD")));
    item->setText(kDescription, rows_.Field(row, QStringLiteral("szICDDescription")));
    item->setText(kComments, rows_.Field(row, QStringLiteral("szComments")));
    const QString visitType = rows_.Field(row, QStringLiteral("nVisitType"));
    item->setText(kVisitTypeId, visitType);
    item->setText(kVisitTypeName, VisitTypeName(visitTypes, visitType));
    const QString id = rows_.Field(row, QStringLiteral("lID"));
    item->setData(kDate, kKeyRole, QStringLiteral("K") + id);
    item->setData(kDate, kRowRole, row);
    lvEncounters_->addTopLevelItem(item);
    if (!current && !currentId.isEmpty() && id == currentId) current = item;
  }
  const int sortColumn = lvEncounters_->header()->sortIndicatorSection();
  if (sortColumn >= 0 && sortColumn < kColumnCount) {
    lvEncounters_->sortItems(sortColumn, lvEncounters_->header()->sortIndicatorOrder());
  }
  // Without the current encounter the first row is selected, so that Enter chooses at once.
  if (!current && lvEncounters_->topLevelItemCount() > 0) current = lvEncounters_->topLevelItem(0);
  if (current) {
    lvEncounters_->setCurrentItem(current);
    lvEncounters_->scrollToItem(current);
  }
  lvEncounters_->setFocus(Qt::OtherFocusReason);
}

void frmEncounters::cmdOK_Click() {
  const QList<QTreeWidgetItem*> selected = lvEncounters_->selectedItems();
  if (selected.isEmpty()) {
    // Nothing to choose: OK leaves the window as Cancel does.
    reject();
    return;
  }
  ChooseItem(selected.first());
}

void frmEncounters::ChooseItem(QTreeWidgetItem* item) {
  if (!item) return;
  bool ok = false;
  const int row = item->data(kDate, kRowRole).toInt(&ok);
  if (!ok || row < 0 || row >= rows_.Count()) return;
  ChosenEncounter chosen;
  chosen.encounterId = rows_.Field(row, QStringLiteral("lID"));
  chosen.date = ReadDate(rows_.Field(row, QStringLiteral("dCurrentDate")));
  chosen.visitTypeId = rows_.Field(row, QStringLiteral("nVisitType"));
  chosen_ = chosen;
  accept();
}

bool frmEncounters::eventFilter(QObject* watched, QEvent* event) {
  // The list would both report activation and pass Enter on to the default button; choose once.
  if (watched == lvEncounters_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      cmdOK_Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace pyxa
