// Prints a line of text on a page, in a corner a quarter inch from the edges: the fixed annotation and
// the endorsement whose counter counts the pages of a batch. Bilevel pages stay bilevel.
#pragma once

#include <QImage>
#include <QString>

#include "scan/processing/ProcessingSettings.h"

namespace pyxa {

// The endorsement of the batch's pageNumber-th page (1 for the first): every "{counter}" of the text
// becomes start + step x (pageNumber - 1).
QString EndorsementText(const AutoAnnotateSettings& settings, int pageNumber);

// A copy of the page with text printed in black at the given size in points. The page's format is kept
// (an Indexed8 page becomes grey or RGB32). Empty text, or a null page, gives the page unchanged.
QImage PrintOnPage(const QImage& page, const QString& text, PageCorner corner, int fontPoints, int xDpi, int yDpi);

}  // namespace pyxa
