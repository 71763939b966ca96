#include <algorithm>

#include "scan/processing/PageSteps.h"
#include "scan/processing/PixMasks.h"

namespace pyxa {

namespace {

int MmToPixels(int mm, int dpi) { return std::max(1, int(double(mm) * dpi / 25.4 + 0.5)); }

}  // namespace

PixPtr RemoveBlackBorder(PIX* page, const BlackBorderSettings& settings, int dpi, QString* note) {
  const int w = pixGetWidth(page), h = pixGetHeight(page);
  const int depth = std::min(MmToPixels(settings.maxWidthMm, dpi), std::min(w, h) / 2);
  PixPtr mask = DarkMask(page);
  if (!mask) return nullptr;
  // Only the band along the edges can be border.
  BOX* inner = boxCreate(depth, depth, w - 2 * depth, h - 2 * depth);
  if (inner && w > 2 * depth && h > 2 * depth) pixClearInRect(mask.get(), inner);
  boxDestroy(&inner);
  // Grow from the black on the very edge through the black of the band joined to it.
  PixPtr seed(pixCreateTemplate(mask.get()));
  if (!seed) return nullptr;
  pixSetOrClearBorder(seed.get(), 1, 1, 1, 1, PIX_SET);
  pixAnd(seed.get(), seed.get(), mask.get());
  l_int32 edgePixels = 0;
  pixCountPixels(seed.get(), &edgePixels, nullptr);
  if (edgePixels == 0) return nullptr;
  PixPtr border(pixSeedfillBinary(nullptr, seed.get(), mask.get(), 8));
  if (!border) {
    if (note) *note = QStringLiteral("black border removal failed; page left as scanned");
    return nullptr;
  }
  return WhitenMasked(page, border.get());
}

PixPtr Despeckle(PIX* page, const DespeckleSettings& settings, QString* note) {
  PixPtr cleaned;
  switch (pixGetDepth(page)) {
    case 1: {
      PixPtr specks(
          pixSelectBySize(page, settings.maxSize, settings.maxSize, 8, L_SELECT_IF_BOTH, L_SELECT_IF_LTE, nullptr));
      if (specks) cleaned.reset(pixSubtract(nullptr, page, specks.get()));
      break;
    }
    case 8:
      cleaned.reset(pixMedianFilter(page, 3, 3));
      break;
    case 32:
      cleaned.reset(pixRankFilterRGB(page, 3, 3, 0.5f));
      break;
    default:
      break;
  }
  if (!cleaned && note) *note = QStringLiteral("despeckle failed; page left as scanned");
  return cleaned;
}

PixPtr RemoveLines(PIX* page, const LinesRemovalSettings& settings, int xDpi, int yDpi, QString* note) {
  if (!settings.horizontal && !settings.vertical) return nullptr;
  PixPtr mask = DarkMask(page);
  if (!mask) return nullptr;
  PixPtr lines(pixCreateTemplate(mask.get()));
  if (!lines) return nullptr;
  // An opening by a long thin brick keeps exactly the strokes that hold such a brick: the lines.
  const int w = pixGetWidth(page), h = pixGetHeight(page);
  if (settings.horizontal) {
    const int length = std::min(MmToPixels(settings.minLengthMm, xDpi), w);
    PixPtr found(pixOpenCompBrickExtendDwa(nullptr, mask.get(), length, 1));
    if (found) pixOr(lines.get(), lines.get(), found.get());
  }
  if (settings.vertical) {
    const int length = std::min(MmToPixels(settings.minLengthMm, yDpi), h);
    PixPtr found(pixOpenCompBrickExtendDwa(nullptr, mask.get(), 1, length));
    if (found) pixOr(lines.get(), lines.get(), found.get());
  }
  l_int32 count = 0;
  pixCountPixels(lines.get(), &count, nullptr);
  if (count == 0) {
    if (note) *note = QStringLiteral("lines removal found no lines");
    return nullptr;
  }
  return WhitenMasked(page, lines.get());
}

PixPtr RemoveStreaks(PIX* page, const StreakRemovalSettings& settings, QString* note) {
  PixPtr mask = DarkMask(page);
  if (!mask) return nullptr;
  // A streak runs down at least half the page without a break and is no wider than the setting.
  PixPtr tall(pixOpenCompBrickExtendDwa(nullptr, mask.get(), 1, std::max(2, pixGetHeight(page) / 2)));
  if (!tall) return nullptr;
  PixPtr streaks(pixSelectBySize(tall.get(), settings.maxWidth, 0, 8, L_SELECT_WIDTH, L_SELECT_IF_LTE, nullptr));
  l_int32 count = 0;
  if (streaks) pixCountPixels(streaks.get(), &count, nullptr);
  if (count == 0) {
    if (note) *note = QStringLiteral("streak removal found no streaks");
    return nullptr;
  }
  return WhitenMasked(page, streaks.get());
}

}  // namespace pyxa
