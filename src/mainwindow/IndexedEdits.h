// Edits of the collection of indexed documents from its tree: removing a page or a document and
// moving a page between (or within) documents. Documents already stored keep their pages.
#pragma once

#include "components/DocumentRecords.h"

#include <QString>
#include <optional>

namespace pyxa {

// Category identifier of clinical notes, whose documents hold an encounter.
inline constexpr std::int64_t kClinicalNotesCategory = 4;

struct EditResult {
  bool ok = true;
  QString message;  // why nothing changed, in the program's words
};

// Removes the page numbered pageNumber from document (1-based) of the collection.
EditResult RemovePage(Documents& documents, int document, int pageNumber);

// Removes document (1-based). Answers the encounter to unlock: a clinical note's encounter
// that no other indexed document uses.
std::optional<std::int64_t> RemoveDocument(Documents& documents, int document);

// Moves the page numbered pageNumber of document `from` into document `to`, before the page
// numbered beforePage there (at the end when beforePage is 0 or not found).
EditResult MovePage(Documents& documents, int from, int pageNumber, int to, int beforePage);

}  // namespace pyxa
