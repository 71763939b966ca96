#include "PaperText.h"

#include <QLocale>

namespace pyxa {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QString ListName(const PaperPatient& patient) {
  return (patient.lastName + QStringLiteral(", ") + patient.firstName).toUpper();
}

QString PlainName(const PaperPatient& patient) { return patient.firstName + QLatin1Char(' ') + patient.lastName; }

QString DoctorName(const PaperPhysician& physician) {
  return QStringLiteral("Dr. ") + physician.firstName + QLatin1Char(' ') + physician.lastName;
}

QString HealthCard(const PaperPatient& patient) {
  const QString& n = patient.healthCard;
  if (n.size() != 10) return n.isEmpty() ? QStringLiteral("not provided") : n;
  return n.left(4) + QLatin1Char(' ') + n.mid(4, 3) + QLatin1Char(' ') + n.mid(7);
}

QString BirthDate(const PaperPatient& patient) {
  return patient.birthDate.isValid() ? IsoDate(patient.birthDate) : QStringLiteral("unknown");
}

int AgeOn(const PaperPatient& patient, const QDate& day) {
  const QDate& born = patient.birthDate;
  if (!born.isValid()) return 0;
  int age = day.year() - born.year();
  if (day.month() < born.month() || (day.month() == born.month() && day.day() < born.day())) --age;
  return qMax(age, 0);
}

// English month names whatever the machine's language: the paper comes from English offices.
QString IsoDate(const QDate& day) { return QLocale::c().toString(day, QStringLiteral("yyyy-MM-dd")); }
QString LongDate(const QDate& day) { return QLocale::c().toString(day, QStringLiteral("MMMM d, yyyy")); }
QString ShortDate(const QDate& day) { return QLocale::c().toString(day, QStringLiteral("dd-MMM-yyyy")); }
QString Stamp(const QDateTime& moment) { return QLocale::c().toString(moment, QStringLiteral("yyyy-MM-dd HH:mm")); }

}  // namespace pyxa
