#include "print/PaperSizes.h"

#include <cmath>

namespace pyxa {

namespace {
// Letter first: the PDF file offers them in this order. Executive is 7 1/4 in. across.
constexpr KnownPaper kKnownPapers[] = {
    {1, 215.9, 279.4, "Letter, 8 1/2 x 11 in. "},        {5, 215.9, 355.6, "Legal, 8 1/2 x 14 in. "},
    {9, 210.0, 297.0, "A4, 210 x 297 mm "},              {8, 297.0, 420.0, "A3, 297 x 420 mm "},
    {11, 148.0, 210.0, "A5, 148 x 210 mm "},             {7, 184.15, 266.7, "Executive, 7 1/4 x 10 1/2 in. "},
    {6, 139.7, 215.9, "Statement, 5 1/2 x 8 1/2 in. "}, {17, 279.4, 431.8, "11 x 17 in. "},
    {4, 431.8, 279.4, "Ledger, 17 x 11 in. "},           {12, 250.0, 353.0, "B4, 250 x 354 mm "},
    {13, 182.0, 257.0, "B5, 182 x 257 mm "},             {16, 254.0, 355.6, "10 x 14 in. "},
};
}  // namespace

std::span<const KnownPaper> KnownPapers() { return kKnownPapers; }

const KnownPaper* MatchPaper(double widthMm, double heightMm) {
  for (const KnownPaper& paper : kKnownPapers)
    if (std::abs(paper.widthMm - widthMm) <= 1.0 && std::abs(paper.heightMm - heightMm) <= 1.0) return &paper;
  return nullptr;
}

}  // namespace pyxa
