#include "coversheets/BatchSplit.h"

#include <utility>

namespace pyxa {

BatchSplit SplitBatch(const std::vector<SheetFinding>& findings) {
  BatchSplit split;
  ProposedDocument current;
  const auto close = [&] {
    if (!current.pages.empty())
      split.documents.push_back(std::exchange(current, ProposedDocument()));
    else if (current.cover)
      split.emptyCovers.push_back(current.sheetPage);
    current = ProposedDocument();
  };
  for (size_t i = 0; i < findings.size(); ++i) {
    const int page = static_cast<int>(i) + 1;
    const SheetFinding& finding = findings[i];
    switch (finding.kind) {
      case SheetFinding::Kind::Cover:
      case SheetFinding::Kind::Separator:
        close();
        split.sheetPages.push_back(page);
        current.sheetPage = page;
        if (finding.kind == SheetFinding::Kind::Cover) current.cover = finding.record;
        break;
      case SheetFinding::Kind::Unreadable:
        split.unreadablePages.push_back(page);
        current.pages.push_back(page);
        break;
      case SheetFinding::Kind::Page:
        current.pages.push_back(page);
        break;
    }
  }
  close();
  return split;
}

}  // namespace pyxa
