// Finds a patch code, the bar pattern of the sheets that separate documents in a feeder batch: four
// parallel black bars, two wide (0.20 in) and two narrow (0.08 in), with narrow (0.08 in) spaces, at least
// 0.75 in long. The order of wide and narrow names the patch: Patch 1 WWNN, Patch 2 WNNW, Patch 3 WNWN,
// Patch 4 NWWN, Patch 6 NNWW, Patch T NWNW, read from the leading edge.
//
// PatchSearch::LeadingEdge is the "Patch Codes" option, as a feeder's patch reader sees them: bars
// parallel to the page's top edge (the edge fed first), within 4 in of it, read from the top down.
// PatchSearch::Anywhere is "Advanced Patch Codes": the bars may also run up and down (a sheet fed a
// quarter turn round) and lie anywhere on the page; they are read from the page edge nearest to them
// inwards, which also reads a sheet fed upside down right.
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace pyxa {

enum class PatchCode { Patch1, Patch2, Patch3, Patch4, Patch6, PatchT };
enum class PatchSearch { LeadingEdge, Anywhere };

// "Patch 1", "Patch 2", "Patch 3", "Patch 4", "Patch 6", "Patch T".
QString PatchCodeName(PatchCode code);

// The patch on the page, if any. A page without a resolution is taken as 200 dpi.
std::optional<PatchCode> FindPatchCode(const QImage& page, int xDpi, int yDpi, PatchSearch search);

}  // namespace pyxa
