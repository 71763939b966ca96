#include "mainwindow/FilingGuards.h"

#include "mainwindow/PathText.h"

namespace pyxa {
namespace {

QString PatientOf(const Document& document) {
  return document.LastName.trimmed() + QStringLiteral(", ") + document.FirstName.trimmed();
}

QString Quoted(const QString& path) { return QLatin1Char('\'') + NameFromFullPath(path) + QLatin1Char('\''); }

}  // namespace

bool PageHeld(const Documents& documents, const QString& file, int page) {
  for (const Document& document : documents) {
    if (IsStored(document) || document.SourceFile != file) continue;
    for (const Page& held : document.Pages)
      if (held.PageNumber == page) return true;
    if (document.SheetPages.contains(page)) return true;
  }
  return false;
}

QString IndexedSource(const Documents& documents) {
  for (const Document& document : documents)
    if (!IsStored(document) && !document.SourceFile.isEmpty()) return document.SourceFile;
  return {};
}

int AppendTarget(const Documents& documents) { return documents.Count(); }

QString AppendTargetText(const Documents& documents) {
  const int target = AppendTarget(documents);
  if (target == 0) return QStringLiteral("Append adds to: no document yet");
  const Document& document = documents.Item(target);
  if (IsStored(document)) return QStringLiteral("Append adds to: no document (document %1 is stored)").arg(target);
  return QStringLiteral("Append adds to: document %1, %2").arg(target).arg(PatientOf(document));
}

QString RefuseOtherFile(const Documents& documents, const QString& newFile) {
  const QString source = IndexedSource(documents);
  if (source.isEmpty() || source == newFile) return {};
  return QStringLiteral("The indexed documents hold pages of %1. Upload them, or remove them from the indexed tree, "
                        "before you choose another file.")
      .arg(Quoted(source));
}

QString RefuseNewDocument(const Documents& documents, const IndexingView& view) {
  if (view.shownFile.isEmpty()) return QStringLiteral("No file is shown: choose the file to index first.");
  const QString source = IndexedSource(documents);
  if (!source.isEmpty() && source != view.shownFile) return RefuseOtherFile(documents, view.shownFile);
  if (view.pageCount < 1 || view.currentPage < 1)
    return QStringLiteral("%1 has no pages left to index.").arg(Quoted(view.shownFile));
  if (!IsPagedFile(view.shownFile) && source == view.shownFile)
    return QStringLiteral("%1 is already in an indexed document: the whole file is one document.")
        .arg(Quoted(view.shownFile));
  if (PageHeld(documents, view.shownFile, view.currentPage))
    return QStringLiteral("Page %1 is already in an indexed document. Show a page that no document holds yet.")
        .arg(view.currentPage);
  return {};
}

QString RefuseAppend(const Documents& documents, const IndexingView& view, bool allPages) {
  const int target = AppendTarget(documents);
  if (target == 0) return QStringLiteral("There is no document to append to: create a new document first.");
  const Document& document = documents.Item(target);
  if (IsStored(document))
    return QStringLiteral("Document %1 is stored already: create a new document for these pages.").arg(target);
  if (view.shownFile.isEmpty() || document.SourceFile != view.shownFile)
    return QStringLiteral("Document %1 holds pages of %2, which is not the file shown.")
        .arg(target)
        .arg(Quoted(document.SourceFile));
  if (view.chosenPatient != QString::number(document.PatientID))
    return QStringLiteral("Document %1 belongs to %2, but the search fields do not name %2 now. Search for %2 "
                          "again to append to that document, or create a new document for the patient now chosen.")
        .arg(target)
        .arg(PatientOf(document));
  // A file filed whole is its document's one page, given when the document is created.
  if (!IsPagedFile(view.shownFile) && document.Pages.Count() > 0)
    return QStringLiteral("%1 is one document as a whole: it has no pages to append.").arg(Quoted(view.shownFile));
  if (allPages) {
    for (int page = 1; page <= view.pageCount; ++page)
      if (!PageHeld(documents, view.shownFile, page)) return {};
    return QStringLiteral("Every page of %1 is already in an indexed document.").arg(Quoted(view.shownFile));
  }
  if (view.currentPage < 1 || view.currentPage > view.pageCount)
    return QStringLiteral("%1 has no page to append.").arg(Quoted(view.shownFile));
  if (PageHeld(documents, view.shownFile, view.currentPage))
    return QStringLiteral("Page %1 is already in an indexed document.").arg(view.currentPage);
  return {};
}

}  // namespace pyxa
