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
  // The keyboard moved the current node (arrows, Home, End, page keys): shown as a click shows it.
  void MovedByKey(QTreeWidgetItem* node);

 protected:
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace pyxa
