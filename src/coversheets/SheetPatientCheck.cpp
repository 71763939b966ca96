#include "coversheets/SheetPatientCheck.h"

#include "coversheets/PatientSheet.h"
#include "patients/PatientSearch.h"

namespace pyxa {
namespace {

bool SameName(const QString& a, const QString& b) {
  return a.simplified().compare(b.simplified(), Qt::CaseInsensitive) == 0;
}

}  // namespace

SheetPatient CheckSheetPatient(Session& session, const CoverRecord& record, bool country2) {
  SheetPatient check;
  const QString id = QString::number(record.patientId);
  // The sheet's name finds the patient's row, which carries the date of birth as the service has it.
  SearchCriteria criteria;
  const qsizetype comma = record.name.indexOf(QLatin1Char(','));
  criteria.lastName = (comma < 0 ? record.name : record.name.left(comma)).trimmed();
  criteria.firstName = comma < 0 ? QString() : record.name.mid(comma + 1).trimmed();
  const PatientResults results = FindPatient(session, criteria, country2);
  for (int row = 0; row < results.Count(); ++row) {
    if (results.Field(row, QStringLiteral("lID")) != id) continue;
    const ChosenPatient found = PatientFromRow(results, row, country2);
    const QString name = SheetPatientName(found.fields.lastName, found.fields.firstName);
    if (!SameName(name, record.name)) break;  // a search by name may match loosely: asked by number below
    const QDate birth = DateOfBirth(found.fields, country2);
    if (record.birth.isValid() && birth != record.birth) {
      check.status = SheetPatient::Status::Mismatch;
      check.problem = QStringLiteral("it gives %1 the date of birth %2, but the clinic has %3.")
                          .arg(record.name, record.birth.toString(QStringLiteral("yyyy-MM-dd")),
                               birth.isValid() ? birth.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("none"));
      return check;
    }
    check.status = SheetPatient::Status::Matched;
    check.patient = found;
    return check;
  }
  QStringList names;
  ValuesTable values;
  session.Call([&](ClinicalService& service) {
    names.clear();
    values = ValuesTable{};
    service.GetPatientNameByID(record.patientId, names, values);
  });
  if (RowCount(values) < 1) {
    check.problem = QStringLiteral("the clinic no longer knows its patient %1 (%2).").arg(id, record.name);
    return check;
  }
  check.status = SheetPatient::Status::Mismatch;
  check.problem = QStringLiteral("it names %1, but the clinic's patient %2 is %3.")
                      .arg(record.name, id,
                           SheetPatientName(FieldText(names, values, 0, QStringLiteral("szLast")),
                                            FieldText(names, values, 0, QStringLiteral("szFirst"))));
  return check;
}

}  // namespace pyxa
