// The picture across the top of the login window, drawn at run time so that no image file ships.
#pragma once

#include <QPixmap>

namespace pyxa {

QPixmap LoginBanner();

}  // namespace pyxa
