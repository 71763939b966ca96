#include "mainwindow/IndexedEdits.h"

namespace pyxa {
namespace {

int PageIndex(const Document& document, int pageNumber) {
  for (int i = 1; i <= document.Pages.Count(); ++i) {
    if (document.Pages.Item(i).PageNumber == pageNumber) return i;
  }
  return 0;
}

bool Valid(const Documents& documents, int document) { return document >= 1 && document <= documents.Count(); }

}  // namespace

EditResult RemovePage(Documents& documents, int document, int pageNumber) {
  if (!Valid(documents, document)) return {false, QString()};
  Document& target = documents.Item(document);
  if (IsStored(target)) return {false, QStringLiteral("You can not remove a page from saved document.")};
  const int index = PageIndex(target, pageNumber);
  if (index == 0) return {false, QString()};
  target.Pages.Remove(index);
  return {};
}

std::optional<std::int64_t> RemoveDocument(Documents& documents, int document) {
  if (!Valid(documents, document)) return std::nullopt;
  const Document removed = documents.Item(document);
  documents.Remove(document);
  if (removed.CategoryID != kClinicalNotesCategory || removed.EncounterID == 0) return std::nullopt;
  for (const Document& other : documents) {
    if (other.EncounterID == removed.EncounterID) return std::nullopt;
  }
  return removed.EncounterID;
}

EditResult MovePage(Documents& documents, int from, int pageNumber, int to, int beforePage) {
  if (!Valid(documents, from) || !Valid(documents, to)) return {false, QString()};
  if (from == to && beforePage == pageNumber) return {false, QString()};
  if (IsStored(documents.Item(to))) {
    return {false, QStringLiteral("You can not move this page to the document that has already been saved.")};
  }
  if (IsStored(documents.Item(from))) {
    return {false, QStringLiteral("You can not remove this page from the document that has already been saved.")};
  }
  Document& source = documents.Item(from);
  const int index = PageIndex(source, pageNumber);
  if (index == 0) return {false, QString()};
  const Page page = source.Pages.Item(index);
  source.Pages.Remove(index);

  // Rebuild the target's pages with the moved one in its place.
  Document& target = documents.Item(to);
  Pages reordered;
  bool placed = false;
  for (const Page& existing : target.Pages) {
    if (!placed && beforePage != 0 && existing.PageNumber == beforePage) {
      reordered.Add(page);
      placed = true;
    }
    reordered.Add(existing);
  }
  if (!placed) reordered.Add(page);
  target.Pages = std::move(reordered);
  return {};
}

}  // namespace pyxa
