#include "reading/IndexProposal.h"

namespace pyxa {

IndexProposal ProposeIndex(const QString& /*text*/, const QVector<PageIdentifier>& found,
                           const IndexReferences& /*lists*/, const QVector<SenderChoice>& /*past*/) {
  IndexProposal proposal;
  for (const PageIdentifier& identifier : found) {
    if (identifier.kind != IdentifierKind::ReportDate || !identifier.date.isValid()) continue;
    proposal.documentDate = identifier.date;
    proposal.spans << TextSpan{identifier.start, identifier.length};
    break;
  }
  return proposal;
}

}  // namespace pyxa
