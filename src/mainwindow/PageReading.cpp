#include "mainwindow/PageReading.h"

#include <QHash>

namespace pyxa {
namespace {

QString Person(const PatientQuery& person) {
  QStringList parts;
  if (!person.lastName.isEmpty()) parts << person.lastName + QStringLiteral(", ") + person.firstName;
  if (person.dateOfBirth.isValid()) parts << QStringLiteral("born ") + person.dateOfBirth.toString(Qt::ISODate);
  if (!person.healthCard.isEmpty()) parts << QStringLiteral("health card ") + person.healthCard;
  return parts.join(QStringLiteral(", "));
}

}  // namespace

SearchCriteria CriteriaFor(const PatientQuery& person, bool country2) {
  SearchCriteria criteria;
  criteria.lastName = person.lastName;
  criteria.firstName = person.firstName;
  criteria.chart = person.chart;
  // The number goes in only where the clinic's patients carry one.
  if (!country2) criteria.hcn = person.healthCard;
  if (person.dateOfBirth.isValid()) {
    const QString day = QString::number(person.dateOfBirth.day()), month = QString::number(person.dateOfBirth.month());
    criteria.dob1 = country2 ? month : day;
    criteria.dob2 = country2 ? day : month;
    criteria.dob3 = QString::number(person.dateOfBirth.year());
  }
  return criteria;
}

PageProposal ProposeFromPage(const PageText& text, bool country2, const ClinicPatientSearch& search,
                             const IndexReferences& lists, const QVector<SenderChoice>& past) {
  PageProposal proposal;
  const QVector<PageIdentifier> found =
      FindIdentifiers(text.text, RulesFor(country2 ? QStringLiteral("US") : QStringLiteral("CA")));
  // The clinic's own rows, so that the patient chosen is exactly the one the clinic answered with.
  QHash<qint64, ChosenPatient> rows;
  proposal.patient = ProposePatient(found, [&](const PatientQuery& query) {
    const PatientResults results = search(CriteriaFor(query, country2));
    QVector<PatientCandidate> candidates;
    for (int row = 0; row < results.Count(); ++row) {
      PatientCandidate candidate;
      candidate.id = results.Field(row, QStringLiteral("lID")).toLongLong();
      candidate.lastName = results.Field(row, QStringLiteral("szLast"));
      candidate.firstName = results.Field(row, QStringLiteral("szFirst"));
      candidate.chart = results.Field(row, QStringLiteral("szChartNum"));
      candidate.healthCard = results.Field(row, QStringLiteral("sValue"));
      if (const auto parts = SplitServiceDate(results.Field(row, QStringLiteral("dDOB"))))
        candidate.dateOfBirth = QDate(parts->year.toInt(), parts->month.toInt(), parts->day.toInt());
      rows.insert(candidate.id, PatientFromRow(results, row, country2));
      candidates << candidate;
    }
    return candidates;
  });
  if (proposal.patient.patient) {
    const auto row = rows.constFind(proposal.patient.patient->id);
    // A proposal the clinic's rows cannot back is no proposal.
    if (row != rows.constEnd() && !row->patientId.isEmpty()) proposal.chosen = *row;
  }
  proposal.index = ProposeIndex(text.text, found, lists, past);

  proposal.pageSize = text.pageSize;
  for (const PageIdentifier& used : proposal.patient.used)
    proposal.highlights += BoxesOf(text, used.start, used.length);
  for (const TextSpan& span : proposal.index.spans) proposal.highlights += BoxesOf(text, span.start, span.length);

  QStringList lines;
  if (proposal.chosen) {
    lines << QStringLiteral("Patient: %1").arg(Person(PatientQuery{proposal.patient.patient->lastName,
                                                                   proposal.patient.patient->firstName,
                                                                   proposal.patient.patient->healthCard, {},
                                                                   proposal.patient.patient->dateOfBirth}));
  } else if (!proposal.patient.people.isEmpty()) {
    QStringList people;
    for (const PatientQuery& person : proposal.patient.people) people << Person(person);
    lines << QStringLiteral("Patients named: %1").arg(people.join(QStringLiteral("; ")));
  } else if (const QString person = Person(proposal.patient.searchFields); !person.isEmpty()) {
    lines << QStringLiteral("Read: %1").arg(person);
  }
  if (!proposal.patient.why.isEmpty()) lines << proposal.patient.why;
  QStringList index;
  if (!proposal.index.category.isEmpty()) index << QStringLiteral("Category: %1").arg(proposal.index.category);
  if (!proposal.index.typeName.isEmpty()) index << QStringLiteral("Type: %1").arg(proposal.index.typeName);
  if (!proposal.index.sender.isEmpty()) index << QStringLiteral("Sender: %1").arg(proposal.index.sender);
  if (proposal.index.documentDate.isValid())
    index << QStringLiteral("Date: %1").arg(proposal.index.documentDate.toString(Qt::ISODate));
  if (!index.isEmpty()) lines << index.join(QStringLiteral(" \u00b7 "));
  proposal.summary = lines.join(QLatin1Char('\n'));
  return proposal;
}

}  // namespace pyxa
