// Finds a patient's identifiers in a page's recognised text: each value that follows a label of
// its kind (health card, chart, date of birth, name, report date), and health-card numbers that
// stand alone but pass a region's check. Nothing here asks the service; the proposals do.
#pragma once

#include <QDate>
#include <QString>
#include <QVector>

#include "reading/IdentifierRules.h"

namespace pyxa {

struct PageIdentifier {
  IdentifierKind kind = IdentifierKind::PatientName;
  QString value;      // normalised: a card number without separators, a date as yyyy-MM-dd, a name as printed
  QString lastName;   // a name's parts when the page shows which is which ("LAST, First" or "First Last")
  QString firstName;
  QDate date;         // dates only
  QString region;     // health cards: the region whose format and check the number passes
  bool checked = false;  // health cards: the region's check digit holds (or the region has none)
  QString label;      // the label it followed, lower case ("collected", "dob"); empty for a card standing alone
  int start = 0;      // where the value stands in the text, for highlighting
  int length = 0;
};

QVector<PageIdentifier> FindIdentifiers(const QString& text, const CountryRules& rules);

// A date as printed on paper: ISO, day or month first by the country's order, or with a month name
// in English or French. An invalid date (or none) gives a null QDate.
QDate ReadPrintedDate(const QString& text, bool dayFirst);

}  // namespace pyxa
