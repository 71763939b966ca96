// The filing checks on their own: which creations and appends are refused, and why.
#include "mainwindow/FilingGuards.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

const QString kFile = QStringLiteral("/files/a.TIF");

Document HeldBy(qint64 patient, std::initializer_list<int> pages, const QString& file = kFile) {
  Document document;
  document.PatientID = patient;
  document.LastName = QStringLiteral("Nguyen");
  document.FirstName = QStringLiteral("Lan");
  document.SourceFile = file;
  for (int page : pages) document.Pages.Add(Page{page, {}});
  return document;
}

struct Case {
  const char* what;
  std::vector<Document> documents;
  IndexingView view;
  bool allPages;
  const char* newRefusal;     // start of RefuseNewDocument's answer; "" when allowed
  const char* appendRefusal;  // start of RefuseAppend's answer; "" when allowed
};

TEST(FilingGuards, RefusalsOfCreateAndAppend) {
  Document stored = HeldBy(7, {1});
  stored.FileData = "II*";
  const Case cases[] = {
      {"nothing shown", {}, {QString(), 0, 0, QStringLiteral("7")}, false, "No file is shown", "There is no document"},
      {"no pages left", {}, {kFile, 0, 0, QStringLiteral("7")}, false, "'a.TIF' has no pages", "There is no document"},
      {"a free page", {HeldBy(7, {1})}, {kFile, 2, 3, QStringLiteral("7")}, false, "", ""},
      {"a held page", {HeldBy(7, {1})}, {kFile, 1, 3, QStringLiteral("7")}, false, "Page 1 is already", "Page 1 is already"},
      {"another patient", {HeldBy(7, {1})}, {kFile, 2, 3, QStringLiteral("8")}, false, "", "Document 1 belongs to Nguyen, Lan"},
      {"no patient chosen", {HeldBy(7, {1})}, {kFile, 2, 3, QString()}, false, "", "Document 1 belongs to"},
      {"another file shown", {HeldBy(7, {1}, QStringLiteral("/files/b.tif"))}, {kFile, 2, 3, QStringLiteral("7")},
       false, "The indexed documents hold pages of 'b.tif'", "Document 1 holds pages of 'b.tif'"},
      {"the last document stored", {stored}, {kFile, 2, 3, QStringLiteral("7")}, false, "", "Document 1 is stored"},
      {"all pages held", {HeldBy(7, {1, 2, 3})}, {kFile, 3, 3, QStringLiteral("7")}, true, "Page 3", "Every page of"},
      {"some pages free", {HeldBy(7, {1, 3})}, {kFile, 3, 3, QStringLiteral("7")}, true, "Page 3", ""},
      {"a pdf already indexed", {HeldBy(7, {1}, QStringLiteral("/files/c.pdf"))},
       {QStringLiteral("/files/c.pdf"), 1, 2, QStringLiteral("7")}, false, "'c.pdf' is already", "'c.pdf' is one"},
      {"a pdf's document just created", {HeldBy(7, {}, QStringLiteral("/files/c.pdf"))},
       {QStringLiteral("/files/c.pdf"), 1, 2, QStringLiteral("7")}, false, "'c.pdf' is already", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Documents documents;
    for (const Document& document : c.documents) documents.Add(document);
    const auto matches = [](const QString& answer, const char* start) {
      return *start ? answer.startsWith(QString::fromUtf8(start)) : answer.isEmpty();
    };
    EXPECT_TRUE(matches(RefuseNewDocument(documents, c.view), c.newRefusal))
        << RefuseNewDocument(documents, c.view).toStdString();
    EXPECT_TRUE(matches(RefuseAppend(documents, c.view, c.allPages), c.appendRefusal))
        << RefuseAppend(documents, c.view, c.allPages).toStdString();
  }
}

TEST(FilingGuards, OtherFilesWaitOnlyWhileUnstoredDocumentsHoldPages) {
  Documents documents;
  EXPECT_TRUE(RefuseOtherFile(documents, QStringLiteral("/files/b.tif")).isEmpty());
  Document stored = HeldBy(7, {1});
  stored.FileData = "II*";
  documents.Add(stored);
  EXPECT_TRUE(RefuseOtherFile(documents, QStringLiteral("/files/b.tif")).isEmpty());
  documents.Add(HeldBy(7, {}));
  EXPECT_TRUE(RefuseOtherFile(documents, kFile).isEmpty());
  EXPECT_FALSE(RefuseOtherFile(documents, QStringLiteral("/files/b.tif")).isEmpty());
  EXPECT_FALSE(RefuseOtherFile(documents, QString()).isEmpty());
  EXPECT_EQ(AppendTargetText(documents), QStringLiteral("Append adds to: document 2, Nguyen, Lan"));
}

}  // namespace
}  // namespace pyxa
