#include "mainwindow/ui/PageView.h"

#include "mainwindow/PathText.h"

#include <poppler-qt6.h>

#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <memory>

namespace pyxa {
namespace {

// Poppler's own complaints about damaged files; the viewer answers with its codes instead.
void QuietPoppler(const QString&, const QVariant&) {}

ViewerResult From(const DocumentResult& result) { return {result.code, result.description}; }

PageFit FitOf(FitMode mode) {
  switch (mode) {
    case FitMode::Height:
      return PageFit::Height;
    case FitMode::Width:
      return PageFit::Width;
    case FitMode::Window:
      break;
  }
  return PageFit::Window;
}

}  // namespace

PageView::~PageView() = default;

PageView::PageView(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("MD_TIFF1"));
  Poppler::setDebugErrorFunction(QuietPoppler, QVariant());
  setAlignment(Qt::AlignCenter);
  setBackgroundRole(QPalette::Dark);
  canvas_ = new QLabel;
  canvas_->setAlignment(Qt::AlignCenter);
  setWidget(canvas_);
  setWidgetResizable(false);
  setFocusPolicy(Qt::StrongFocus);
  openInDesktop_ = new QPushButton(QStringLiteral("&Open in Word Processor"), viewport());
  openInDesktop_->setObjectName(QStringLiteral("cmdOpenInDesktop"));
  openInDesktop_->setToolTip(QStringLiteral("Open the document in the desktop's program for it"));
  openInDesktop_->setAutoFillBackground(true);
  openInDesktop_->setBackgroundRole(QPalette::Button);
  openInDesktop_->hide();
  connect(openInDesktop_, &QPushButton::clicked, this, [this] { Q_EMIT OpenInDesktopRequested(fileName_); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &PageView::ScrollChanged);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PageView::ScrollChanged);
}

ViewExtent PageView::Extent() const {
  ViewExtent extent;
  const QPixmap shown = canvas_->pixmap();
  if (shown.isNull() || (kind_ != Kind::Image && kind_ != Kind::Pdf)) return extent;
  extent.page = kind_ == Kind::Image ? image_.DisplaySize(image_.CurrentPage()) : QSizeF(page_.size());
  if (extent.Empty()) return {};
  const double sx = shown.width() / extent.page.width();
  const double sy = shown.height() / extent.page.height();
  extent.scroll = QPointF(horizontalScrollBar()->value() / sx, verticalScrollBar()->value() / sy);
  extent.visible = QSizeF(std::min(viewport()->width(), shown.width()) / sx,
                          std::min(viewport()->height(), shown.height()) / sy);
  return extent;
}

void PageView::ScrollTo(const QPoint& pagePoint) {
  const ViewExtent extent = Extent();
  if (extent.Empty()) return;
  const QPixmap shown = canvas_->pixmap();
  horizontalScrollBar()->setValue(qRound(pagePoint.x() * shown.width() / extent.page.width()));
  verticalScrollBar()->setValue(qRound(pagePoint.y() * shown.height() / extent.page.height()));
}

QImage PageView::Miniature(const QSize& size) {
  const ViewExtent extent = Extent();
  if (extent.Empty() || size.isEmpty()) return {};
  if (kind_ == Kind::Pdf) return page_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // The engine scales the page it holds decoded (and keeps the result): nothing is read again.
  return image_.RenderPage(size.width() / extent.page.width());
}

int PageView::CurrentPage() const {
  switch (kind_) {
    case Kind::Image:
      return image_.CurrentPage();
    case Kind::Pdf:
      return pdfPage_;
    case Kind::Picture:
      return 1;
    case Kind::None:
      break;
  }
  return 0;
}

int PageView::PageCount() const {
  switch (kind_) {
    case Kind::Image:
      return image_.PageCount();
    case Kind::Pdf:
      return pdf_->numPages();
    case Kind::Picture:
      return 1;
    case Kind::None:
      break;
  }
  return 0;
}

ViewerResult PageView::DisplayFile(const QString& path) {
  fileName_.clear();
  kind_ = Kind::None;
  image_.Close();
  pdf_.reset();
  pdfPage_ = 0;
  page_ = QImage();
  highlightPage_ = 0;
  highlights_.clear();
  openInDesktop_->hide();
  canvas_->clear();
  canvas_->resize(0, 0);
  Q_EMIT PageChanged();
  if (path.isEmpty()) return {};

  if (!QFileInfo::exists(path)) return {2048, QStringLiteral("File does not exist")};
  const QString extension = FileExtension(path);
  if (extension == QStringLiteral("DOC")) {
    fileName_ = path;
    kind_ = Kind::Picture;
    ShowPicture(QStringLiteral("Word document"));
    openInDesktop_->adjustSize();
    openInDesktop_->show();
    openInDesktop_->raise();
    PlaceOpenButton();
    return {};
  }
  if (extension == QStringLiteral("PDF")) {
    pdf_ = Poppler::Document::load(path);
    if (!pdf_ || pdf_->isLocked() || pdf_->numPages() < 1) {
      pdf_.reset();
      return {2004, QStringLiteral("Read file error")};
    }
    pdf_->setRenderHint(Poppler::Document::Antialiasing);
    pdf_->setRenderHint(Poppler::Document::TextAntialiasing);
    kind_ = Kind::Pdf;
    fileName_ = path;
    const ViewerResult result = LoadPdfPage(1);
    if (!result.Ok()) DisplayFile(QString());
    return result;
  }
  const DocumentResult loaded = image_.Load(path);
  if (!loaded.Ok()) return From(loaded);
  kind_ = Kind::Image;
  fileName_ = path;
  Render();
  return {};
}

ViewerResult PageView::ChangePage(int page) {
  if (kind_ == Kind::None) return {2002, QStringLiteral("File is not opened")};
  if (page < 1 || page > PageCount()) return {2008, QStringLiteral("Illegal page number")};
  if (kind_ == Kind::Pdf) return page == pdfPage_ ? ViewerResult{} : LoadPdfPage(page);
  if (kind_ != Kind::Image) return {};
  const DocumentResult result = image_.SetCurrentPage(page);
  if (result.Ok()) Render();
  return From(result);
}

ViewerResult PageView::LoadPdfPage(int page) {
  // Rendered once per page at a resolution that stays sharp when fitted to a large view.
  const std::unique_ptr<Poppler::Page> pdfPage = pdf_->page(page - 1);
  if (!pdfPage) return {2025, QStringLiteral("Current page is corrupted")};
  QImage image = pdfPage->renderToImage(150, 150);
  if (image.isNull()) return {2069, QStringLiteral("Viewer failed to display a page from the file.")};
  page_ = std::move(image);
  pdfPage_ = page;
  Render();
  return {};
}

ViewerResult PageView::Rotate() {
  if (kind_ != Kind::Image) return {2056, QStringLiteral("Function is not supported")};
  const DocumentResult result = image_.Rotate(90);
  if (result.Ok()) Render();
  return From(result);
}

ViewerResult PageView::DeleteCurrentPage() {
  if (kind_ != Kind::Image) return {2056, QStringLiteral("Function is not supported")};
  const DocumentResult result = image_.DeletePages(image_.CurrentPage(), 1);
  if (result.Ok()) Render();
  return From(result);
}

ViewerResult PageView::Save() {
  if (kind_ != Kind::Image) return {};
  const DocumentResult result = image_.Save();
  if (result.Ok()) Render();
  return From(result);
}

ViewerResult PageView::Undo() {
  if (kind_ != Kind::Image) return {};
  const DocumentResult result = image_.Undo();
  if (result.Ok()) Render();
  return From(result);
}

void PageView::ShowPicture(const QString& caption) {
  QImage picture(360, 440, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(Qt::white);
  painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 2));
  painter.drawRoundedRect(QRectF(60, 20, 240, 310), 6, 6);
  painter.setPen(QPen(QColor(0xb0, 0xb0, 0xb0), 6));
  for (int y = 80; y < 300; y += 28) painter.drawLine(90, y, 270, y);
  painter.setPen(palette().color(QPalette::BrightText));
  QFont font = painter.font();
  font.setPointSize(13);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(0, 345, 360, 30), Qt::AlignCenter, caption);
  font.setBold(false);
  font.setPointSize(10);
  painter.setFont(font);
  painter.drawText(QRect(0, 378, 360, 50), Qt::AlignCenter | Qt::TextWordWrap, NameFromFullPath(fileName_));
  painter.end();
  canvas_->setPixmap(QPixmap::fromImage(picture));
  canvas_->resize(picture.size());
}

void PageView::Fit(FitMode mode) {
  fitting_ = true;
  fit_ = mode;
  Render();
}

void PageView::Zoom(int percent) {
  fitting_ = false;
  zoom_ = percent;
  Render();
}

void PageView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      Q_EMIT ZoomStepRequested(+1);
      return;
    case Qt::Key_Minus:
      Q_EMIT ZoomStepRequested(-1);
      return;
    default:
      QScrollArea::keyPressEvent(event);
  }
}

void PageView::wheelEvent(QWheelEvent* event) {
  // Ctrl with the wheel zooms, as in every viewer; the plain wheel scrolls the page.
  if (event->modifiers() & Qt::ControlModifier) {
    Q_EMIT ZoomStepRequested(event->angleDelta().y() > 0 ? +1 : -1);
    event->accept();
    return;
  }
  QScrollArea::wheelEvent(event);
}

void PageView::PlaceOpenButton() {
  // Just below the still picture, inside the view.
  const QSize size = openInDesktop_->sizeHint();
  const int below = canvas_->geometry().bottom() + 8;
  const int y = std::min(below, viewport()->height() - size.height() - 8);
  openInDesktop_->setGeometry((viewport()->width() - size.width()) / 2, std::max(0, y), size.width(), size.height());
}

void PageView::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  PlaceOpenButton();
  if (fitting_) Render();
  Q_EMIT ScrollChanged();
}

void PageView::SetHighlights(int page, const QVector<QRect>& boxes, const QSize& read) {
  if (page == highlightPage_ && boxes == highlights_ && read == highlightsRead_) return;
  highlightPage_ = page;
  highlights_ = read.isEmpty() ? QVector<QRect>() : boxes;
  highlightsRead_ = read;
  if (kind_ == Kind::Image) Render();
}

void PageView::Render() {
  const QSize area = viewport()->size() - QSize(4, 4);
  QImage shown;
  if (kind_ == Kind::Image) {
    if (image_.PageCount() == 0) {
      canvas_->clear();
      canvas_->resize(0, 0);
      Q_EMIT PageChanged();
      return;
    }
    double scale = zoom_ / 100.0;
    if (fitting_) {
      const QSize room = fit_ == FitMode::Width ? area - QSize(verticalScrollBar()->sizeHint().width(), 0) : area;
      scale = image_.FitScale(FitOf(fit_), room);
    }
    shownPercent_ = qRound(scale * 100);
    // The engine keeps the decoded page and its last scaled copy: repaints decode nothing again.
    shown = image_.RenderPage(scale);
    // The words were read from the page as stored: an edited page would put them elsewhere.
    if (!highlights_.isEmpty() && highlightPage_ == image_.CurrentPage() && !image_.HasUnsavedChanges() &&
        !shown.isNull()) {
      shown = shown.convertToFormat(QImage::Format_ARGB32_Premultiplied);
      QPainter painter(&shown);
      painter.setPen(QPen(QColor(0xd0, 0x80, 0x00), 1));
      painter.setBrush(QColor(0xff, 0xd0, 0x00, 0x60));
      // The view may even out a fax's unequal resolutions: both directions are measured apart.
      const double sx = double(shown.width()) / highlightsRead_.width();
      const double sy = double(shown.height()) / highlightsRead_.height();
      for (const QRect& box : highlights_) {
        const QRectF scaled(box.x() * sx, box.y() * sy, box.width() * sx, box.height() * sy);
        painter.drawRect(scaled.adjusted(-2, -2, 2, 2));
      }
    }
  } else if (kind_ == Kind::Pdf && !page_.isNull()) {
    QSize target;
    if (!fitting_) {
      target = page_.size() * (zoom_ / 100.0);
    } else if (fit_ == FitMode::Width) {
      target = page_.size().scaled(area.width() - verticalScrollBar()->sizeHint().width(), INT_MAX, Qt::KeepAspectRatio);
    } else if (fit_ == FitMode::Height) {
      target = page_.size().scaled(INT_MAX, area.height(), Qt::KeepAspectRatio);
    } else {
      target = page_.size().scaled(area, Qt::KeepAspectRatio);
    }
    shown = page_.scaled(target.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    shownPercent_ = page_.width() > 0 ? qRound(100.0 * shown.width() / page_.width()) : 100;
  } else {
    return;
  }
  if (shown.isNull()) return;
  canvas_->setPixmap(QPixmap::fromImage(shown));
  canvas_->resize(shown.size());
  Q_EMIT PageChanged();
}

}  // namespace pyxa
