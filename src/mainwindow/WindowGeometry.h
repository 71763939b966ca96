// The main window's stored geometry: applied at start when stored, kept at exit only for a
// window that is on screen (a minimised or off-screen window keeps the stored values).
#pragma once

#include "shell/AppSettings.h"

#include <QRect>
#include <optional>

namespace pyxa {

// The stored rectangle, or nothing when any of the four values is -1 (not stored).
std::optional<QRect> StoredGeometry(const AppSettings& settings);

// Stores the rectangle when its right and bottom edges are both greater than 0; answers
// whether it did. Values are clamped to what the settings can hold.
bool StoreGeometry(AppSettings& settings, const QRect& frame);

}  // namespace pyxa
