// Which pages of the file being indexed already belong to indexed documents, and appending
// pages to the document created last.
#pragma once

#include "components/DocumentRecords.h"

namespace pyxa {

// Pages given to documents not yet stored (a stored document carries its file data).
int PagesGiven(const Documents& documents);

// Whether the file still has pages no unstored document holds.
inline bool PagesRemain(const Documents& documents, int pageCount) { return PagesGiven(documents) < pageCount; }

// Adds a page of the file to the last document; false when there is none.
bool AppendPage(Documents& documents, int pageNumber);

// Adds to the last document every page from 1 to pageCount that no unstored document holds yet;
// answers how many were added.
int AppendAllPages(Documents& documents, int pageCount);

}  // namespace pyxa
