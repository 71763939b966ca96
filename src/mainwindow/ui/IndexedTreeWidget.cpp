#include "mainwindow/ui/IndexedTreeWidget.h"

#include <QDropEvent>

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

}  // namespace pyxa
