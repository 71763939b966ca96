// The documents a batch proposes once its sheets are found: the pages between two sheets form one
// document, a cover sheet's record going with the pages after it. The sheets belong to no document,
// an empty document (two sheets in a row, a sheet as the last page) is never proposed, and a page
// whose sheet could not be read stays an ordinary page, listed so that the clerk is told.
#pragma once

#include "coversheets/SheetFinder.h"

#include <optional>
#include <vector>

namespace pyxa {

struct ProposedDocument {
  std::vector<int> pages;            // 1-based pages of the batch, in order
  std::optional<CoverRecord> cover;  // none after a separator, or before the first sheet
  int sheetPage = 0;                 // the sheet it starts after; 0 before the first sheet
  bool operator==(const ProposedDocument&) const = default;
};

struct BatchSplit {
  std::vector<ProposedDocument> documents;
  std::vector<int> sheetPages;       // the sheets, which leave the batch with its filed pages
  std::vector<int> unreadablePages;  // pages with a code that could not be read
  std::vector<int> emptyCovers;      // cover sheets with no page after them
};

// findings[i] is what page i + 1 holds.
BatchSplit SplitBatch(const std::vector<SheetFinding>& findings);

}  // namespace pyxa
