// The tree of indexed documents: pages are dragged onto documents or other pages; the window
// decides whether the move is allowed and rebuilds the tree, so the widget never moves nodes itself.
#pragma once

#include <QTreeWidget>

namespace pyxa {

class IndexedTreeWidget : public QTreeWidget {
  Q_OBJECT

 public:
  explicit IndexedTreeWidget(QWidget* parent = nullptr);

 Q_SIGNALS:
  void PageDropped(QTreeWidgetItem* page, QTreeWidgetItem* target);

 protected:
  void dropEvent(QDropEvent* event) override;
};

}  // namespace pyxa
