#include <algorithm>

#include "scan/processing/PageSteps.h"

namespace pyxa {

PixPtr Deshade(PIX* page, const DeshadeSettings& settings, QString* note) {
  if (pixGetDepth(page) == 1) {
    if (note) *note = QStringLiteral("deshade works on grey and colour pages; the bilevel page is left as it is");
    return nullptr;
  }
  // The background is measured on the tiles' light pixels (above 100), smoothed over neighbouring tiles.
  PixPtr even(pixBackgroundNorm(page, nullptr, nullptr, settings.tileSize, settings.tileSize, 100, 50,
                                settings.background, 2, 1));
  if (!even && note) *note = QStringLiteral("deshade failed; page left as scanned");
  return even;
}

PixPtr FilterImage(PIX* page, const ImageFilteringSettings& settings, QString* note) {
  if (pixGetDepth(page) == 1) {
    if (note) *note = QStringLiteral("image filtering works on grey and colour pages; the page is already bilevel");
    return nullptr;
  }
  PixPtr grey(pixGetDepth(page) == 8 ? pixClone(page) : pixConvertTo8(page, 0));
  if (!grey) return nullptr;
  const int w = pixGetWidth(page), h = pixGetHeight(page);
  PIX* bilevel = nullptr;
  if (settings.method == ThresholdMethod::Sauvola) {
    // Leptonica wants the half window at least 2 and small enough for the page.
    const int half = std::clamp(settings.windowSize / 2, 2, std::max(2, (std::min(w, h) - 3) / 2 - 1));
    pixSauvolaBinarize(grey.get(), half, 0.34f, 1, nullptr, nullptr, nullptr, &bilevel);
  } else {
    const int tile = std::clamp(settings.windowSize, 16, std::max(16, std::min(w, h)));
    pixOtsuAdaptiveThreshold(grey.get(), tile, tile, 0, 0, 0.1f, nullptr, &bilevel);
  }
  if (!bilevel && note) *note = QStringLiteral("image filtering failed; page left as scanned");
  return PixPtr(bilevel);
}

}  // namespace pyxa
