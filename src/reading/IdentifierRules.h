// The patterns that find a patient's identifiers in a page's text, as one table per country: the
// label words that introduce each kind, the health-card formats with the check each one carries,
// and the order of the parts in a numeric date. Adding a country or a province is a table entry.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace pyxa {

enum class IdentifierKind { HealthCard, Chart, DateOfBirth, PatientName, ReportDate };

// A health-card number of one region: its digits (letters first where the region has them) and the
// check its last digit carries, if any.
struct HealthCardFormat {
  QString region;         // "ON", "BC", "QC", ...
  int letters = 0;        // letters before the digits
  int digits = 10;        // digits after them
  QString firstDigits;    // digits the number may start with; empty: any
  enum class Check { None, Luhn, BritishColumbia } check = Check::None;
};

struct LabelWords {
  IdentifierKind kind;
  QStringList words;  // lower case, as printed before the value ("dob", "date of birth", ...)
};

struct CountryRules {
  QString country;                       // "CA", "US"
  QVector<HealthCardFormat> healthCards;  // tried in order; the first whose check holds names the region
  bool dayFirst = true;                   // "05/01/2026" is 5 January when true
  QVector<LabelWords> labels;
};

// The rules of a country; unknown countries get Canada's, the program's home.
const CountryRules& RulesFor(const QString& country);

// Whether the digits (letters included) pass the format's check; true for formats without one.
bool PassesCheck(const HealthCardFormat& format, const QString& number);

}  // namespace pyxa
