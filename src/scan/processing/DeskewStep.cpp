#include <cmath>
#include <numbers>

#include "scan/processing/PageSteps.h"

namespace pyxa {

namespace {

// Leptonica's own deskew trusts a measurement of at least this confidence and ignores smaller angles.
constexpr float kMinConfidence = 3.0f;
constexpr float kMinAngle = 0.05f;

}  // namespace

PixPtr DeskewPage(PIX* page, const DeskewSettings& settings, QString* note) {
  PixPtr binary(pixGetDepth(page) == 1 ? pixClone(page) : pixConvertTo1(page, 160));
  float angle = 0, confidence = 0;
  // A sweep at quarter size finds the angle to a degree, a binary search at half size refines it.
  if (!binary ||
      pixFindSkewSweepAndSearch(binary.get(), &angle, &confidence, 4, 2, float(settings.maxAngle), 1.0f, 0.01f) != 0 ||
      confidence < kMinConfidence) {
    if (note) *note = QStringLiteral("deskew could not measure the skew; page left as scanned");
    return nullptr;
  }
  if (std::fabs(angle) < kMinAngle) return nullptr;
  // Bilevel pages turn by shear (Leptonica would fall back to it anyway), the others by area mapping.
  const int method = pixGetDepth(page) == 1 ? L_ROTATE_SHEAR : L_ROTATE_AREA_MAP;
  PixPtr level(pixRotate(page, float(std::numbers::pi / 180.0) * angle, method, L_BRING_IN_WHITE, 0, 0));
  if (!level && note) *note = QStringLiteral("deskew could not turn the page; page left as scanned");
  return level;
}

}  // namespace pyxa
