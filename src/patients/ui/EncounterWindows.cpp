#include "patients/ui/EncounterWindows.h"

#include "patients/ui/frmEncounterNew.h"
#include "patients/ui/frmEncounters.h"

namespace pyxa {

EncounterWindows::EncounterWindows(QWidget* parent) : parent_(parent) {}

std::optional<ChosenEncounter> EncounterWindows::Choose(const EncounterRows& rows, const QString& currentId,
                                                        const QVector<VisitType>& visitTypes) {
  frmEncounters window(parent_);
  window.Load(rows, currentId, visitTypes);
  if (window.exec() != QDialog::Accepted) return std::nullopt;
  return window.Chosen();
}

bool EncounterWindows::ConfirmNew(const QString& dateText) {
  frmEncounterNew window(dateText, parent_);
  return window.exec() == QDialog::Accepted;
}

}  // namespace pyxa
