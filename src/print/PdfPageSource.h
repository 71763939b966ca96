// The pages of a PDF file as printing reads them: each rendered on its own copy of the file at
// the printer's resolution (at most 300 dpi), in colour.
#pragma once

#include "print/PrintPageSource.h"

#include <memory>

namespace Poppler {
class Document;
}

namespace pyxa {

class PdfPageSource : public PrintPageSource {
 public:
  // Opens the file; one poppler cannot open, locked or damaged has no pages, and every page of
  // it answers 2004.
  explicit PdfPageSource(const QString& path);
  ~PdfPageSource() override;
  PdfPageSource(const PdfPageSource&) = delete;
  PdfPageSource& operator=(const PdfPageSource&) = delete;

  bool IsOpen() const { return document_ != nullptr; }
  int PageCount() const override;
  int ColourKind(int) const override { return kColourFull; }
  // Answers 2069 for a page that cannot be rendered.
  PrintPage Page(int page, int deviceDpi) override;

  static constexpr int kMaxDpi = 300;

 private:
  std::unique_ptr<Poppler::Document> document_;
};

}  // namespace pyxa
