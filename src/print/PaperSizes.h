// The paper sizes the print state knows by code (1 Letter, 9 A4...), told apart by the sheet's
// size: the printers' sizes get their codes from it, and the PDF file destination offers them.
#pragma once

#include <span>

namespace pyxa {

struct KnownPaper {
  int code;
  double widthMm;  // as the sheet is fed: Ledger is the landscape 17 x 11 in. sheet
  double heightMm;
  const char* name;  // as the print window lists it
};

std::span<const KnownPaper> KnownPapers();
// The known paper of that size (within 1 mm), or null.
const KnownPaper* MatchPaper(double widthMm, double heightMm);

}  // namespace pyxa
