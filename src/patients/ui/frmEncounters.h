// The "Encounters" window: a patient's unsigned encounters in a sortable list, and the one the
// user chose with OK, Enter or a double click.
#pragma once

#include <QDialog>
#include <optional>

#include "patients/EncounterChooser.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pyxa {

class frmEncounters : public QDialog {
  Q_OBJECT

 public:
  // Columns of lvEncounters; kVisitTypeId holds the raw identifier and stays hidden.
  enum Column {
    kDate,
    kLastName,
    kFirstName,
    kIcd,
    kDescription,
    kComments,
    kVisitTypeId,
    kVisitTypeName,
    kColumnCount
  };
  // Item data roles of lvEncounters' first column.
  static constexpr int kKeyRole = Qt::UserRole;      // "K" + lID
  static constexpr int kRowRole = Qt::UserRole + 1;  // the item's row in the loaded encounters

  explicit frmEncounters(QWidget* parent = nullptr);

  // Lists the rows; the row whose lID is currentId is selected, else the first one.
  void Load(const EncounterRows& rows, const QString& currentId, const QVector<VisitType>& visitTypes);
  // The encounter chosen with OK, Enter or a double click; nullopt otherwise.
  std::optional<ChosenEncounter> Chosen() const { return chosen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cmdOK_Click();
  void ChooseItem(QTreeWidgetItem* item);

  EncounterRows rows_;
  std::optional<ChosenEncounter> chosen_;

  QTreeWidget* lvEncounters_;
  QPushButton* cmdOK_;
  QPushButton* cmdCancel_;
};

}  // namespace pyxa
