// The page viewer of the main window: shows TIFF and JPG pages scaled smoothly to the chosen fit
// or zoom, PDF pages read-only, and a still picture for Word files. Decodes only the page on screen.
#pragma once

#include "document/ImageDocument.h"
#include "thumbnail/NavigatedView.h"
#include "mainwindow/PageViewer.h"

#include <QImage>
#include <QRect>
#include <QVector>
#include <QScrollArea>
#include <memory>

class QLabel;
class QPushButton;
namespace Poppler {
class Document;
}

namespace pyxa {

class PageView : public QScrollArea, public PageViewer, public NavigatedView {
  Q_OBJECT

 public:
  explicit PageView(QWidget* parent = nullptr);
  ~PageView() override;

  ViewerResult DisplayFile(const QString& path) override;
  QString CurrentFileName() const override { return fileName_; }
  int CurrentPage() const override;
  int PageCount() const override;
  ViewerResult ChangePage(int page) override;
  void Fit(FitMode mode) override;
  void Zoom(int percent) override;
  int ShownPercent() const override { return shownPercent_; }
  bool CanEditPages() const override { return kind_ == Kind::Image; }
  ViewerResult Rotate() override;
  ViewerResult DeleteCurrentPage() override;
  bool HasUnsavedChanges() const override { return kind_ == Kind::Image && image_.HasUnsavedChanges(); }
  bool HasNoPages() const override { return kind_ == Kind::Image && image_.HasNoPages(); }
  ViewerResult Save() override;
  ViewerResult Undo() override;
  ImageDocument* ShownImage() override { return kind_ == Kind::Image ? &image_ : nullptr; }
  bool ShowsPdf() const override { return kind_ == Kind::Pdf; }
  // The engine of the image shown, for storing pages of it.
  const ImageDocument& Image() const { return image_; }

  // For the navigator, in page pixels (the page at 100 %): the page, where the view is and how
  // much of it shows; empty when no TIFF, JPG or PDF page is shown.
  ViewExtent Extent() const override;
  void ScrollTo(const QPoint& pagePoint) override;
  // The shown page at the size, made from what is already decoded: no page is read again.
  QImage Miniature(const QSize& size) override;
  // Marks boxes on a page (1-based) of the shown image file, measured on the page's pixels as they
  // were read (read, whatever resolution the view evens out), as long as the page is shown without
  // unsaved page edits; none clears them. Another file clears them too.
  void SetHighlights(int page, const QVector<QRect>& boxes, const QSize& read);

 Q_SIGNALS:
  // The user asked to open the shown Word file in the desktop's program for it.
  void OpenInDesktopRequested(const QString& path);
  // A zoom step asked with the keyboard or the wheel: +1 larger, -1 smaller. (Paging keys are
  // the window's View menu shortcuts, which act from any focus inside this view.)
  void ZoomStepRequested(int direction);
  // Another page, a new zoom or fit, a turn or delete: the page as drawn has changed.
  void PageChanged();
  // The view scrolled or changed size over the same drawing.
  void ScrollChanged();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Kind { None, Image, Pdf, Picture };
  ViewerResult LoadPdfPage(int page);
  void ShowPicture(const QString& caption);
  void PlaceOpenButton();
  void Render();

  QLabel* canvas_;
  QPushButton* openInDesktop_;
  std::unique_ptr<Poppler::Document> pdf_;
  QString fileName_;
  Kind kind_ = Kind::None;
  ImageDocument image_;
  int pdfPage_ = 0;
  QImage page_;  // the PDF page on screen
  bool fitting_ = true;
  FitMode fit_ = FitMode::Window;
  int zoom_ = 100;
  int shownPercent_ = 100;
  int highlightPage_ = 0;
  QVector<QRect> highlights_;
  QSize highlightsRead_;
};

}  // namespace pyxa
