#include "mainwindow/ui/PageView.h"

#include "mainwindow/PathText.h"

#include <poppler-qt6.h>
#include <tiffio.h>

#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <QScrollBar>
#include <algorithm>
#include <memory>

namespace pyxa {
namespace {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

// libtiff reports problems through global handlers; the viewer reports them through its codes.
void QuietTiff(const char*, const char*, va_list) {}

// Poppler's own complaints about damaged files; the viewer answers with its codes instead.
void QuietPoppler(const QString&, const QVariant&) {}

TiffFile OpenTiff(const QString& path) {
  TIFFSetErrorHandler(QuietTiff);
  TIFFSetWarningHandler(QuietTiff);
  return TiffFile(TIFFOpen(QFile::encodeName(path).constData(), "r"));
}

int CountDirectories(TIFF* tiff) {
  int count = 0;
  // A directory chain that loops is stopped by libtiff itself; cap the count all the same.
  do {
    ++count;
  } while (count < 100000 && TIFFReadDirectory(tiff));
  return count;
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
  openInDesktop_ = new QPushButton(QStringLiteral("&Open in Word Processor"), viewport());
  openInDesktop_->setObjectName(QStringLiteral("cmdOpenInDesktop"));
  openInDesktop_->setToolTip(QStringLiteral("Open the document in the desktop's program for it"));
  openInDesktop_->setAutoFillBackground(true);
  openInDesktop_->setBackgroundRole(QPalette::Button);
  openInDesktop_->hide();
  connect(openInDesktop_, &QPushButton::clicked, this, [this] { Q_EMIT OpenInDesktopRequested(fileName_); });
  setFocusPolicy(Qt::StrongFocus);
}

ViewerResult PageView::DisplayFile(const QString& path) {
  fileName_.clear();
  kind_ = Kind::None;
  pageCount_ = 0;
  currentPage_ = 0;
  page_ = QImage();
  pdf_.reset();
  openInDesktop_->hide();
  canvas_->clear();
  canvas_->resize(0, 0);
  if (path.isEmpty()) return {};

  const QFileInfo info(path);
  if (!info.exists()) return {2048, QStringLiteral("File does not exist")};
  const QString extension = FileExtension(path);
  if (extension == QStringLiteral("DOC")) {
    fileName_ = path;
    kind_ = Kind::Picture;
    pageCount_ = 1;
    currentPage_ = 1;
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
    pageCount_ = pdf_->numPages();
    kind_ = Kind::Pdf;
  } else if (extension == QStringLiteral("TIF") || extension == QStringLiteral("TIFF")) {
    TiffFile tiff = OpenTiff(path);
    if (!tiff) return {2024, QStringLiteral("Illegal tif header")};
    pageCount_ = CountDirectories(tiff.get());
    kind_ = Kind::Tiff;
  } else if (extension == QStringLiteral("JPG") || extension == QStringLiteral("JPEG")) {
    kind_ = Kind::Jpeg;
    pageCount_ = 1;
  } else {
    return {2055, QStringLiteral("Unsupported file type")};
  }
  fileName_ = path;
  const ViewerResult result = LoadPage(1);
  if (!result.Ok()) {
    fileName_.clear();
    kind_ = Kind::None;
    pageCount_ = 0;
  }
  return result;
}

ViewerResult PageView::ChangePage(int page) {
  if (fileName_.isEmpty()) return {2002, QStringLiteral("File is not opened")};
  if (page < 1 || page > pageCount_) return {2008, QStringLiteral("Illegal page number")};
  if (page == currentPage_) return {};
  return LoadPage(page);
}

ViewerResult PageView::LoadPage(int page) {
  QImage image;
  if (kind_ == Kind::Jpeg) {
    QImageReader reader(fileName_);
    reader.setAutoTransform(true);
    if (qint64(reader.size().width()) * reader.size().height() > kMaxPagePixels) {
      return {2001, QStringLiteral("Not sufficient memory")};
    }
    image = reader.read();
    if (image.isNull()) return {2004, QStringLiteral("Read file error")};
  } else if (kind_ == Kind::Pdf) {
    // Rendered once per page at a resolution that stays sharp when fitted to a large view.
    const std::unique_ptr<Poppler::Page> pdfPage = pdf_->page(page - 1);
    if (!pdfPage) return {2025, QStringLiteral("Current page is corrupted")};
    image = pdfPage->renderToImage(150, 150);
    if (image.isNull()) return {2069, QStringLiteral("Viewer failed to display a page from the file.")};
  } else if (kind_ == Kind::Tiff) {
    TiffFile tiff = OpenTiff(fileName_);
    if (!tiff || !TIFFSetDirectory(tiff.get(), static_cast<tdir_t>(page - 1))) {
      return {2025, QStringLiteral("Current page is corrupted")};
    }
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    if (width == 0 || height == 0) return {2025, QStringLiteral("Current page is corrupted")};
    if (qint64(width) * height > kMaxPagePixels) return {2001, QStringLiteral("Not sufficient memory")};
    image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
    if (image.isNull()) return {2001, QStringLiteral("Not sufficient memory")};
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, reinterpret_cast<uint32_t*>(image.bits()),
                                   ORIENTATION_TOPLEFT, 0)) {
      return {2026, QStringLiteral("Image decompression error")};
    }
    // libtiff delivers ABGR in memory order; Qt's ARGB32 wants the red and blue swapped.
    image = std::move(image).rgbSwapped();
  }
  page_ = std::move(image);
  currentPage_ = page;
  Render();
  return {};
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
  page_ = QImage();
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
    case Qt::Key_PageDown:
      Q_EMIT ToolRequested(QStringLiteral("btnNavNext"));
      return;
    case Qt::Key_PageUp:
      Q_EMIT ToolRequested(QStringLiteral("btnNavPrevious"));
      return;
    case Qt::Key_Home:
      Q_EMIT ToolRequested(QStringLiteral("btnNavFirst"));
      return;
    case Qt::Key_End:
      Q_EMIT ToolRequested(QStringLiteral("btnNavLast"));
      return;
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
}

void PageView::Render() {
  if (page_.isNull()) return;
  const QSize area = viewport()->size() - QSize(4, 4);
  const QSize full = page_.size();
  QSize target;
  if (!fitting_) {
    target = full * (zoom_ / 100.0);
  } else if (fit_ == FitMode::Width) {
    target = full.scaled(area.width() - verticalScrollBar()->sizeHint().width(), INT_MAX, Qt::KeepAspectRatio);
  } else if (fit_ == FitMode::Height) {
    target = full.scaled(INT_MAX, area.height(), Qt::KeepAspectRatio);
  } else {
    target = full.scaled(area, Qt::KeepAspectRatio);
  }
  target = target.expandedTo(QSize(1, 1));
  canvas_->setPixmap(QPixmap::fromImage(page_.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  canvas_->resize(target);
}

}  // namespace pyxa
