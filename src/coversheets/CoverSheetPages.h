// Cover sheets as pages to print: one sheet for each patient of a list (a single patient, or a
// whole clinic list), drawn at the printer's resolution when printed.
#pragma once

#include "coversheets/CoverSheetDrawing.h"
#include "print/PrintPageSource.h"

#include <vector>

namespace pyxa {

class CoverSheetPages : public PrintPageSource {
 public:
  void Add(const CoverRecord& record, const CoverSheetText& text) { sheets_.push_back({record, text}); }
  int PageCount() const override { return static_cast<int>(sheets_.size()); }
  int ColourKind(int) const override { return kColourBlackWhite; }
  PrintPage Page(int page, int deviceDpi) override;

 private:
  struct Sheet {
    CoverRecord record;
    CoverSheetText text;
  };
  std::vector<Sheet> sheets_;
};

}  // namespace pyxa
