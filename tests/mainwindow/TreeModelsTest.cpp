#include "mainwindow/TreeModels.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

Document MakeDocument(const QString& last, const QString& first, std::initializer_list<int> pageNumbers) {
  Document doc;
  doc.LastName = last;
  doc.FirstName = first;
  for (const int number : pageNumbers) doc.Pages.Add(Page{number, {}});
  return doc;
}

QStringList Texts(const QVector<TreeNode>& nodes) {
  QStringList texts;
  for (const TreeNode& node : nodes) texts << node.text;
  return texts;
}

TEST(TreeModelsTest, FilesTreeHasBothTopNodesEvenWithoutFiles) {
  const QVector<TreeNode> empty = FilesTree({});
  ASSERT_EQ(empty.size(), 2);
  EXPECT_EQ(empty[0].key, QStringLiteral("RootBrowse"));
  EXPECT_EQ(empty[0].text, QStringLiteral("Browse for more files ..."));
  EXPECT_EQ(empty[1].key, QStringLiteral("Root"));
  EXPECT_EQ(empty[1].text, QStringLiteral("Available Files"));
  EXPECT_TRUE(empty[1].expanded);
  EXPECT_TRUE(empty[1].children.isEmpty());

  const QVector<TreeNode> listed = FilesTree({QStringLiteral("b.pdf"), QStringLiteral("a.tif")});
  ASSERT_EQ(listed[1].children.size(), 2);
  EXPECT_EQ(listed[1].children[0].key, QStringLiteral("b.pdf"));
  EXPECT_EQ(Texts(listed[1].children), QStringList({QStringLiteral("b.pdf"), QStringLiteral("a.tif")}));
}

TEST(TreeModelsTest, IndexedTreeNamesDocumentsByPatientAndPagesBySourceNumberForPagedKinds) {
  Documents docs;
  docs.Add(MakeDocument(QStringLiteral("Doe"), QStringLiteral("Jane"), {1, 2, 3}));
  docs.Add(MakeDocument(QStringLiteral("  Roe "), QStringLiteral(" Rick  "), {5, 7}));

  const TreeNode root = IndexedTree(docs, QStringLiteral("Scan 2024-01-02.tif"));
  EXPECT_EQ(root.key, QStringLiteral("Root"));
  EXPECT_EQ(root.text, QStringLiteral("Indexed Documents"));
  EXPECT_TRUE(root.expanded);
  ASSERT_EQ(root.children.size(), 2);

  const TreeNode& first = root.children[0];
  EXPECT_EQ(first.key, QStringLiteral("Document 1"));
  EXPECT_EQ(first.text, QStringLiteral("Doe, Jane"));
  EXPECT_TRUE(first.expanded);
  EXPECT_EQ(Texts(first.children), QStringList({QStringLiteral("Page #1"), QStringLiteral("Page #2"),
                                                 QStringLiteral("Page #3")}));
  EXPECT_TRUE(first.children[0].key.isEmpty());

  const TreeNode& second = root.children[1];
  EXPECT_EQ(second.key, QStringLiteral("Document 2"));
  EXPECT_EQ(second.text, QStringLiteral("Roe, Rick"));
  EXPECT_EQ(Texts(second.children), QStringList({QStringLiteral("Page #5"), QStringLiteral("Page #7")}));

  // A PDF has no source page numbers worth showing: pages count from 1 within the document.
  const TreeNode pdf = IndexedTree(docs, QStringLiteral("letter.PDF"));
  EXPECT_EQ(Texts(pdf.children[1].children), QStringList({QStringLiteral("Page #1"), QStringLiteral("Page #2")}));

  EXPECT_TRUE(IndexedTree(Documents{}, QString()).children.isEmpty());
}

TEST(TreeModelsTest, ClickedNodesReadBackAsWhatTheyStandFor) {
  EXPECT_EQ(ClassifyFilesNode(QStringLiteral("Root")), FilesNodeKind::Root);
  EXPECT_EQ(ClassifyFilesNode(QStringLiteral("ROOT")), FilesNodeKind::Root);
  EXPECT_EQ(ClassifyFilesNode(QStringLiteral("rootbrowse")), FilesNodeKind::RootBrowse);
  EXPECT_EQ(ClassifyFilesNode(QStringLiteral("root.tif")), FilesNodeKind::File);
  EXPECT_EQ(ClassifyFilesNode(QString()), FilesNodeKind::None);

  EXPECT_EQ(ClassifyIndexedNode(QStringLiteral("Root"), QStringLiteral("Indexed Documents")).kind,
            IndexedNodeKind::None);
  EXPECT_EQ(ClassifyIndexedNode(QString(), QString()).kind, IndexedNodeKind::None);

  const IndexedNodeRef doc = ClassifyIndexedNode(QStringLiteral("Document 12"), QStringLiteral("Doe, Jane"));
  EXPECT_EQ(doc.kind, IndexedNodeKind::Document);
  EXPECT_EQ(doc.document, 12);

  const IndexedNodeRef page = ClassifyIndexedNode(QString(), QStringLiteral("Page #7"), QStringLiteral("Document 2"));
  EXPECT_EQ(page.kind, IndexedNodeKind::Page);
  EXPECT_EQ(page.document, 2);
  EXPECT_EQ(page.page, 7);

  // A page with no document above it, or no number, stands for nothing.
  EXPECT_EQ(ClassifyIndexedNode(QString(), QStringLiteral("Page #7"), QStringLiteral("Root")).kind,
            IndexedNodeKind::None);
  EXPECT_EQ(ClassifyIndexedNode(QString(), QStringLiteral("Page #"), QStringLiteral("Document 1")).kind,
            IndexedNodeKind::None);
  EXPECT_EQ(ClassifyIndexedNode(QStringLiteral("Document x"), QStringLiteral("Doe, Jane")).kind,
            IndexedNodeKind::None);
  EXPECT_EQ(ClassifyIndexedNode(QStringLiteral("Document 0"), QStringLiteral("Doe, Jane")).kind,
            IndexedNodeKind::None);
}

TEST(TreeModelsTest, OnlyTifAndJpgArePagedKinds) {
  EXPECT_TRUE(IsExtentionSupported(QStringLiteral("a.tif")));
  EXPECT_TRUE(IsExtentionSupported(QStringLiteral("/x/b.JPG")));
  EXPECT_FALSE(IsExtentionSupported(QStringLiteral("c.pdf")));
  EXPECT_FALSE(IsExtentionSupported(QStringLiteral("d.tiff")));
  EXPECT_FALSE(IsExtentionSupported(QStringLiteral("tif")));
  EXPECT_FALSE(IsExtentionSupported(QString()));
}

}  // namespace
}  // namespace pyxa
