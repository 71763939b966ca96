// Lets the encounter button pick an unsigned encounter in the "Encounters" window, or agree to
// a new one in the "New Encounter" window.
#pragma once

#include "patients/EncounterChooser.h"

class QWidget;

namespace pyxa {

class EncounterWindows final : public EncounterChooser {
 public:
  explicit EncounterWindows(QWidget* parent = nullptr);

  // Shows "Encounters" modally over the parent.
  std::optional<ChosenEncounter> Choose(const EncounterRows& rows, const QString& currentId,
                                        const QVector<VisitType>& visitTypes) override;
  // Shows "New Encounter" modally over the parent; true on OK.
  bool ConfirmNew(const QString& dateText) override;

 private:
  QWidget* parent_;
};

}  // namespace pyxa
