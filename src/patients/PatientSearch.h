// The patient search rules of both search windows: what counts as search information, the
// date-of-birth text sent, the FindPatient call under the session rule, and reading result rows.
#pragma once

#include "components/ClinicalService.h"
#include "patients/SearchCriteria.h"
#include "shell/Session.h"

#include <QDate>
#include <optional>

namespace pyxa {

// Any name or chart text, a numeric health-card number, a numeric joined phone, or any
// date-of-birth part.
bool HasSearchInformation(const SearchCriteria& criteria);

// month/day/year when all three parts are filled (parts 1 and 2 swapped unless country2),
// otherwise empty.
QString DateOfBirthText(const SearchCriteria& criteria, bool country2);
// The date of birth the three parts hold; invalid when they do not make one.
QDate DateOfBirth(const SearchCriteria& criteria, bool country2);

struct DateParts {
  QString day, month, year;
};
// Splits a service date ("dDOB", possibly followed by a blank and a time) into its parts;
// nullopt for an empty or unreadable text.
std::optional<DateParts> SplitServiceDate(const QString& serviceDate);

// A FindPatient result: field names and rows ("not an array" when nothing was found).
struct PatientResults {
  QStringList names;
  ValuesTable values;

  int Count() const { return RowCount(values); }
  // Missing or null fields read as empty text.
  QString Field(int row, const QString& name) const { return FieldText(names, values, row, name); }
};

// Calls FindPatient with the criteria under the session-retry rule. Throws ServiceError.
PatientResults FindPatient(Session& session, const SearchCriteria& criteria, bool country2);

// A result row as search fields (date parts in the country's order) and "lID".
ChosenPatient PatientFromRow(const PatientResults& results, int row, bool country2);

// The result list's cells: date of birth (middle number padded to two digits) and phone.
QString DateOfBirthCell(const QString& serviceDate, bool country2);
QString PhoneCell(const QString& areaCode, const QString& phone1, const QString& phone2);

}  // namespace pyxa
