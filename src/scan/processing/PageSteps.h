// The image steps of the processing chain, each on a Leptonica PIX of 1, 8 or 32 bpp. A step returns the
// new image, or null when the page stays as it was (nothing to do, or the step could not work on it: then
// note says why, in words for the user). None of them fails the page.
#pragma once

#include <QString>

#include "scan/processing/PixImage.h"
#include "scan/processing/ProcessingSettings.h"

namespace pyxa {

// Measures the skew up to the settings' angle either way and turns the page level; a page without
// enough text or lines to measure is left as scanned.
PixPtr DeskewPage(PIX* page, const DeskewSettings& settings, QString* note);

// Whitens the black the scanner leaves around the paper: black that touches the page's edge, within
// the settings' depth from it. Black deeper inside, or not joined to the edge, is content and stays.
PixPtr RemoveBlackBorder(PIX* page, const BlackBorderSettings& settings, int dpi, QString* note);

// Bilevel: removes dots no wider and no higher than the settings' size. Grey and colour: a 3 x 3 median.
PixPtr Despeckle(PIX* page, const DespeckleSettings& settings, QString* note);

// Evens out shading and a darkened background on grey and colour pages; bilevel pages have none.
PixPtr Deshade(PIX* page, const DeshadeSettings& settings, QString* note);

// Whitens horizontal and/or vertical straight strokes at least the settings' length: form lines. Text,
// whose strokes are shorter, stays (where a letter crosses a line, the line's part of it goes).
PixPtr RemoveLines(PIX* page, const LinesRemovalSettings& settings, int xDpi, int yDpi, QString* note);

// Whitens thin vertical streaks that run through most of the page's height: dirt on the scanner glass.
PixPtr RemoveStreaks(PIX* page, const StreakRemovalSettings& settings, QString* note);

// Turns a grey or colour page bilevel with a threshold that follows the page's local brightness.
PixPtr FilterImage(PIX* page, const ImageFilteringSettings& settings, QString* note);

}  // namespace pyxa
