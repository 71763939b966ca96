#include "mainwindow/ui/IndexedTreeWidget.h"

#include <QDropEvent>
#include <QKeyEvent>

namespace pyxa {

IndexedTreeWidget::IndexedTreeWidget(QWidget* parent) : QTreeWidget(parent) {
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::InternalMove);
}

void IndexedTreeWidget::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* page = currentItem();
  QTreeWidgetItem* target = itemAt(event->position().toPoint());
  // The collection is the truth: report the wish and let the window rebuild the tree.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  if (page && target && page != target) Q_EMIT PageDropped(page, target);
}

void IndexedTreeWidget::keyPressEvent(QKeyEvent* event) {
  // Only a move the user made shows a page: the window's own rebuilding of the tree does not.
  QTreeWidgetItem* before = currentItem();
  QTreeWidget::keyPressEvent(event);
  if (currentItem() && currentItem() != before) Q_EMIT MovedByKey(currentItem());
}

}  // namespace pyxa
