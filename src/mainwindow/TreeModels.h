// Plain descriptions of the main window's two trees, the available files and the indexed
// documents, and the reading of a clicked node's key and text back into what it stands for.
#pragma once

#include "components/DocumentRecords.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace pyxa {

struct TreeNode {
  QString key;  // empty for page nodes
  QString text;
  QVector<TreeNode> children;
  bool expanded = false;
};

// The files tree's top nodes: "RootBrowse" ("Browse for more files ...") and "Root"
// ("Available Files", expanded) with one child per file, key and text the file name.
QVector<TreeNode> FilesTree(const QStringList& fileNames);

// The indexed tree: root "Root" ("Indexed Documents"), one node "Document " + i per document
// with the patient's name, and under it one "Page #" node per page, all expanded. Pages are
// named by their number in the source file when docNameForExtension names a TIF or JPG,
// else by their place in the document.
TreeNode IndexedTree(const Documents& docs, const QString& docNameForExtension);

enum class FilesNodeKind { None, Root, RootBrowse, File };
// Keys compare upper-cased; an empty key stands for nothing.
FilesNodeKind ClassifyFilesNode(const QString& key);

enum class IndexedNodeKind { None, Document, Page };
struct IndexedNodeRef {
  IndexedNodeKind kind = IndexedNodeKind::None;
  int document = 0;  // 1-based place in the collection
  int page = 0;      // for a page node: the number after "#"
};
// What a clicked node of the indexed tree stands for. A page node has no key of its own: its
// document comes from parentKey. The root, and anything not read as above, is None.
IndexedNodeRef ClassifyIndexedNode(const QString& key, const QString& text, const QString& parentKey = QString());

// True when the name's extension is TIF or JPG, the kinds the page view pages through.
bool IsExtentionSupported(const QString& name);

}  // namespace pyxa
