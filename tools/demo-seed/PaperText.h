// How the demo paper writes names, dates and numbers, the way North American clinics print them.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include "PaperCast.h"

namespace pyxa {

QString Utf8(const char* text);
QString ListName(const PaperPatient& patient);             // "O'BRIEN, SIOBHAN"
QString PlainName(const PaperPatient& patient);            // "Siobhan O'Brien"
QString DoctorName(const PaperPhysician& physician);       // "Dr. Adaeze Okafor"
QString HealthCard(const PaperPatient& patient);           // "4532 019 876", or "not provided"
QString BirthDate(const PaperPatient& patient);            // ISO date, or "unknown"
int AgeOn(const PaperPatient& patient, const QDate& day);  // whole years, 0 when unknown
QString IsoDate(const QDate& day);
QString LongDate(const QDate& day);      // "November 30, 2026"
QString ShortDate(const QDate& day);     // "30-Nov-2026"
QString Stamp(const QDateTime& moment);  // "2026-11-30 09:14"

}  // namespace pyxa
