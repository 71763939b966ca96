#include "print/PdfPageSource.h"

#include "document/ImageDocument.h"

#include <poppler-qt6.h>

#include <algorithm>
#include <cmath>

namespace pyxa {

PdfPageSource::PdfPageSource(const QString& path) {
  std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
  if (!document || document->isLocked() || document->numPages() < 1) return;
  document->setRenderHint(Poppler::Document::Antialiasing);
  document->setRenderHint(Poppler::Document::TextAntialiasing);
  document_ = std::move(document);
}

PdfPageSource::~PdfPageSource() = default;

int PdfPageSource::PageCount() const { return document_ ? document_->numPages() : 0; }

PrintPage PdfPageSource::Page(int page, int deviceDpi) {
  PrintPage result;
  if (!document_) {
    result.code = 2004;
    result.description = QStringLiteral("Read file error");
    return result;
  }
  auto failed = [&] {
    result.code = 2069;
    result.description = QStringLiteral("Viewer failed to display page %1 of the file.").arg(page);
    return result;
  };
  if (page < 1 || page > PageCount()) return failed();
  const std::unique_ptr<Poppler::Page> pdfPage = document_->page(page - 1);
  if (!pdfPage) return failed();
  double dpi = std::clamp(deviceDpi, 1, kMaxDpi);
  // A poster-sized page is rendered coarser rather than not at all: it is shrunk onto the
  // paper anyway, and the viewer's pixel budget keeps memory in bounds.
  const QSizeF points = pdfPage->pageSizeF();
  const double pixels = points.width() * points.height() * (dpi / 72.0) * (dpi / 72.0);
  if (pixels > ImageDocument::kDefaultPixelBudget)
    dpi = std::floor(dpi * std::sqrt(ImageDocument::kDefaultPixelBudget / pixels));
  if (!(dpi >= 1)) return failed();
  result.image = pdfPage->renderToImage(dpi, dpi);
  if (result.image.isNull()) return failed();
  result.dpiX = result.dpiY = dpi;
  return result;
}

}  // namespace pyxa
