// The document date of the indexing fields: three texts, day and month in the country's order
// (month first for country 2), then the year.
#pragma once

#include <QDate>
#include <QString>
#include <array>

namespace pyxa {

enum class DateEntry { Missing, Partial, Invalid, Future, Valid };

struct FormedDate {
  DateEntry entry = DateEntry::Missing;
  QDate date;  // set when Valid
};

// Missing when every part is empty, Partial when only some are; Invalid when the parts name no real day (no rollover, a
// four-digit year); Future when after today.
FormedDate FormDocumentDate(const QString& part1, const QString& part2, const QString& part3, bool country2,
                            const QDate& today);

// The encounter date check: 0 when the numbers name no real day (no rollover), 1 when the day
// is after today, 2 when it will do.
enum EncounterDateCheck { kNotADate = 0, kLaterThanToday = 1, kDateValid = 2 };
EncounterDateCheck ValidateEncounterDate(const QString& day, const QString& month, const QString& year,
                                         const QDate& today);

// The three parts of a date in the country's order; three empty texts for a null date.
std::array<QString, 3> DateToParts(const QDate& date, bool country2);

}  // namespace pyxa
