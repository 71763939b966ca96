// What a read page proposes for the document being indexed: the patient (only when the clinic has
// exactly the one the page names, with the clinic's own row to choose), the category, type, sender
// and date, the words to highlight, and the lines the clerk is shown. Display-free.
#pragma once

#include <QRect>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

#include "patients/PatientSearch.h"
#include "reading/IndexProposal.h"
#include "reading/PatientProposal.h"
#include "reading/TextRecognizer.h"

namespace pyxa {

// The clinic's patient search as the search frame runs it; throws ServiceError.
using ClinicPatientSearch = std::function<PatientResults(const SearchCriteria&)>;

struct PageProposal {
  QString file;
  int page = -1;          // 0-based
  bool complete = true;   // made from the whole page's text, not its first quick reading
  PatientProposal patient;
  std::optional<ChosenPatient> chosen;  // the clinic's row of the proposed patient
  IndexProposal index;
  QVector<QRect> highlights;  // in the page's pixels, as read
  QSize pageSize;             // the page's pixels as read
  QString summary;            // what was read and proposed, for the clerk
};

// The search fields for what a page says of a person (dates in the country's order).
SearchCriteria CriteriaFor(const PatientQuery& person, bool country2);

PageProposal ProposeFromPage(const PageText& text, bool country2, const ClinicPatientSearch& search,
                             const IndexReferences& lists, const QVector<SenderChoice>& past);

}  // namespace pyxa
