#include "reading/PatientProposal.h"

#include <algorithm>

#include "components/ClinicSchema.h"
#include "reading/TolerantText.h"

namespace pyxa {
namespace {

QString NameKey(const QString& last, const QString& first) { return ClinicNameKey(last) + QLatin1Char(',') + ClinicNameKey(first); }

// One value of each kind per distinct value: the same name printed twice is one person.
template <typename Key>
QVector<PageIdentifier> Distinct(const QVector<PageIdentifier>& found, IdentifierKind kind, Key key,
                                 bool checkedOnly = false) {
  QVector<PageIdentifier> distinct;
  QStringList keys;
  for (const PageIdentifier& identifier : found) {
    if (identifier.kind != kind || (checkedOnly && !identifier.checked)) continue;
    const QString k = key(identifier);
    if (keys.contains(k)) continue;
    keys << k;
    distinct << identifier;
  }
  return distinct;
}

// The page's first name may be shortened or an initial: it agrees when one key begins the other.
bool FirstNameAgrees(const PatientCandidate& patient, const PatientQuery& page) {
  const QString ours = ClinicNameKey(patient.firstName), theirs = ClinicNameKey(page.firstName);
  return !ours.isEmpty() && !theirs.isEmpty() && (ours.startsWith(theirs) || theirs.startsWith(ours));
}

bool NameAgrees(const PatientCandidate& patient, const PatientQuery& page) {
  return ClinicNameKey(patient.lastName) == ClinicNameKey(page.lastName) && FirstNameAgrees(patient, page);
}

// Names misread by a letter ("Miller, Jirgen" for "Müller, Jürgen"; two in a long name); trusted only
// where a checked card and the date of birth already name the patient.
bool Misread(const QString& name, const QString& read) {
  const QString ours = ClinicNameKey(name), theirs = ClinicNameKey(read);
  return ours.size() >= 4 && EditDistance(ours, theirs) <= (ours.size() >= 8 ? 2 : 1);
}

bool NameMisread(const PatientCandidate& patient, const PatientQuery& page) {
  const bool last = ClinicNameKey(patient.lastName) == ClinicNameKey(page.lastName) ||
                    Misread(patient.lastName, page.lastName);
  return last && (FirstNameAgrees(patient, page) || Misread(patient.firstName, page.firstName));
}

QString Shown(const QString& last, const QString& first) { return last + QStringLiteral(", ") + first; }
QString Shown(const QDate& date) { return date.toString(Qt::ISODate); }

}  // namespace

PatientProposal ProposePatient(const QVector<PageIdentifier>& found, const PatientSearcher& search) {
  PatientProposal proposal;
  const auto names = Distinct(found, IdentifierKind::PatientName,
                              [](const PageIdentifier& n) { return NameKey(n.lastName, n.firstName); });
  const auto births = Distinct(found, IdentifierKind::DateOfBirth, [](const PageIdentifier& d) { return d.value; });
  const auto cards = Distinct(found, IdentifierKind::HealthCard, [](const PageIdentifier& c) { return c.value; }, true);
  const auto broken = Distinct(found, IdentifierKind::HealthCard, [](const PageIdentifier& c) { return c.value; });
  const auto charts = Distinct(found, IdentifierKind::Chart, [](const PageIdentifier& c) { return c.value; });

  if (names.size() > 1 || births.size() > 1 || cards.size() > 1) {
    // Paired in the order printed; the clerk chooses, the program never does.
    QStringList shown;
    const int people = static_cast<int>(std::max({names.size(), births.size(), cards.size()}));
    for (int i = 0; i < people; ++i) {
      PatientQuery person;
      if (i < names.size()) {
        person.lastName = names.at(i).lastName;
        person.firstName = names.at(i).firstName;
      }
      if (i < births.size()) person.dateOfBirth = births.at(i).date;
      if (i < cards.size()) person.healthCard = cards.at(i).value;
      proposal.people << person;
      shown << (person.lastName.isEmpty() ? Shown(person.dateOfBirth) : Shown(person.lastName, person.firstName));
    }
    proposal.why = QStringLiteral("The page names more than one patient (%1). Choose the patient yourself.")
                       .arg(shown.join(QStringLiteral("; ")));
    proposal.used = names + births + cards;
    return proposal;
  }

  PatientQuery page;
  if (!names.isEmpty()) {
    page.lastName = names.first().lastName;
    page.firstName = names.first().firstName;
  }
  if (!births.isEmpty()) page.dateOfBirth = births.first().date;
  if (!cards.isEmpty()) page.healthCard = cards.first().value;
  if (!charts.isEmpty()) page.chart = charts.first().value;
  proposal.searchFields = page;
  proposal.used = names + births + cards;
  QString brokenNote;
  for (const PageIdentifier& card : broken) {
    if (!card.checked) {
      brokenNote = QStringLiteral(" The health card number %1 read on the page fails its check digit and was not "
                                  "used.")
                       .arg(card.value);
    }
  }
  if (page.lastName.isEmpty() || !page.dateOfBirth.isValid()) {
    proposal.why = QStringLiteral("The page does not show both the patient's name and date of birth; the search "
                                  "fields hold what it shows.") +
                   brokenNote;
    return proposal;
  }

  // By health card first, the strongest identifier; by name and date of birth when there is none
  // or the clinic knows no patient with it.
  QVector<PatientCandidate> answers;
  if (!page.healthCard.isEmpty()) {
    PatientQuery byCard;
    byCard.healthCard = page.healthCard;
    answers = search(byCard);
    const bool sameBirth = answers.size() == 1 && answers.first().dateOfBirth == page.dateOfBirth;
    if (sameBirth && !NameAgrees(answers.first(), page) && NameMisread(answers.first(), page)) {
      // The card passed its check and the birth date agrees: the name is the one misread.
      proposal.patient = answers.first();
      proposal.why = QStringLiteral("The page's name %1 was taken for %2: the health card %3 and the date of birth "
                                    "agree.")
                         .arg(Shown(page.lastName, page.firstName),
                              Shown(answers.first().lastName, answers.first().firstName), page.healthCard);
      return proposal;
    }
    if (answers.size() == 1 && !(NameAgrees(answers.first(), page) && sameBirth)) {
      const PatientCandidate& other = answers.first();
      proposal.why = QStringLiteral("The clinic's patient with health card %1 is %2, born %3, not %4, born %5 as the "
                                    "page says. Check the page before choosing the patient.")
                         .arg(page.healthCard, Shown(other.lastName, other.firstName), Shown(other.dateOfBirth),
                              Shown(page.lastName, page.firstName), Shown(page.dateOfBirth));
      return proposal;
    }
  }
  if (answers.isEmpty()) {
    PatientQuery byName;
    byName.lastName = page.lastName;
    byName.firstName = page.firstName.left(1);
    byName.dateOfBirth = page.dateOfBirth;
    answers = search(byName);
  }
  QVector<PatientCandidate> agreeing;
  for (const PatientCandidate& candidate : answers) {
    if (NameAgrees(candidate, page) && candidate.dateOfBirth == page.dateOfBirth) agreeing << candidate;
  }
  if (agreeing.size() == 1) {
    proposal.patient = agreeing.first();
    proposal.why = brokenNote.trimmed();
    return proposal;
  }
  proposal.why = (agreeing.isEmpty()
                      ? QStringLiteral("The clinic has no patient %1, born %2.")
                            .arg(Shown(page.lastName, page.firstName), Shown(page.dateOfBirth))
                      : QStringLiteral("%1 patients of the clinic are %2, born %3: choose the patient yourself.")
                            .arg(agreeing.size())
                            .arg(Shown(page.lastName, page.firstName), Shown(page.dateOfBirth))) +
                 brokenNote;
  return proposal;
}

}  // namespace pyxa
