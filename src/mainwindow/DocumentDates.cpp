#include "mainwindow/DocumentDates.h"

namespace pyxa {
namespace {

int Number(const QString& text, bool* ok) {
  const QString trimmed = text.trimmed();
  for (const QChar c : trimmed) {
    if (!c.isDigit() || c.unicode() > 127) return *ok = false, 0;
  }
  return trimmed.toInt(ok);
}

// The day the three numbers name, or a null date when they name none.
QDate RealDay(const QString& day, const QString& month, const QString& year) {
  bool okDay = false, okMonth = false, okYear = false;
  const int d = Number(day, &okDay), m = Number(month, &okMonth), y = Number(year, &okYear);
  if (!okDay || !okMonth || !okYear || year.trimmed().size() != 4) return {};
  const QDate date(y, m, d);
  return date.isValid() && date.day() == d && date.month() == m && date.year() == y ? date : QDate();
}

}  // namespace

FormedDate FormDocumentDate(const QString& part1, const QString& part2, const QString& part3, bool country2,
                            const QDate& today) {
  const int empty = int(part1.trimmed().isEmpty()) + int(part2.trimmed().isEmpty()) + int(part3.trimmed().isEmpty());
  if (empty == 3) return {};
  if (empty > 0) return {DateEntry::Partial, {}};
  const QDate date = country2 ? RealDay(part2, part1, part3) : RealDay(part1, part2, part3);
  if (!date.isValid()) return {DateEntry::Invalid, {}};
  if (date > today) return {DateEntry::Future, {}};
  return {DateEntry::Valid, date};
}

EncounterDateCheck ValidateEncounterDate(const QString& day, const QString& month, const QString& year,
                                         const QDate& today) {
  const QDate date = RealDay(day, month, year);
  if (!date.isValid()) return kNotADate;
  return today.daysTo(date) > 0 ? kLaterThanToday : kDateValid;
}

std::array<QString, 3> DateToParts(const QDate& date, bool country2) {
  if (!date.isValid()) return {};
  const QString day = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
  const QString month = QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
  return {country2 ? month : day, country2 ? day : month, QString::number(date.year())};
}

}  // namespace pyxa
