// How the encounter button lets the user pick one of a patient's unsigned encounters, or agree
// to create one: the encounter windows in the program, a script in tests.
#pragma once

#include "components/ClinicalService.h"

#include <QDate>
#include <QVector>
#include <optional>
#include <utility>

namespace pyxa {

// GetUnsignedEncounters or CreateEncounter rows: "lID", "dCurrentDate", "szLast", "szFirst",
// "szICD", "szICDDescription", "szComments", "nVisitType".
struct EncounterRows {
  QStringList names;
  ValuesTable values;

  int Count() const { return RowCount(values); }
  // Missing or null fields read as empty text.
  QString Field(int row, const QString& name) const { return FieldText(names, values, row, name); }
};

// A visit type as the type box lists it: identifier and name.
using VisitType = std::pair<QString, QString>;

struct ChosenEncounter {
  QString encounterId;  // "lID"
  QDate date;           // null when the row's date cannot be read
  QString visitTypeId;  // empty when the encounter has no visit type
};

class EncounterChooser {
 public:
  virtual ~EncounterChooser() = default;
  // The encounters window: the rows, with the one whose identifier is currentId selected, and
  // visit-type names from visitTypes. The chosen encounter, or nullopt when cancelled.
  virtual std::optional<ChosenEncounter> Choose(const EncounterRows& rows, const QString& currentId,
                                                const QVector<VisitType>& visitTypes) = 0;
  // The new-encounter window for a date shown as dateText; true when the user agreed.
  virtual bool ConfirmNew(const QString& dateText) = 0;
};

}  // namespace pyxa
