#include "patients/PatientSearch.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace pyxa {

namespace {

// A number as the service's own front end reads one: optional sign, digits with an optional
// decimal point, optional exponent, surrounding blanks allowed. ASCII digits only.
bool IsNumericText(const QString& text) {
  static const QRegularExpression number(
      QStringLiteral("^\\s*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\s*$"));
  return !text.isEmpty() && number.match(text).hasMatch();
}

// The date part of a service date: the text before the first blank when a time follows.
QString DatePart(const QString& serviceDate) {
  const QString text = serviceDate.trimmed();
  if (text.size() <= 10) return text;
  const auto blank = text.indexOf(QLatin1Char(' '));
  return blank < 0 ? text : text.left(blank);
}

std::optional<QDate> ReadServiceDate(const QString& serviceDate) {
  const QString text = DatePart(serviceDate);
  if (text.isEmpty()) return std::nullopt;
  // ISO from the demo clinic, month/day/year from other services.
  for (const auto& format : {QStringLiteral("yyyy-MM-dd"), QStringLiteral("M/d/yyyy")}) {
    const QDate date = QDate::fromString(text, format);
    if (date.isValid()) return date;
  }
  const QDateTime stamp = QDateTime::fromString(text, Qt::ISODate);  // "1970-12-31T00:00:00"
  if (stamp.isValid()) return stamp.date();
  return std::nullopt;
}

}  // namespace

bool HasSearchInformation(const SearchCriteria& criteria) {
  if (!criteria.lastName.isEmpty() || !criteria.firstName.isEmpty() || !criteria.chart.isEmpty()) return true;
  if (IsNumericText(criteria.hcn)) return true;
  if (IsNumericText(criteria.areaCode + criteria.phone1 + criteria.phone2)) return true;
  return !(criteria.dob1 + criteria.dob2 + criteria.dob3).isEmpty();
}

QString DateOfBirthText(const SearchCriteria& criteria, bool country2) {
  if (criteria.dob1.isEmpty() || criteria.dob2.isEmpty() || criteria.dob3.isEmpty()) return {};
  const QString& month = country2 ? criteria.dob1 : criteria.dob2;
  const QString& day = country2 ? criteria.dob2 : criteria.dob1;
  return month + QLatin1Char('/') + day + QLatin1Char('/') + criteria.dob3;
}

QDate DateOfBirth(const SearchCriteria& criteria, bool country2) {
  const QString& month = country2 ? criteria.dob1 : criteria.dob2;
  const QString& day = country2 ? criteria.dob2 : criteria.dob1;
  return QDate(criteria.dob3.toInt(), month.toInt(), day.toInt());
}

std::optional<DateParts> SplitServiceDate(const QString& serviceDate) {
  const auto date = ReadServiceDate(serviceDate);
  if (!date) return std::nullopt;
  return DateParts{QString::number(date->day()), QString::number(date->month()), QString::number(date->year())};
}

PatientResults FindPatient(Session& session, const SearchCriteria& criteria, bool country2) {
  const QString dateOfBirth = DateOfBirthText(criteria, country2);
  PatientResults results;
  session.Call([&](ClinicalService& service) {
    // The service may write to its by-reference arguments: every attempt starts afresh.
    QString dob = dateOfBirth;
    results = PatientResults{};
    service.FindPatient(criteria.firstName, criteria.lastName, criteria.chart, criteria.areaCode, criteria.phone1,
                        criteria.phone2, criteria.hcn, dob, results.names, results.values);
  });
  return results;
}

ChosenPatient PatientFromRow(const PatientResults& results, int row, bool country2) {
  ChosenPatient patient;
  SearchCriteria& fields = patient.fields;
  fields.lastName = results.Field(row, QStringLiteral("szLast"));
  fields.firstName = results.Field(row, QStringLiteral("szFirst"));
  fields.chart = results.Field(row, QStringLiteral("szChartNum"));
  fields.hcn = results.Field(row, QStringLiteral("sValue"));
  fields.areaCode = results.Field(row, QStringLiteral("szPhoneArea"));
  fields.phone1 = results.Field(row, QStringLiteral("szPhone1"));
  fields.phone2 = results.Field(row, QStringLiteral("szPhone2"));
  // An empty or unreadable date leaves the three parts empty rather than half-filled.
  if (const auto parts = SplitServiceDate(results.Field(row, QStringLiteral("dDOB")))) {
    fields.dob1 = country2 ? parts->month : parts->day;
    fields.dob2 = country2 ? parts->day : parts->month;
    fields.dob3 = parts->year;
  }
  patient.patientId = results.Field(row, QStringLiteral("lID"));
  return patient;
}

QString DateOfBirthCell(const QString& serviceDate, bool country2) {
  const auto date = ReadServiceDate(serviceDate);
  // A date the program cannot read is shown as the service sent it rather than dropped.
  if (!date) return DatePart(serviceDate);
  // Both numbers padded, so that the column lines up and reads the same way on every row.
  return date->toString(country2 ? QStringLiteral("MM/dd/yyyy") : QStringLiteral("dd/MM/yyyy"));
}

QString PhoneCell(const QString& areaCode, const QString& phone1, const QString& phone2) {
  QString cell;
  if (!areaCode.isEmpty()) cell = QLatin1Char('(') + areaCode + QStringLiteral(") ");
  if (!phone1.isEmpty() && !phone2.isEmpty()) cell += phone1 + QLatin1Char('-') + phone2;
  return cell;
}

}  // namespace pyxa
