#include "platform/ui/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace pyxa {

BusyCursor::BusyCursor() {
  // Without a GUI application (a command-line tool) there is no pointer to change.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  active_ = true;
}

BusyCursor::~BusyCursor() { Release(); }

void BusyCursor::Release() {
  if (!active_) return;
  active_ = false;
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) QGuiApplication::restoreOverrideCursor();
}

}  // namespace pyxa
