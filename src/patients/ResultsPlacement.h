// Where the search results window goes: beside the page being indexed, never over it, so that
// the clerk can hold the paper's image against the matches.
#pragma once

#include <QRect>
#include <QSize>

namespace pyxa {

// The window's rectangle on the side of `keep` with more room on `screen`, as wide as it
// prefers, narrowed to the room there but not below minimumWidth (only then does it overlap
// `keep`), level with keep's top as far as the screen allows.
QRect PlaceBeside(const QRect& keep, const QSize& preferred, int minimumWidth, const QRect& screen);

}  // namespace pyxa
