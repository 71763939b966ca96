// The display-free engine behind the page view: loads a multi-page TIFF or a JPG, pages through
// it, computes zoom and fit scales, keeps rotations and deletions as pending edits until they
// are saved or undone, and renders the page on screen. Only the current page is held decoded.
// Nothing throws: every operation answers a viewer error code (0 success) with a description.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

#include "document/TiffPages.h"

namespace pyxa {

// Whether the file is one this engine shows page by page (TIF or JPG, any letter case): its
// pages are shared out among documents; any other file is filed whole.
bool IsPagedFile(const QString& path);

enum class PageFit { Height, Width, Window };

struct DocumentResult {
  int code = 0;  // 0 success; else a viewer error code (2001-2074), or -2002 for "no pages to write"
  QString description;
  bool Ok() const { return code == 0; }
};

class ImageDocument {
 public:
  enum class Kind { None, Tiff, Jpeg };

  // Pages larger than this many pixels are refused with 2001 rather than decoded.
  static constexpr int64_t kDefaultPixelBudget = 200'000'000;
  static constexpr int kMaxZoom = 6400;  // percent

  ImageDocument() = default;
  void SetPixelBudget(int64_t pixels) { pixelBudget_ = pixels; }

  // Loads a TIFF or JPG (told apart by content, not by name) and decodes its first page; a file
  // whose first page cannot be shown is not loaded. An empty path just closes.
  // Codes: 2048 missing, 2003 cannot be opened, 2004 empty, 2024 bad TIFF header,
  // 2055 neither TIFF nor JPG, 2001 page over the pixel budget, 2025/2026/2029 undecodable page.
  DocumentResult Load(const QString& path);
  void Close();
  bool IsLoaded() const { return kind_ != Kind::None; }
  QString FileName() const { return path_; }
  Kind FileKind() const { return kind_; }
  // A TIFF whose directory chain breaks off or loops shows its good pages but is never saved over.
  bool IsReadOnly() const { return readOnly_; }

  int CurrentPage() const { return current_; }  // 1-based; 0 when nothing or no page is left
  int PageCount() const { return static_cast<int>(pages_.size()); }  // after pending deletions
  DocumentResult SetCurrentPage(int page);  // 2008 when out of range; the page stays
  // Size of a page as shown: upright as its TIFF Orientation says, resolution aspect evened out
  // and its pending rotation applied.
  QSizeF DisplaySize(int page) const;

  void SetViewMode(int mode) { viewMode_ = mode; }
  int ViewMode() const { return viewMode_; }
  DocumentResult SetZoom(int percent);  // 2049 outside 1..kMaxZoom
  int Zoom() const { return zoom_; }
  QImage ApplyZoom() { return RenderPage(zoom_ / 100.0); }
  // The scale that makes the current page fill the view's height, width or both; 0 when there
  // is no page or the view is empty.
  double FitScale(PageFit fit, const QSize& view) const;

  // Pending edits. Rotation is clockwise in quarter turns (2051 otherwise).
  DocumentResult Rotate(int degrees = 90);
  DocumentResult DeletePages(int first, int count);  // count pages from the 1-based first
  DocumentResult DeletePages(std::vector<int> pages);  // any 1-based pages, in any order
  DocumentResult Undo();  // back to the file as loaded or last saved
  // Writes the edits back to the file (write-then-rename) and reloads it. Nothing pending: 0.
  // A file left without pages answers -2002 (the caller asks whether to delete the file); a file
  // that another program changed or removed since it was loaded answers 2063 and stays as it is,
  // because the pending edits name pages of the file as it was read.
  DocumentResult Save();
  bool HasUnsavedChanges() const;
  bool HasNoPages() const { return IsLoaded() && pages_.empty(); }

  // Writes the listed 1-based pages, edits applied, to a new file target: a TIFF for a TIFF,
  // a JPG for a JPG (which has only page 1). An empty list answers -2002; a TIFF changed on
  // disk since loading, 2063.
  DocumentResult WritePages(const std::vector<int>& pages, const QString& target) const;

  // The current page at full resolution with its rotation applied; null on failure.
  QImage CurrentImage();
  // Any 1-based page as shown, at full resolution with its pending rotation applied, and its
  // dots per inch across and down as it then lies (0 when the file does not say). Printing reads
  // pages through this: the view stays as it was (current page, decoded page, kept renderings,
  // last error); a page other than the decoded one is decoded apart, within the pixel budget.
  DocumentResult PageImage(int page, QImage* image, double* dpiX, double* dpiY);

  // How a page's pixels are kept, from the file's description of it (nothing is decoded).
  enum class PageColours { None, Bilevel, Grey, Palette, Colour };
  PageColours Colours(int page) const;
  // The current page at the scale (1 = one image pixel per screen pixel horizontally), rotated.
  // Bilevel pages scaled down are area-averaged into grey so that text stays legible. The last
  // rendering is kept, so a repaint at the same scale decodes and scales nothing. Null on
  // failure; LastError() says why.
  QImage RenderPage(double scale);
  DocumentResult LastError() const { return lastError_; }
  int DecodeCount() const { return decodeCount_; }  // pages decoded since construction

 private:
  struct PageRef {
    int directory = 0;  // index of the page in the file
    int rotation = 0;   // pending clockwise rotation: 0, 90, 180, 270
    bool operator==(const PageRef&) const = default;
  };

  DocumentResult LoadJpeg(const QString& path);
  DocumentResult DecodeCurrent();  // fills decoded_ for the current page unless already there
  double Aspect(int directory) const;  // vertical stretch that evens out unequal resolutions
  QSize PixelSize(int directory) const;  // of the upright page
  DocumentResult SaveJpeg();
  void ResetPages();
  bool ChangedOnDisk() const;
  DocumentResult Fail(int code, const QString& description);

  Kind kind_ = Kind::None;
  QString path_;
  struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileStamp&) const = default;
  };
  FileStamp loadedStamp_;  // the file as read, to notice another program's change before a save
  // The JPG's dots per inch from its JFIF header; 0 when it gives none (Qt then makes one up).
  double jpegDpiX_ = 0;
  double jpegDpiY_ = 0;
  bool readOnly_ = false;
  int64_t pixelBudget_ = kDefaultPixelBudget;
  TiffPages tiff_;
  std::vector<PageRef> pages_;
  int current_ = 0;
  int viewMode_ = 0;
  int zoom_ = 100;

  int decodedDirectory_ = -1;  // which page decoded_ holds; the JPG's picture is directory 0
  QImage decoded_;
  // The last few renderings, newest first: stepping the zoom back and forth, or repainting,
  // scales nothing again. Bounded in number and in bytes.
  struct Rendering {
    PageRef page;
    double scale = 0;
    QImage image;
  };
  static constexpr size_t kKeptRenderings = 3;
  static constexpr qsizetype kKeptRenderingBytes = 64 * 1024 * 1024;
  std::vector<Rendering> renderings_;
  int decodeCount_ = 0;
  DocumentResult lastError_;
};

// Scales a bilevel (Format_Mono or MonoLSB) image down to the size by averaging each target
// pixel's source pixels into a grey level. Both target sides must be at most the source's.
QImage AreaAverageBilevel(const QImage& source, const QSize& size);

}  // namespace pyxa
