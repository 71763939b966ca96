// Moves page images between Qt and Leptonica: a QImage becomes a 1-, 8- or 32-bit PIX and back, with
// black as 1 in bilevel PIXes as Leptonica expects, whatever the QImage's colour table says.
#pragma once

#include <leptonica/allheaders.h>

#include <QImage>
#include <memory>

namespace pyxa {

struct PixDeleter {
  void operator()(PIX* pix) const { pixDestroy(&pix); }
};
using PixPtr = std::unique_ptr<PIX, PixDeleter>;

// Bilevel images (Mono, MonoLSB) give 1 bpp; grey ones (Grayscale8/16, an Indexed8 of greys) 8 bpp;
// everything else 32 bpp RGB, transparency laid on white paper. Null for a null image.
PixPtr PixFromImage(const QImage& image);

// 1 bpp gives Format_Mono with white as index 0, 8 bpp Format_Grayscale8, 32 bpp Format_RGB32; a
// colour-mapped PIX is expanded first. Null for any other depth.
QImage ImageFromPix(PIX* pix);

}  // namespace pyxa
