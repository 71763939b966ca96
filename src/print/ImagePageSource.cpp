#include "print/ImagePageSource.h"

#include "document/ImageDocument.h"

namespace pyxa {

int ImagePageSource::PageCount() const { return document_.IsLoaded() ? document_.PageCount() : 0; }

int ImagePageSource::ColourKind(int page) const {
  switch (document_.Colours(page)) {
    case ImageDocument::PageColours::Bilevel: return kColourBlackWhite;
    case ImageDocument::PageColours::Grey: return kColourGrey;
    case ImageDocument::PageColours::Palette: return kColourPalette;
    case ImageDocument::PageColours::Colour:
    case ImageDocument::PageColours::None: break;
  }
  return kColourFull;
}

PrintPage ImagePageSource::Page(int page, int /*deviceDpi*/) {
  PrintPage result;
  const DocumentResult read = document_.PageImage(page, &result.image, &result.dpiX, &result.dpiY);
  result.code = read.code;
  result.description = read.description;
  return result;
}

}  // namespace pyxa
