#include "mainwindow/IndexedEdits.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

Document Doc(std::initializer_list<int> pages, bool stored = false, std::int64_t category = 1,
             std::int64_t encounter = 0) {
  Document document;
  for (int page : pages) document.Pages.Add(Page{page, {}});
  if (stored) document.FileData = QByteArray("II*\\0");
  document.CategoryID = category;
  document.EncounterID = encounter;
  return document;
}

QList<int> PagesOf(const Documents& documents, int document) {
  QList<int> numbers;
  for (const Page& page : documents.Item(document).Pages) numbers << page.PageNumber;
  return numbers;
}

TEST(IndexedEdits, PagesOfStoredDocumentsStayWhereTheyAre) {
  Documents docs;
  docs.Add(Doc({1, 2}, true));
  docs.Add(Doc({3}));
  EXPECT_EQ(RemovePage(docs, 1, 2).message, QStringLiteral("You can not remove a page from saved document."));
  EXPECT_EQ(MovePage(docs, 2, 3, 1, 0).message,
            QStringLiteral("You can not move this page to the document that has already been saved."));
  EXPECT_EQ(MovePage(docs, 1, 1, 2, 0).message,
            QStringLiteral("You can not remove this page from the document that has already been saved."));
  EXPECT_EQ(PagesOf(docs, 1), (QList<int>{1, 2}));
  EXPECT_EQ(PagesOf(docs, 2), (QList<int>{3}));
}

TEST(IndexedEdits, MovesBetweenAndWithinUnstoredDocuments) {
  Documents docs;
  docs.Add(Doc({1, 2, 3}));
  docs.Add(Doc({4, 5}));
  EXPECT_TRUE(MovePage(docs, 1, 2, 2, 5).ok);  // before page 5
  EXPECT_EQ(PagesOf(docs, 1), (QList<int>{1, 3}));
  EXPECT_EQ(PagesOf(docs, 2), (QList<int>{4, 2, 5}));
  EXPECT_TRUE(MovePage(docs, 2, 5, 2, 4).ok);  // reorder within one document
  EXPECT_EQ(PagesOf(docs, 2), (QList<int>{5, 4, 2}));
  EXPECT_TRUE(MovePage(docs, 1, 1, 2, 0).ok);  // dropped on the document: at the end
  EXPECT_EQ(PagesOf(docs, 2), (QList<int>{5, 4, 2, 1}));
  EXPECT_FALSE(MovePage(docs, 2, 4, 2, 4).ok);  // onto itself
  EXPECT_TRUE(RemovePage(docs, 2, 4).ok);
  EXPECT_EQ(PagesOf(docs, 2), (QList<int>{5, 2, 1}));
}

TEST(IndexedEdits, RemovingAClinicalNoteUnlocksItsEncounterOnlyWhenNoOtherDocumentUsesIt) {
  Documents docs;
  docs.Add(Doc({1}, false, kClinicalNotesCategory, 77));
  docs.Add(Doc({2}, false, kClinicalNotesCategory, 77));
  docs.Add(Doc({3}, false, 1, 0));
  EXPECT_EQ(RemoveDocument(docs, 1), std::nullopt);  // document 2 still uses encounter 77
  EXPECT_EQ(RemoveDocument(docs, 1), std::optional<std::int64_t>(77));
  EXPECT_EQ(RemoveDocument(docs, 1), std::nullopt);  // not a clinical note
  EXPECT_EQ(docs.Count(), 0);
  EXPECT_EQ(RemoveDocument(docs, 1), std::nullopt);
}

}  // namespace
}  // namespace pyxa
