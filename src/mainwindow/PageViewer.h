// What the main window asks of the page viewer: show a file, page through it, fit and zoom,
// and the unsaved-changes bookkeeping of page edits. The viewer reports failures as viewer
// error codes (see ViewerErrorText) with a description.
#pragma once

#include <QString>

namespace pyxa {

class ImageDocument;

enum class FitMode { Height, Width, Window };

struct ViewerResult {
  int code = 0;  // 0 success, else a viewer error code
  QString description;
  bool Ok() const { return code == 0; }
};

class PageViewer {
 public:
  virtual ~PageViewer() = default;

  // Shows the file (an empty name clears the display).
  virtual ViewerResult DisplayFile(const QString& path) = 0;
  virtual QString CurrentFileName() const = 0;
  virtual int CurrentPage() const = 0;  // 1-based; 0 when nothing is shown
  virtual int PageCount() const = 0;
  virtual ViewerResult ChangePage(int page) = 0;
  virtual void Fit(FitMode mode) = 0;
  virtual void Zoom(int percent) = 0;
  // The scale the page is drawn at now, in percent, whether fitted or zoomed.
  virtual int ShownPercent() const { return 100; }

  // Page edits of image files: rotate the page on screen, delete it, and whether the shown file
  // has changes not yet saved (and no pages left), with the two ways out.
  virtual bool CanEditPages() const = 0;
  virtual ViewerResult Rotate() = 0;
  virtual ViewerResult DeleteCurrentPage() = 0;
  virtual bool HasUnsavedChanges() const = 0;
  virtual bool HasNoPages() const = 0;
  virtual ViewerResult Save() = 0;  // -2002: the file was left without pages and nothing was written
  virtual ViewerResult Undo() = 0;

  // What printing reads: the engine of a shown TIFF or JPG (pages as shown, edits pending), or
  // whether a PDF is shown; null and false for anything else.
  virtual ImageDocument* ShownImage() { return nullptr; }
  virtual bool ShowsPdf() const { return false; }
};

}  // namespace pyxa
