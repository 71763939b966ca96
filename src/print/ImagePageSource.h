// The pages of the TIFF or JPG shown in the page view, as printing reads them: as shown (pending
// deletions and rotations applied), at full resolution, without moving or redrawing the view.
#pragma once

#include "print/PrintPageSource.h"

namespace pyxa {

class ImageDocument;

class ImagePageSource : public PrintPageSource {
 public:
  // The document must outlive the source.
  explicit ImagePageSource(ImageDocument& document) : document_(document) {}
  int PageCount() const override;
  int ColourKind(int page) const override;
  PrintPage Page(int page, int deviceDpi) override;

 private:
  ImageDocument& document_;
};

}  // namespace pyxa
