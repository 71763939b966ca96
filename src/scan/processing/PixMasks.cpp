#include "scan/processing/PixMasks.h"

namespace pyxa {

PixPtr DarkMask(PIX* page) {
  if (pixGetDepth(page) == 1) return PixPtr(pixCopy(nullptr, page));
  return PixPtr(pixConvertTo1(page, 128));
}

PixPtr WhitenMasked(PIX* page, PIX* mask) {
  if (pixGetDepth(page) == 1) return PixPtr(pixSubtract(nullptr, page, mask));
  PixPtr copy(pixCopy(nullptr, page));
  if (!copy) return nullptr;
  const l_uint32 white = pixGetDepth(page) == 32 ? 0xFFFFFF00u : 0xFFu;
  if (pixSetMasked(copy.get(), mask, white) != 0) return nullptr;
  return copy;
}

}  // namespace pyxa
