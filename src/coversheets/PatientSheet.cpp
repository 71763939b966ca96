#include "coversheets/PatientSheet.h"

#include "patients/PatientSearch.h"

namespace pyxa {

QString SheetPatientName(const QString& lastName, const QString& firstName) {
  return lastName.trimmed().toUpper() + QStringLiteral(", ") + firstName.trimmed();
}

PatientSheet SheetForPatient(const ChosenPatient& patient, bool country2, const SheetChoice& category,
                             const SheetChoice& type, const SheetChoice& provider) {
  const SearchCriteria& f = patient.fields;
  PatientSheet sheet;
  CoverRecord& record = sheet.record;
  record.kind = CoverRecord::Kind::Cover;
  record.patientId = patient.patientId.toLongLong();
  record.categoryId = category.id;
  record.typeId = type.id;
  record.providerId = provider.id;
  record.name = SheetPatientName(f.lastName, f.firstName);
  record.birth = DateOfBirth(f, country2);
  CoverSheetText& text = sheet.text;
  text.patientName = record.name;
  if (!f.dob3.isEmpty()) text.dateOfBirth = f.dob1 + QLatin1Char('/') + f.dob2 + QLatin1Char('/') + f.dob3;
  text.chartNumber = f.chart;
  if (category.id >= 0) text.category = category.name;
  if (type.id >= 0) text.type = type.name;
  if (provider.id >= 0) text.provider = provider.name;
  return sheet;
}

}  // namespace pyxa
