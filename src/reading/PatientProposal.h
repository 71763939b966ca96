// What a page's identifiers make of its patient once the clinic has been asked. A patient is
// proposed only when the page names one person and exactly one patient of the clinic agrees with
// it on both name and date of birth; anything weaker fills the search fields and says why, and a
// page naming two people proposes neither. A wrong proposal is worse than none.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

#include "reading/PageIdentifiers.h"

namespace pyxa {

struct PatientQuery {
  QString lastName, firstName, healthCard, chart;
  QDate dateOfBirth;
};

struct PatientCandidate {
  qint64 id = 0;
  QString lastName, firstName, healthCard, chart;
  QDate dateOfBirth;
};

// Asks the clinic; may throw (the caller's service errors pass through).
using PatientSearcher = std::function<QVector<PatientCandidate>(const PatientQuery&)>;

struct PatientProposal {
  std::optional<PatientCandidate> patient;  // set only when proposed
  PatientQuery searchFields;                // what the page gives the search fields (empty for two people)
  QVector<PatientQuery> people;             // each person the page names, when it names more than one
  QString why;  // for the clerk: why nothing was proposed, or with a proposal what on the page was not used
  QVector<PageIdentifier> used;             // the identifiers it rests on, for highlighting
};

PatientProposal ProposePatient(const QVector<PageIdentifier>& found, const PatientSearcher& search);

}  // namespace pyxa
