#include "coversheets/BatchProposals.h"

#include <QHash>

namespace pyxa {
namespace {

QString RecordKey(const CoverRecord& record) {
  return QString::number(record.patientId) + QLatin1Char('|') + record.name + QLatin1Char('|') +
         record.birth.toString(Qt::ISODate);
}

}  // namespace

void BatchProposals::Propose(const BatchReading& reading, const PatientCheck& check) {
  Clear();
  file_ = reading.file;
  digest_ = reading.digest;
  const BatchSplit split = SplitBatch(reading.findings);
  for (int page : split.unreadablePages) {
    notices_ << QStringLiteral("Page %1 looks like a sheet, but %2; it is kept as an ordinary page.")
                    .arg(page)
                    .arg(reading.findings[static_cast<size_t>(page - 1)].problem);
  }
  for (int page : split.emptyCovers)
    notices_ << QStringLiteral("The cover sheet on page %1 has no pages after it; no document is proposed for it.").arg(page);
  // A batch without sheets proposes nothing: it is indexed as before.
  if (split.sheetPages.empty()) return;
  QHash<QString, SheetPatient> checked;
  for (const ProposedDocument& document : split.documents) {
    Proposal proposal;
    proposal.split = document;
    if (document.cover) {
      const QString key = RecordKey(*document.cover);
      if (!checked.contains(key)) {
        SheetPatient result;
        // After one failure the clinic is not asked again: the covers left are flagged with it.
        if (!serviceFailure_) {
          try {
            result = check(*document.cover);
          } catch (const ServiceError& error) {
            serviceFailure_ = error;
          }
        }
        if (serviceFailure_) {
          result.status = SheetPatient::Status::Unknown;
          result.problem = QStringLiteral("the clinic could not be asked about its patient: %1")
                               .arg(serviceFailure_->Description());
        }
        checked.insert(key, result);
      }
      const SheetPatient& result = checked.value(key);
      if (result.status == SheetPatient::Status::Matched) {
        proposal.state = Proposal::Patient::Matched;
        proposal.patient = result.patient;
      } else {
        proposal.state = Proposal::Patient::Flagged;
        proposal.warning = QStringLiteral("The cover sheet on page %1 cannot be trusted: %2")
                               .arg(document.sheetPage)
                               .arg(result.problem);
      }
    }
    items_.push_back(std::move(proposal));
  }
}

QString ProposalCaption(const Proposal& proposal) {
  switch (proposal.state) {
    case Proposal::Patient::Matched:
      return QStringLiteral("Proposed: ") + proposal.patient.fields.lastName.trimmed() + QStringLiteral(", ") +
             proposal.patient.fields.firstName.trimmed();
    case Proposal::Patient::Flagged:
      return QStringLiteral("Proposed: %1 - check the patient").arg(proposal.split.cover->name);
    case Proposal::Patient::None:
      break;
  }
  return QStringLiteral("Proposed: no patient yet");
}

void TakeProposalPages(Document& document, const Proposal& proposal, bool keepSheets) {
  document.Pages.Clear();
  for (int page : proposal.split.pages) document.Pages.Add(Page{page, {}});
  document.SheetPages.clear();
  if (!keepSheets && proposal.split.sheetPage > 0) document.SheetPages.push_back(proposal.split.sheetPage);
}

}  // namespace pyxa
