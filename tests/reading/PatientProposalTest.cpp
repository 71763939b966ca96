#include <gtest/gtest.h>

#include "components/ClinicSchema.h"
#include "reading/PatientProposal.h"

namespace pyxa {
namespace {

// A small clinic: two patients share a name and a birthday, so only more than that tells them apart.
const QVector<PatientCandidate> kClinic = {
    {1001, QStringLiteral("O'Brien"), QStringLiteral("Siobhan"), QStringLiteral("4532019876"), {}, QDate(1957, 3, 14)},
    {1002, QStringLiteral("Müller"), QStringLiteral("Jürgen"), {}, {}, QDate(1962, 7, 29)},
    {1003, QStringLiteral("Ng"), QStringLiteral("Anna"), {}, {}, QDate(1990, 1, 1)},
    {1004, QStringLiteral("Ng"), QStringLiteral("Anna"), {}, {}, QDate(1990, 1, 1)},
    {1005, QStringLiteral("Tremblay"), QStringLiteral("Marie"), QStringLiteral("1414213569"), {}, QDate(1950, 5, 5)},
};

// Searches as the clinic does: a card exactly, names by prefix whatever their accents and case.
QVector<PatientCandidate> Search(const PatientQuery& query, int* asked) {
  ++*asked;
  QVector<PatientCandidate> found;
  for (const PatientCandidate& patient : kClinic) {
    if (!query.healthCard.isEmpty() && patient.healthCard != query.healthCard) continue;
    if (!query.lastName.isEmpty() && !ClinicNameKey(patient.lastName).startsWith(ClinicNameKey(query.lastName))) continue;
    if (!query.firstName.isEmpty() && !ClinicNameKey(patient.firstName).startsWith(ClinicNameKey(query.firstName))) {
      continue;
    }
    if (query.dateOfBirth.isValid() && patient.dateOfBirth != query.dateOfBirth) continue;
    found << patient;
  }
  return found;
}

TEST(PatientProposal, OnlyOnePatientAgreeingOnNameAndBirthIsEverProposed) {
  const struct {
    const char* what;
    QString page;
    qint64 proposed;  // 0: none
    QString says;
    int people;
  } cases[] = {
      {"card, name and birth agree", QStringLiteral("Patient: O'BRIEN, SIOBHAN\nDOB: 1957-03-14\nHCN: 4532 019 876"), 1001,
       {}, 0},
      {"name read without its accents", QStringLiteral("Re: Jurgen Muller    DOB: 1962-07-29"), 1002, {}, 0},
      {"a misread card digit leaves the name and birth",
       QStringLiteral("Patient: O'BRIEN, SIOBHAN\nDOB: 1957-03-14\nHCN: 4532 019 875"), 1001,
       QStringLiteral("fails its check digit"), 0},
      {"names misread by a letter: the checked card and the birth agree",
       QStringLiteral("Patient: O'BRIAN, SIOBHAM\nDOB: 1957-03-14\nHCN: 4532 019 876"), 1001,
       QStringLiteral("O'BRIAN, SIOBHAM was taken for O'Brien, Siobhan"), 0},
      {"a name misread by more than a letter", QStringLiteral("Patient: O'BRYAN, SIOBHAM\nDOB: 1957-03-14\nHCN: 4532 019 876"),
       0, QStringLiteral("Check the page"), 0},
      {"a misread last name without the card", QStringLiteral("Re: Siobhan O'Brian    DOB: 1957-03-14"), 0,
       QStringLiteral("no patient O'Brian"), 0},
      {"a misread last name whose card holder was born another day",
       QStringLiteral("Patient: O'BRIAN, SIOBHAN\nDOB: 1957-03-15\nHCN: 4532 019 876"), 0,
       QStringLiteral("Check the page"), 0},
      {"the card is another patient's", QStringLiteral("Patient: O'BRIEN, SIOBHAN\nDOB: 1957-03-14\nHCN: 1414 213 569"),
       0, QStringLiteral("Tremblay, Marie"), 0},
      {"two of the clinic's patients agree", QStringLiteral("Patient: NG, ANNA\nDOB: 1990-01-01"), 0,
       QStringLiteral("2 patients"), 0},
      {"the clinic does not know the name", QStringLiteral("Patient: DOE, JANE\nDOB: 1990-01-01"), 0,
       QStringLiteral("no patient DOE, JANE"), 0},
      {"a name without a birth date", QStringLiteral("Patient: O'BRIEN, SIOBHAN"), 0,
       QStringLiteral("both the patient's name and date of birth"), 0},
      {"two people on one page",
       QStringLiteral("Patient: O'BRIEN, SIOBHAN  DOB: 1957-03-14\nPatient: MULLER, JURGEN  DOB: 1962-07-29"), 0,
       QStringLiteral("more than one patient"), 2},
  };
  for (const auto& c : cases) {
    int asked = 0;
    const PatientProposal proposal =
        ProposePatient(FindIdentifiers(c.page, RulesFor(QStringLiteral("CA"))),
                       [&asked](const PatientQuery& query) { return Search(query, &asked); });
    EXPECT_EQ(proposal.patient ? proposal.patient->id : 0, c.proposed) << c.what;
    EXPECT_TRUE(proposal.why.contains(c.says)) << c.what << ": " << proposal.why.toStdString();
    EXPECT_EQ(proposal.people.size(), c.people) << c.what;
    if (c.people > 0 || c.says.contains(QStringLiteral("both"))) {
      EXPECT_EQ(asked, 0) << c.what;
    }
    if (!c.proposed) continue;
    EXPECT_FALSE(proposal.used.isEmpty()) << c.what;
    // The search fields hold the page's own reading, never the rejected card.
    EXPECT_FALSE(proposal.searchFields.healthCard.endsWith(QLatin1Char('5'))) << c.what;
  }
}

}  // namespace
}  // namespace pyxa
