// The main window's navigator: View > Navigator shows and hides it over the page view, at the
// place kept in the user settings, always on screen; the page view's changes reach it from here.
#include "mainwindow/ui/frmMain.h"

#include "thumbnail/NavigatorGeometry.h"
#include "mainwindow/ui/MainPanes.h"
#include "mainwindow/ui/PageView.h"
#include "thumbnail/ui/frmThumbnail.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace pyxa {

namespace {
qint16 Small(int value) { return static_cast<qint16>(std::clamp(value, -32767, 32767)); }

// Moves the window onto the available area of the screen it is on (or the primary one).
void KeepOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QPoint kept = KeptOnScreen(window.frameGeometry(), screen->availableGeometry());
  if (kept != window.frameGeometry().topLeft()) window.move(kept);
}
}  // namespace

void frmMain::NavigatorTop(int top) {
  services_.settings.NavigatorTop = Small(top);
  if (navigator_ && navigator_->isVisible()) navigator_->move(navigator_->frameGeometry().left(), top);
}

void frmMain::NavigatorLeft(int left) {
  services_.settings.NavigatorLeft = Small(left);
  if (navigator_ && navigator_->isVisible()) navigator_->move(left, navigator_->frameGeometry().top());
}

void frmMain::ShowNavigator(bool shown) {
  if (!shown) {
    if (navigator_) navigator_->hide();
    return;
  }
  if (!navigator_) {
    navigator_ = new frmThumbnail(this);
    navigator_->MD_TIFF_Ref(panes_->MD_TIFF1);
    connect(panes_->MD_TIFF1, &PageView::PageChanged, navigator_, &frmThumbnail::FollowPage);
    connect(panes_->MD_TIFF1, &PageView::ScrollChanged, navigator_, &frmThumbnail::FollowScroll);
    QAction* command = findChild<QAction*>(QStringLiteral("mnuViewNavigator"));
    connect(navigator_, &frmThumbnail::Hidden, command, [command] { command->setChecked(false); });
    connect(navigator_, &frmThumbnail::Moved, this, [this](const QPoint& at) {
      services_.settings.NavigatorLeft = Small(at.x());
      services_.settings.NavigatorTop = Small(at.y());
    });
    // A smaller screen, or one taken away, must not leave the navigator out of reach.
    for (QScreen* screen : QGuiApplication::screens())
      connect(screen, &QScreen::availableGeometryChanged, navigator_, [this] { KeepOnScreen(*navigator_); });
    connect(qApp, &QGuiApplication::screenRemoved, navigator_, [this] { KeepOnScreen(*navigator_); });
  }
  const qint16 left = services_.settings.NavigatorLeft;
  const qint16 top = services_.settings.NavigatorTop;
  if (left != -1 && top != -1) {
    navigator_->move(left, top);
  } else {
    // First shown: at the top right of the page view.
    const QWidget* view = panes_->MD_TIFF1;
    navigator_->move(view->mapToGlobal(QPoint(std::max(0, view->width() - navigator_->width() - 24), 24)));
  }
  navigator_->show();
  KeepOnScreen(*navigator_);
  navigator_->raise();
}

}  // namespace pyxa
