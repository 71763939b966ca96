#include "mainwindow/PageAssignment.h"

#include <QSet>

namespace pyxa {

int PagesGiven(const Documents& documents) {
  int given = 0;
  for (const Document& document : documents) {
    if (!IsStored(document)) given += document.Pages.Count() + static_cast<int>(document.SheetPages.size());
  }
  return given;
}

bool AppendPage(Documents& documents, int pageNumber) {
  if (documents.Count() == 0) return false;
  documents.Item(documents.Count()).Pages.Add(Page{pageNumber, {}});
  return true;
}

int AppendAllPages(Documents& documents, int pageCount) {
  if (documents.Count() == 0) return 0;
  QSet<int> held;
  // Stored documents hold pages of files indexed before, not of this one.
  for (const Document& document : documents) {
    if (IsStored(document)) continue;
    for (const Page& page : document.Pages) held.insert(page.PageNumber);
    for (int sheet : document.SheetPages) held.insert(sheet);
  }
  int added = 0;
  for (int number = 1; number <= pageCount; ++number) {
    if (held.contains(number)) continue;
    documents.Item(documents.Count()).Pages.Add(Page{number, {}});
    ++added;
  }
  return added;
}

}  // namespace pyxa
