// Masks the cleaning steps share: where a page is dark, and painting a masked part of a page white.
#pragma once

#include "scan/processing/PixImage.h"

namespace pyxa {

// 1 bpp, set where the page is dark (black on a bilevel page, below mid-grey otherwise).
PixPtr DarkMask(PIX* page);

// A copy of the page with the pixels set in mask (1 bpp, the page's size) turned white.
PixPtr WhitenMasked(PIX* page, PIX* mask);

}  // namespace pyxa
