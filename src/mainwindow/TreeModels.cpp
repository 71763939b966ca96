#include "mainwindow/TreeModels.h"

#include "document/ImageDocument.h"

#include "mainwindow/PathText.h"

namespace pyxa {
namespace {

const QString kDocumentPrefix = QStringLiteral("Document ");

// A positive whole number, or 0.
int PositiveNumber(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok && value > 0 ? value : 0;
}

int DocumentOfKey(const QString& key) {
  if (!key.startsWith(kDocumentPrefix, Qt::CaseInsensitive)) return 0;
  return PositiveNumber(key.mid(kDocumentPrefix.size()));
}

}  // namespace

QVector<TreeNode> FilesTree(const QStringList& fileNames) {
  TreeNode browse{QStringLiteral("RootBrowse"), QStringLiteral("Browse for more files ..."), {}, false};
  TreeNode root{QStringLiteral("Root"), QStringLiteral("Available Files"), {}, true};
  root.children.reserve(fileNames.size());
  for (const QString& name : fileNames) root.children.push_back(TreeNode{name, name, {}, false});
  return {browse, root};
}

TreeNode IndexedTree(const Documents& docs, const QString& docNameForExtension) {
  const bool bySourcePage = IsExtentionSupported(docNameForExtension);
  TreeNode root{QStringLiteral("Root"), QStringLiteral("Indexed Documents"), {}, true};
  int i = 0;
  for (const Document& doc : docs) {
    ++i;
    TreeNode node{kDocumentPrefix + QString::number(i),
                  doc.LastName.trimmed() + QStringLiteral(", ") + doc.FirstName.trimmed(),
                  {},
                  true};
    int j = 0;
    for (const Page& page : doc.Pages) {
      ++j;
      const int number = bySourcePage ? page.PageNumber : j;
      node.children.push_back(TreeNode{QString(), QStringLiteral("Page #") + QString::number(number), {}, true});
    }
    root.children.push_back(std::move(node));
  }
  return root;
}

FilesNodeKind ClassifyFilesNode(const QString& key) {
  if (key.isEmpty()) return FilesNodeKind::None;
  const QString upper = key.toUpper();
  if (upper == QStringLiteral("ROOT")) return FilesNodeKind::Root;
  if (upper == QStringLiteral("ROOTBROWSE")) return FilesNodeKind::RootBrowse;
  return FilesNodeKind::File;
}

IndexedNodeRef ClassifyIndexedNode(const QString& key, const QString& text, const QString& parentKey) {
  if (key.compare(QStringLiteral("Root"), Qt::CaseInsensitive) == 0) return {};
  // Page nodes carry no key, so the text decides before an empty key is dismissed.
  if (text.startsWith(QStringLiteral("Page"))) {
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    const int page = hash < 0 ? 0 : PositiveNumber(text.mid(hash + 1));
    const int document = DocumentOfKey(parentKey);
    if (page == 0 || document == 0) return {};
    return {IndexedNodeKind::Page, document, page};
  }
  const int document = DocumentOfKey(key);
  if (document == 0) return {};
  return {IndexedNodeKind::Document, document, 0};
}

bool IsExtentionSupported(const QString& name) { return IsPagedFile(name); }

}  // namespace pyxa
