#include "scan/processing/PatchCodes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "scan/processing/PixImage.h"
#include "scan/processing/PixMasks.h"

namespace pyxa {

namespace {

// Widths in inches. The printed tolerance is 0.01 in; a scan blurs and thresholds the bars, so the
// bands here are wider, yet wide and narrow stay well apart.
constexpr double kNarrowMin = 0.045, kNarrowMax = 0.125;
constexpr double kWideMin = 0.15, kWideMax = 0.27;
constexpr double kSpaceMin = 0.04, kSpaceMax = 0.13;
constexpr double kMinLength = 0.7;
constexpr double kLeadingBand = 4.0;
constexpr int kProbes = 7;  // cuts across a bar that must each meet a solid run of its thickness

struct Bar {
  double centre = 0;     // across the bars: the middle of the bar (its box's, so also for a slanted bar)
  double thickness = 0;  // across the bars, in pixels
  int from = 0;          // along the bar
  int to = 0;
  bool wide = false;
};

struct Pattern {
  const char* order;
  PatchCode code;
};
constexpr Pattern kPatterns[] = {{"WWNN", PatchCode::Patch1}, {"WNNW", PatchCode::Patch2}, {"WNWN", PatchCode::Patch3},
                                 {"NWWN", PatchCode::Patch4}, {"NNWW", PatchCode::Patch6}, {"NWNW", PatchCode::PatchT}};

// A bar is solid: every cut across it meets a run of black as thick as the bar, however slanted the bar
// lies (a slanted bar's box may also catch the end of its neighbour, so other runs may be there too).
// Frames and hatching are not: their black is split into thinner runs. thickness is in pixels.
bool Solid(PIX* mask, int x, int y, int w, int h, bool lying, double thickness) {
  const int length = lying ? w : h, across = lying ? h : w;
  const double tolerance = std::max(2.0, thickness * 0.3);
  for (int probe = 1; probe <= kProbes; ++probe) {
    const int along = length * probe / (kProbes + 1);
    bool met = false;
    int run = 0;
    for (int i = 0; i <= across && !met; ++i) {
      l_uint32 black = 0;
      if (i < across) pixGetPixel(mask, lying ? x + along : x + i, lying ? y + i : y + along, &black);
      if (black) {
        ++run;
      } else {
        met = run > 0 && std::abs(run - thickness) <= tolerance;
        run = 0;
      }
    }
    if (!met) return false;
  }
  return true;
}

std::optional<PatchCode> CodeOf(const QString& order) {
  for (const Pattern& p : kPatterns)
    if (order == QLatin1String(p.order)) return p.code;
  return std::nullopt;
}

bool Overlapping(const Bar& a, const Bar& b) {
  const int overlap = std::min(a.to, b.to) - std::max(a.from, b.from);
  const int shorter = std::min(a.to - a.from, b.to - b.from);
  return overlap >= shorter * 8 / 10;
}

// Bars sorted by start; acrossDpi measures thickness and spaces, extent is the page across the bars.
std::optional<PatchCode> FindInBars(std::vector<Bar> bars, double acrossDpi, int extent, bool leadingOnly) {
  std::sort(bars.begin(), bars.end(), [](const Bar& a, const Bar& b) { return a.centre < b.centre; });
  const auto spaced = [acrossDpi](const Bar& a, const Bar& b) {
    const double space = (b.centre - a.centre - (a.thickness + b.thickness) / 2) / acrossDpi;
    return space >= kSpaceMin && space <= kSpaceMax && Overlapping(a, b);
  };
  const auto next = [&](std::size_t i) -> std::optional<std::size_t> {
    for (std::size_t j = i + 1; j < bars.size(); ++j)
      if (spaced(bars[i], bars[j])) return j;
    return std::nullopt;
  };
  const auto previous = [&](std::size_t i) {
    for (std::size_t j = 0; j < i; ++j)
      if (spaced(bars[j], bars[i])) return true;
    return false;
  };
  for (std::size_t first = 0; first < bars.size(); ++first) {
    if (previous(first)) continue;  // a run is read from its first bar only
    std::vector<std::size_t> run{first};
    while (run.size() < 5) {
      const auto j = next(run.back());
      if (!j) break;
      run.push_back(*j);
    }
    if (run.size() != 4) continue;  // more bars than four make some other striped print
    if (leadingOnly && bars[first].centre > kLeadingBand * acrossDpi) continue;
    QString order;
    for (std::size_t i : run) order += bars[i].wide ? QLatin1Char('W') : QLatin1Char('N');
    // Read from the nearer edge: a sheet fed upside down has its patch near the bottom.
    if (!leadingOnly && (bars[run.front()].centre + bars[run.back()].centre) / 2 > extent / 2.0)
      std::reverse(order.begin(), order.end());
    if (const auto code = CodeOf(order)) return code;
  }
  return std::nullopt;
}

}  // namespace

QString PatchCodeName(PatchCode code) {
  switch (code) {
    case PatchCode::Patch1:
      return QStringLiteral("Patch 1");
    case PatchCode::Patch2:
      return QStringLiteral("Patch 2");
    case PatchCode::Patch3:
      return QStringLiteral("Patch 3");
    case PatchCode::Patch4:
      return QStringLiteral("Patch 4");
    case PatchCode::Patch6:
      return QStringLiteral("Patch 6");
    case PatchCode::PatchT:
      return QStringLiteral("Patch T");
  }
  return QString();
}

std::optional<PatchCode> FindPatchCode(const QImage& page, int xDpi, int yDpi, PatchSearch search) {
  const double xd = xDpi > 0 ? xDpi : 200, yd = yDpi > 0 ? yDpi : 200;
  PixPtr pix = PixFromImage(page);
  if (!pix) return std::nullopt;
  PixPtr mask = DarkMask(pix.get());
  if (!mask) return std::nullopt;
  BOXA* boxes = pixConnComp(mask.get(), nullptr, 8);
  if (!boxes) return std::nullopt;
  std::vector<Bar> lying, standing;
  for (int i = 0; i < boxaGetCount(boxes); ++i) {
    l_int32 x = 0, y = 0, w = 0, h = 0;
    boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h);
    const bool isLying = w >= kMinLength * xd && h <= kWideMax * 1.5 * yd;
    const bool isStanding = search == PatchSearch::Anywhere && h >= kMinLength * yd && w <= kWideMax * 1.5 * xd;
    if (!isLying && !isStanding) continue;
    BOX* box = boxCreate(x, y, w, h);
    l_int32 count = 0;
    pixCountPixelsInRect(mask.get(), box, &count, nullptr);
    boxDestroy(&box);
    // The thickness from the black it holds, which a slight slant of the bar does not change.
    const double pixels = count / double(isLying ? w : h);
    if (!Solid(mask.get(), x, y, w, h, isLying, pixels)) continue;
    const double thickness = pixels / (isLying ? yd : xd);
    const bool narrow = thickness >= kNarrowMin && thickness <= kNarrowMax;
    const bool wide = thickness >= kWideMin && thickness <= kWideMax;
    if (!narrow && !wide) continue;
    if (isLying)
      lying.push_back({y + h / 2.0, pixels, x, x + w, wide});
    else
      standing.push_back({x + w / 2.0, pixels, y, y + h, wide});
  }
  boxaDestroy(&boxes);
  const bool leadingOnly = search == PatchSearch::LeadingEdge;
  if (auto code = FindInBars(lying, yd, pixGetHeight(mask.get()), leadingOnly)) return code;
  return FindInBars(standing, xd, pixGetWidth(mask.get()), false);
}

}  // namespace pyxa
