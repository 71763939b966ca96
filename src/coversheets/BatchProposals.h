// The documents a read batch proposes, waiting for the clerk: each with its pages, the sheet it
// starts after, and its cover sheet's patient as the service confirmed it (or why it could not).
// Nothing here is ever stored: a proposal becomes an indexed document only when the clerk confirms it.
#pragma once

#include "components/ClinicalService.h"
#include "components/DocumentRecords.h"
#include "coversheets/BatchReading.h"
#include "coversheets/BatchSplit.h"
#include "coversheets/SheetPatientCheck.h"

#include <functional>
#include <optional>

namespace pyxa {

struct Proposal {
  enum class Patient {
    None,     // no cover sheet: the clerk chooses the patient
    Matched,  // the service's patient, as the sheet names them
    Flagged,  // the sheet's patient could not be confirmed: the clerk is told and chooses
  };
  ProposedDocument split;
  Patient state = Patient::None;
  ChosenPatient patient;  // when matched
  QString warning;        // when flagged: why, in a sentence
};

class BatchProposals {
 public:
  using PatientCheck = std::function<SheetPatient(const CoverRecord&)>;

  // Replaces the proposals with those of the reading. Each cover's patient is checked once (the same
  // record on several sheets is asked about once); a service failure flags the covers left and is kept.
  void Propose(const BatchReading& reading, const PatientCheck& check);
  void Clear() { *this = BatchProposals(); }

  bool Empty() const { return items_.empty(); }
  int Count() const { return static_cast<int>(items_.size()); }
  const Proposal& Item(int index) const { return items_.at(static_cast<size_t>(index)); }
  void Remove(int index) { items_.erase(items_.begin() + index); }
  // The proposals are of this file as it was when read.
  const QString& File() const { return file_; }
  const QByteArray& Digest() const { return digest_; }
  // What the clerk is told about the batch: sheets that could not be read, covers with no pages.
  const QStringList& Notices() const { return notices_; }
  const std::optional<ServiceError>& ServiceFailure() const { return serviceFailure_; }

 private:
  QString file_;
  QByteArray digest_;
  std::vector<Proposal> items_;
  QStringList notices_;
  std::optional<ServiceError> serviceFailure_;
};

// The tree's caption of a proposal: it says that it is a proposal and whose.
QString ProposalCaption(const Proposal& proposal);

// Gives the document the proposal's pages; its sheet leaves the file with them unless kept.
void TakeProposalPages(Document& document, const Proposal& proposal, bool keepSheets);

}  // namespace pyxa
