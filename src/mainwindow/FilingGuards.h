// The checks that keep every page of the file being indexed in exactly one document, of the
// patient it was given to. Each answers why the step is refused, in the program's words, or an
// empty text when it may go ahead.
#pragma once

#include "components/DocumentRecords.h"
#include "document/ImageDocument.h"

#include <QString>

namespace pyxa {

// What the window shows and has chosen when the user asks to create or extend a document.
struct IndexingView {
  QString shownFile;     // full path of the file in the viewer; empty when none
  int currentPage = 0;   // 1-based page on screen; 0 when none
  int pageCount = 0;
  QString chosenPatient;  // the patient identifier the search fields hold; empty when none
};

// Whether a document not stored yet holds the page of the file.
bool PageHeld(const Documents& documents, const QString& file, int page);

// The file whose pages the unstored documents hold; empty when they hold none.
QString IndexedSource(const Documents& documents);

// The document Append extends (1-based): the one created last; 0 when there is none.
int AppendTarget(const Documents& documents);

// Says which document Append will extend, for the document frame.
QString AppendTargetText(const Documents& documents);

// Showing another file (or none) while unstored documents hold pages of the file shown.
QString RefuseOtherFile(const Documents& documents, const QString& newFile);

// Create New Document on the page shown.
QString RefuseNewDocument(const Documents& documents, const IndexingView& view);

// Append Page (one page: the page shown) or Append All (allPages) to the document created last.
QString RefuseAppend(const Documents& documents, const IndexingView& view, bool allPages);

}  // namespace pyxa
