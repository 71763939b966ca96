#include "components/ClinicalService.h"

namespace pyxa {

QString FieldText(const QStringList& names, const ValuesTable& values, int row, const QString& field) {
  const auto column = names.indexOf(field);
  if (!values || column < 0 || row < 0 || row >= values->size()) return {};
  const auto& cells = values->at(row);
  if (column >= cells.size() || cells.at(column).isNull()) return {};
  return cells.at(column).toString();
}

int RowCount(const ValuesTable& values) { return values ? static_cast<int>(values->size()) : 0; }

}  // namespace pyxa
