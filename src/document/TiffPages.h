// Reads the page directory of a TIFF file (where each page's directory lies, its size, compression,
// bit depth and resolution) and decodes one page at a time into a QImage. libtiff's messages are
// kept out of the terminal; failures come back as viewer error codes with a short description.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace pyxa {

// Pages larger than this are refused rather than decoded: far above any scanned sheet (a letter
// page at 1200 dpi is 135 million pixels).
inline constexpr int64_t kMaxPagePixels = 200'000'000;

// One page as its directory describes it; nothing of its image data has been read.
struct TiffPageInfo {
  uint64_t offset = 0;  // where the page's directory starts in the file
  int width = 0;
  int height = 0;
  int compression = 1;  // the TIFF compression number
  int bitsPerSample = 1;
  int samplesPerPixel = 1;
  int photometric = 0;
  bool tiled = false;
  double xResolution = 0;  // dots per resolution unit; 0 when the file does not say
  double yResolution = 0;
  int resolutionUnit = 2;  // 1 none, 2 inch, 3 centimetre
  int orientation = 1;     // the TIFF Orientation: where the stored rows and columns belong (1-8)

  bool Bilevel() const { return bitsPerSample == 1 && samplesPerPixel == 1; }
  // Orientations 5 to 8 store the page's columns as rows: shown upright, width and height (and
  // the two resolutions) trade places.
  bool Transposed() const { return orientation >= 5 && orientation <= 8; }
  int64_t Pixels() const { return int64_t(width) * int64_t(height); }
  // Dots per inch along the stored rows and columns; 0 when the file does not say.
  int XDpi() const;
  int YDpi() const;
};

struct TiffStatus {
  int code = 0;  // 0 success, else a viewer error code
  QString description;
  bool Ok() const { return code == 0; }
};

// An open TIFF file. Moving it keeps the handle; the file is closed with the object. Because the
// handle stays open, pages remain readable even when another process removes the file.
class TiffPages {
 public:
  static constexpr int kMaxPages = 100000;

  TiffPages();
  ~TiffPages();
  TiffPages(TiffPages&&) noexcept;
  TiffPages& operator=(TiffPages&&) noexcept;
  TiffPages(const TiffPages&) = delete;
  TiffPages& operator=(const TiffPages&) = delete;

  // Opens the file and walks its chain of page directories (no image data is read). A chain that
  // breaks off or loops after at least one good page keeps the good pages and sets Damaged().
  TiffStatus Open(const QString& path);
  void Close();
  bool IsOpen() const;

  const std::vector<TiffPageInfo>& Pages() const { return pages_; }
  int PageCount() const { return static_cast<int>(pages_.size()); }
  bool Damaged() const { return damaged_; }

  // Decodes the page with the 0-based index, upright as its Orientation tag says. Pages over
  // maxPixels, or with a side over a million pixels, are refused with 2001; a page whose coding
  // the installed libtiff cannot decode, with 2026 and a description naming the coding.
  // Bilevel pages become Format_Mono, 8-bit grey Grayscale8, palette Indexed8, 8-bit RGB
  // RGB888; anything else libtiff can read goes through its RGBA reader into
  // ARGB32_Premultiplied (ARGB32 where libtiff leaves the alpha unmultiplied).
  TiffStatus Decode(int index, int64_t maxPixels, QImage* image);

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::vector<TiffPageInfo> pages_;
  bool damaged_ = false;
};

// True when the bytes start like a TIFF (classic or BigTIFF, either byte order).
bool LooksLikeTiff(const QByteArray& head);

}  // namespace pyxa
