#include "mainwindow/WindowGeometry.h"

#include <algorithm>
#include <limits>

namespace pyxa {
namespace {

qint16 Clamp16(int value) {
  return static_cast<qint16>(
      std::clamp(value, int{std::numeric_limits<qint16>::min()}, int{std::numeric_limits<qint16>::max()}));
}

}  // namespace

std::optional<QRect> StoredGeometry(const AppSettings& settings) {
  if (settings.MainFormLeft == -1 || settings.MainFormTop == -1 || settings.MainFormWidth == -1 ||
      settings.MainFormHeight == -1) {
    return std::nullopt;
  }
  return QRect(settings.MainFormLeft, settings.MainFormTop, settings.MainFormWidth, settings.MainFormHeight);
}

bool StoreGeometry(AppSettings& settings, const QRect& frame) {
  if (frame.x() + frame.width() <= 0 || frame.y() + frame.height() <= 0) return false;
  settings.MainFormLeft = Clamp16(frame.x());
  settings.MainFormTop = Clamp16(frame.y());
  settings.MainFormWidth = Clamp16(frame.width());
  settings.MainFormHeight = Clamp16(frame.height());
  return true;
}

}  // namespace pyxa
