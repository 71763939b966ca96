#include "document/ImageDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QTransform>
#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <tuple>
#include <utility>

#include "document/TiffPageWriter.h"

namespace pyxa {

bool IsPagedFile(const QString& path) {
  const QString extension = QFileInfo(path).suffix().toUpper();
  return extension == QStringLiteral("TIF") || extension == QStringLiteral("JPG");
}

namespace {

bool LooksLikeJpeg(const QByteArray& head) {
  return head.size() >= 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 &&
         uchar(head[2]) == 0xFF;
}

// Dots per inch of a JPG's JFIF header (it must come first); 0 when the header gives only an
// aspect ratio or the file has none.
std::pair<double, double> JfifDpi(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {0, 0};
  const QByteArray head = file.read(18);
  if (head.size() < 18 || uchar(head[2]) != 0xFF || uchar(head[3]) != 0xE0 ||
      head.mid(6, 5) != QByteArray("JFIF\0", 5))
    return {0, 0};
  const int unit = uchar(head[13]);
  const double perInch = unit == 1 ? 1.0 : unit == 2 ? 2.54 : 0.0;
  return {((uchar(head[14]) << 8) | uchar(head[15])) * perInch, ((uchar(head[16]) << 8) | uchar(head[17])) * perInch};
}

QImage Rotated(const QImage& image, int rotation) {
  if (rotation == 0 || image.isNull()) return image;
  return image.transformed(QTransform().rotate(rotation));
}

}  // namespace

DocumentResult ImageDocument::Fail(int code, const QString& description) {
  lastError_ = {code, description};
  return lastError_;
}

void ImageDocument::Close() {
  kind_ = Kind::None;
  path_.clear();
  loadedStamp_ = {};
  jpegDpiX_ = jpegDpiY_ = 0;
  readOnly_ = false;
  tiff_.Close();
  pages_.clear();
  current_ = 0;
  decodedDirectory_ = -1;
  decoded_ = QImage();
  renderings_.clear();
  lastError_ = {};
}

DocumentResult ImageDocument::Load(const QString& path) {
  Close();
  if (path.isEmpty()) return {};
  if (!QFileInfo::exists(path)) return Fail(2048, QStringLiteral("File does not exist"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Fail(2003, QStringLiteral("Error opening file. File is in use."));
  const QByteArray head = file.read(8);
  file.close();
  if (head.isEmpty()) return Fail(2004, QStringLiteral("Read file error: the file is empty"));

  if (LooksLikeTiff(head)) {
    const TiffStatus opened = tiff_.Open(path);
    if (!opened.Ok()) return Fail(opened.code, opened.description);
    kind_ = Kind::Tiff;
    readOnly_ = tiff_.Damaged();
  } else if (LooksLikeJpeg(head)) {
    const DocumentResult loaded = LoadJpeg(path);
    if (!loaded.Ok()) return loaded;
    kind_ = Kind::Jpeg;
  } else {
    return Fail(2055, QStringLiteral("Unsupported file type"));
  }
  path_ = path;
  const QFileInfo loaded(path);
  loadedStamp_ = {loaded.size(), loaded.lastModified()};
  ResetPages();
  const DocumentResult shown = DecodeCurrent();
  if (!shown.Ok()) {
    Close();
    return Fail(shown.code, shown.description);
  }
  return {};
}

DocumentResult ImageDocument::LoadJpeg(const QString& path) {
  QImageReader reader(path, "jpeg");
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty())
    return Fail(2026, QStringLiteral("Image decompression error: ") + reader.errorString());
  if (int64_t(size.width()) * size.height() > pixelBudget_)
    return Fail(2001, QStringLiteral("Not sufficient memory: the page has %1 x %2 pixels")
                          .arg(size.width())
                          .arg(size.height()));
  QImage image = reader.read();
  if (image.isNull())
    return Fail(2026, QStringLiteral("Image decompression error: ") + reader.errorString());
  ++decodeCount_;
  decoded_ = std::move(image);
  decodedDirectory_ = 0;
  std::tie(jpegDpiX_, jpegDpiY_) = JfifDpi(path);
  return {};
}

void ImageDocument::ResetPages() {
  pages_.clear();
  const int count = kind_ == Kind::Tiff ? tiff_.PageCount() : kind_ == Kind::Jpeg ? 1 : 0;
  for (int i = 0; i < count; ++i) pages_.push_back({i, 0});
  current_ = std::clamp(current_, count > 0 ? 1 : 0, count);
}

DocumentResult ImageDocument::DecodeCurrent() {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  if (current_ < 1 || current_ > PageCount())
    return Fail(2005, QStringLiteral("Page is not in memory"));
  const int directory = pages_[size_t(current_ - 1)].directory;
  if (directory == decodedDirectory_ && !decoded_.isNull()) return {};
  if (kind_ == Kind::Jpeg) return Fail(2005, QStringLiteral("Page is not in memory"));
  // The previous page goes first, so two big pages are never held at once.
  decoded_ = QImage();
  decodedDirectory_ = -1;
  QImage image;
  const TiffStatus status = tiff_.Decode(directory, pixelBudget_, &image);
  if (!status.Ok()) return Fail(status.code, status.description);
  ++decodeCount_;
  decoded_ = std::move(image);
  decodedDirectory_ = directory;
  return {};
}

DocumentResult ImageDocument::SetCurrentPage(int page) {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  if (page < 1 || page > PageCount()) return Fail(2008, QStringLiteral("Illegal page number"));
  current_ = page;
  return {};
}

QSize ImageDocument::PixelSize(int directory) const {
  if (kind_ == Kind::Jpeg) return decoded_.size();
  if (kind_ != Kind::Tiff || directory < 0 || directory >= tiff_.PageCount()) return {};
  const TiffPageInfo& info = tiff_.Pages()[size_t(directory)];
  return info.Transposed() ? QSize(info.height, info.width) : QSize(info.width, info.height);
}

double ImageDocument::Aspect(int directory) const {
  if (kind_ != Kind::Tiff || directory < 0 || directory >= tiff_.PageCount()) return 1.0;
  const TiffPageInfo& info = tiff_.Pages()[size_t(directory)];
  if (info.xResolution <= 0 || info.yResolution <= 0) return 1.0;
  // A fax page of 204 x 98 dpi would look squashed without this. Upright, a transposed page's
  // rows run along its stored columns.
  const double aspect = info.Transposed() ? info.yResolution / info.xResolution
                                          : info.xResolution / info.yResolution;
  return std::clamp(aspect, 0.1, 10.0);
}

QSizeF ImageDocument::DisplaySize(int page) const {
  if (page < 1 || page > PageCount()) return {};
  const PageRef& ref = pages_[size_t(page - 1)];
  const QSize pixels = PixelSize(ref.directory);
  const QSizeF size(pixels.width(), pixels.height() * Aspect(ref.directory));
  return ref.rotation % 180 == 0 ? size : size.transposed();
}

DocumentResult ImageDocument::SetZoom(int percent) {
  if (percent < 1 || percent > kMaxZoom) return Fail(2049, QStringLiteral("Illegal magnification"));
  zoom_ = percent;
  return {};
}

double ImageDocument::FitScale(PageFit fit, const QSize& view) const {
  const QSizeF page = DisplaySize(current_);
  if (page.isEmpty() || view.isEmpty()) return 0;
  const double byWidth = view.width() / page.width();
  const double byHeight = view.height() / page.height();
  switch (fit) {
    case PageFit::Width: return byWidth;
    case PageFit::Height: return byHeight;
    case PageFit::Window: return std::min(byWidth, byHeight);
  }
  return 0;
}

DocumentResult ImageDocument::Rotate(int degrees) {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  if (degrees % 90 != 0) return Fail(2051, QStringLiteral("Illegal rotation angle"));
  if (current_ < 1) return Fail(2005, QStringLiteral("Page is not in memory"));
  PageRef& ref = pages_[size_t(current_ - 1)];
  ref.rotation = ((ref.rotation + degrees) % 360 + 360) % 360;
  return {};
}

DocumentResult ImageDocument::DeletePages(int first, int count) {
  if (count < 1) return Fail(2042, QStringLiteral("Illegal page range"));
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  if (first < 1 || first > PageCount() || count > PageCount() - first + 1)
    return Fail(2008, QStringLiteral("Illegal page number"));
  std::vector<int> pages;
  for (int i = 0; i < count; ++i) pages.push_back(first + i);
  return DeletePages(std::move(pages));
}

DocumentResult ImageDocument::DeletePages(std::vector<int> pages) {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  std::sort(pages.begin(), pages.end());
  pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
  if (pages.empty()) return Fail(2042, QStringLiteral("Illegal page range"));
  if (pages.front() < 1 || pages.back() > PageCount())
    return Fail(2008, QStringLiteral("Illegal page number"));
  int before = 0;  // deleted pages in front of the current one
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
    pages_.erase(pages_.begin() + (*it - 1));
    if (*it < current_) ++before;
  }
  // The page that followed a deleted current page takes its place; past the end, the last.
  current_ = std::clamp(current_ - before, pages_.empty() ? 0 : 1, PageCount());
  return {};
}

DocumentResult ImageDocument::Undo() {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  ResetPages();
  return {};
}

bool ImageDocument::HasUnsavedChanges() const {
  if (!IsLoaded()) return false;
  const int original = kind_ == Kind::Tiff ? tiff_.PageCount() : 1;
  if (PageCount() != original) return true;
  for (int i = 0; i < original; ++i)
    if (!(pages_[size_t(i)] == PageRef{i, 0})) return true;
  return false;
}

DocumentResult ImageDocument::Save() {
  if (!IsLoaded()) return Fail(2002, QStringLiteral("File is not opened"));
  if (pages_.empty()) return Fail(-2002, QStringLiteral("There are no pages left to write"));
  if (!HasUnsavedChanges()) return {};
  // A file marked read-only is the user's word that it must not change; a damaged page chain
  // would lose the pages past the damage.
  if (ChangedOnDisk()) return Fail(2063, QStringLiteral("Image file has been changed"));
  // The owner's write bit, not the effective access: an administrator's session can write anything.
  const bool markedReadOnly = !(QFileInfo(path_).permissions() & QFile::WriteOwner);
  if (readOnly_ || markedReadOnly)
    return Fail(2065, QStringLiteral("Image file has been opened in read only mode"));
  if (kind_ == Kind::Jpeg) return SaveJpeg();

  std::vector<TiffPageSource> sources;
  for (const PageRef& ref : pages_) sources.push_back({path_, ref.directory, ref.rotation});
  const TiffWriteResult written = WriteTiffPages(sources, path_);
  if (!written.Ok()) return Fail(written.code, written.description);
  const int page = current_;
  const QString path = path_;
  const DocumentResult reloaded = Load(path);
  if (!reloaded.Ok()) return reloaded;
  current_ = std::clamp(page, 1, PageCount());
  return {};
}

DocumentResult ImageDocument::SaveJpeg() {
  const QImage image = Rotated(decoded_, pages_.front().rotation);
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "JPG", 90) || !file.commit())
    return Fail(2011, QStringLiteral("Error writing to file: ") + file.errorString());
  // The picture in memory is the saved one now; no need to decode it again.
  decoded_ = image;
  pages_.front().rotation = 0;
  renderings_.clear();  // a kept unrotated rendering would show the picture as it was
  const QFileInfo saved(path_);
  loadedStamp_ = {saved.size(), saved.lastModified()};
  return {};
}

bool ImageDocument::ChangedOnDisk() const {
  const QFileInfo now(path_);
  return !now.exists() || FileStamp{now.size(), now.lastModified()} != loadedStamp_;
}

DocumentResult ImageDocument::WritePages(const std::vector<int>& pages, const QString& target) const {
  if (!IsLoaded()) return {2002, QStringLiteral("File is not opened")};
  if (pages.empty()) return {-2002, QStringLiteral("There are no pages to write")};
  for (int page : pages)
    if (page < 1 || page > PageCount()) return {2008, QStringLiteral("Illegal page number")};
  if (kind_ == Kind::Jpeg) {
    if (pages.size() != 1)
      return {2058, QStringLiteral("File format does not support multiple pages")};
    QSaveFile file(target);
    const QImage image = Rotated(decoded_, pages_.front().rotation);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "JPG", 90) || !file.commit())
      return {2011, QStringLiteral("Error writing to file: ") + file.errorString()};
    return {};
  }
  if (ChangedOnDisk()) return {2063, QStringLiteral("Image file has been changed")};
  std::vector<TiffPageSource> sources;
  for (int page : pages) {
    const PageRef& ref = pages_[size_t(page - 1)];
    sources.push_back({path_, ref.directory, ref.rotation});
  }
  const TiffWriteResult written = WriteTiffPages(sources, target);
  return {written.code, written.description};
}

QImage ImageDocument::CurrentImage() {
  if (!DecodeCurrent().Ok()) return {};
  return Rotated(decoded_, pages_[size_t(current_ - 1)].rotation);
}

DocumentResult ImageDocument::PageImage(int page, QImage* image, double* dpiX, double* dpiY) {
  *image = QImage();
  *dpiX = *dpiY = 0;
  if (!IsLoaded()) return {2002, QStringLiteral("File is not opened")};
  if (page < 1 || page > PageCount()) return {2008, QStringLiteral("Illegal page number")};
  const PageRef ref = pages_[size_t(page - 1)];
  QImage upright;
  if (ref.directory == decodedDirectory_ && !decoded_.isNull()) {
    upright = decoded_;  // shared, not copied
  } else if (kind_ == Kind::Tiff) {
    const TiffStatus status = tiff_.Decode(ref.directory, pixelBudget_, &upright);
    if (!status.Ok()) return {status.code, status.description};
    ++decodeCount_;
  } else {
    return {2005, QStringLiteral("Page is not in memory")};
  }
  double x = jpegDpiX_, y = jpegDpiY_;
  if (kind_ == Kind::Tiff) {
    const TiffPageInfo& info = tiff_.Pages()[size_t(ref.directory)];
    const double perInch = info.resolutionUnit == RESUNIT_INCH        ? 1.0
                           : info.resolutionUnit == RESUNIT_CENTIMETER ? 2.54
                                                                       : 0.0;
    x = (info.Transposed() ? info.yResolution : info.xResolution) * perInch;
    y = (info.Transposed() ? info.xResolution : info.yResolution) * perInch;
  }
  *image = Rotated(upright, ref.rotation);
  if (image->isNull()) return {2001, QStringLiteral("Not sufficient memory")};
  if (ref.rotation % 180 != 0) std::swap(x, y);
  *dpiX = x;
  *dpiY = y;
  return {};
}

ImageDocument::PageColours ImageDocument::Colours(int page) const {
  if (page < 1 || page > PageCount()) return PageColours::None;
  if (kind_ == Kind::Jpeg)
    return decoded_.format() == QImage::Format_Grayscale8 ? PageColours::Grey : PageColours::Colour;
  const TiffPageInfo& info = tiff_.Pages()[size_t(pages_[size_t(page - 1)].directory)];
  if (info.photometric == PHOTOMETRIC_PALETTE) return PageColours::Palette;
  if (info.photometric == PHOTOMETRIC_MINISWHITE || info.photometric == PHOTOMETRIC_MINISBLACK)
    return info.Bilevel() ? PageColours::Bilevel : PageColours::Grey;
  return PageColours::Colour;
}

QImage ImageDocument::RenderPage(double scale) {
  if (!std::isfinite(scale) || scale <= 0 || scale > kMaxZoom / 100.0) {
    Fail(2049, QStringLiteral("Illegal magnification"));
    return {};
  }
  if (!DecodeCurrent().Ok()) return {};
  const PageRef ref = pages_[size_t(current_ - 1)];
  for (size_t i = 0; i < renderings_.size(); ++i) {
    if (renderings_[i].page == ref && renderings_[i].scale == scale) {
      const auto hit = renderings_.begin() + std::ptrdiff_t(i);
      std::rotate(renderings_.begin(), hit, hit + 1);
      return renderings_.front().image;
    }
  }

  const QSize source = decoded_.size();
  const QSize target(std::max(1, int(std::lround(source.width() * scale))),
                     std::max(1, int(std::lround(source.height() * scale * Aspect(ref.directory)))));
  if (int64_t(target.width()) * target.height() > pixelBudget_) {
    Fail(2001, QStringLiteral("Not sufficient memory"));
    return {};
  }
  const bool bilevel = decoded_.format() == QImage::Format_Mono;
  QImage scaled;
  if (target == source) {
    scaled = decoded_;
  } else if (bilevel && target.width() <= source.width() && target.height() <= source.height()) {
    scaled = AreaAverageBilevel(decoded_, target);
  } else if (bilevel && target.width() >= source.width() && target.height() >= source.height()) {
    // Enlarged black and white stays sharp-edged.
    scaled = decoded_.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  } else {
    const QImage& from = bilevel ? decoded_.convertToFormat(QImage::Format_Grayscale8) : decoded_;
    scaled = from.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  if (scaled.isNull()) {
    Fail(2001, QStringLiteral("Not sufficient memory"));
    return {};
  }
  renderings_.insert(renderings_.begin(), {ref, scale, Rotated(scaled, ref.rotation)});
  qsizetype bytes = 0;
  for (size_t i = 0; i < renderings_.size(); ++i) {
    bytes += renderings_[i].image.sizeInBytes();
    if (i > 0 && (i >= kKeptRenderings || bytes > kKeptRenderingBytes)) {
      renderings_.resize(i);
      break;
    }
  }
  return renderings_.front().image;
}

namespace {

// Spreads the eight pixels of a source byte into the eight byte lanes of a word (pixel k of the
// byte into bits 8k..8k+7), so that adding spread words counts ink for eight columns at once.
struct LaneTables {
  uint64_t msb[256];
  uint64_t lsb[256];
  LaneTables() {
    for (int b = 0; b < 256; ++b) {
      msb[b] = lsb[b] = 0;
      for (int k = 0; k < 8; ++k) {
        if (b & (0x80 >> k)) msb[b] |= uint64_t(1) << (8 * k);
        if (b & (1 << k)) lsb[b] |= uint64_t(1) << (8 * k);
      }
    }
  }
};

}  // namespace

QImage AreaAverageBilevel(const QImage& source, const QSize& size) {
  const int width = source.width(), height = source.height();
  const int outWidth = size.width(), outHeight = size.height();
  if (outWidth < 1 || outHeight < 1 || outWidth > width || outHeight > height) return {};
  const bool lsb = source.format() == QImage::Format_MonoLSB;
  if (!lsb && source.format() != QImage::Format_Mono) return {};
  QImage out(outWidth, outHeight, QImage::Format_Grayscale8);
  if (out.isNull()) return {};
  const int grey0 = source.colorCount() > 0 ? qGray(source.color(0)) : 0;
  const int grey1 = source.colorCount() > 1 ? qGray(source.color(1)) : 255;
  static const LaneTables tables;
  const uint64_t* spread = lsb ? tables.lsb : tables.msb;

  // Each source column and row belongs to exactly one target column and row.
  std::vector<int> columnOf(static_cast<size_t>(width));
  std::vector<int> columnWidth(size_t(outWidth), 0);
  for (int x = 0; x < width; ++x) {
    columnOf[size_t(x)] = int(int64_t(x) * outWidth / width);
    ++columnWidth[size_t(columnOf[size_t(x)])];
  }
  const int bytes = (width + 7) / 8;
  // Where each target column starts: its ink is the running ink total at its right edge less
  // that at its left edge.
  std::vector<int> edge(static_cast<size_t>(outWidth) + 1, width);
  for (int x = width - 1; x >= 0; --x) edge[size_t(columnOf[size_t(x)])] = x;
  // The padding bits after the last pixel of a row are not the picture's.
  const int tail = width % 8;
  const uchar lastMask = tail == 0 ? uchar(0xFF) : lsb ? uchar((1 << tail) - 1) : uchar(0xFF << (8 - tail));

  // A target pixel is grey0 plus its share of ink times (grey1 - grey0), in 32-bit fixed point.
  // Target rows span one of at most two row counts, so two sets of weights serve them all.
  const int64_t base = (int64_t(grey0) << 32) + (int64_t(1) << 31);
  std::vector<int64_t> weights[2];
  int weightRows[2] = {0, 0};
  auto WeightsFor = [&](int rows) -> const std::vector<int64_t>& {
    for (int i = 0; i < 2; ++i)
      if (weightRows[i] == rows) return weights[i];
    const int slot = weightRows[0] == 0 ? 0 : 1;
    weightRows[slot] = rows;
    weights[slot].resize(size_t(outWidth));
    for (int ox = 0; ox < outWidth; ++ox) {
      const int64_t pixels = int64_t(columnWidth[size_t(ox)]) * rows;
      weights[slot][size_t(ox)] = (int64_t(grey1 - grey0) << 32) / pixels;
    }
    return weights[slot];
  };

  // Ink is counted per source column in byte lanes, at most kRows rows at a time so that even
  // the sum of a word's eight lanes fits in a lane. Multiplying a word by 0x0101... turns its
  // lanes into running sums, from which the ink in front of any column edge is read off.
  constexpr int kRows = 31;
  std::vector<uint64_t> counts(static_cast<size_t>(bytes), 0);
  // Entry b + 1 belongs to source byte b; entry 0 stands for nothing in front of the row.
  std::vector<uint32_t> before(static_cast<size_t>(bytes) + 1, 0);  // ink in the bytes in front
  std::vector<uint64_t> running(static_cast<size_t>(bytes) + 1, 0);
  // An edge at pixel 8b + k reads lane k - 1 of byte b; at k = 0, the whole of byte b - 1.
  struct Edge {
    int entry;
    int shift;
  };
  std::vector<Edge> edges(static_cast<size_t>(outWidth) + 1);
  for (size_t e = 0; e < edges.size(); ++e) {
    const int x = edge[e], k = x & 7;
    edges[e] = k == 0 ? Edge{x >> 3, 56} : Edge{(x >> 3) + 1, 8 * (k - 1)};
  }
  auto sum = [&] {
    uint32_t total = 0;
    for (int bx = 0; bx < bytes; ++bx) {
      const uint64_t lanes = counts[size_t(bx)] * 0x0101010101010101ull;
      counts[size_t(bx)] = 0;
      before[size_t(bx) + 1] = total;
      running[size_t(bx) + 1] = lanes;
      total += uint32_t(lanes >> 56);
    }
  };
  auto inkBefore = [&](const Edge& at) {
    return before[size_t(at.entry)] + uint32_t((running[size_t(at.entry)] >> at.shift) & 0xFF);
  };
  std::vector<uint32_t> ones(static_cast<size_t>(outWidth), 0);  // only for target rows over kRows
  const int wholeWords = (bytes - 1) / 8;  // the last byte is masked, so never in a whole word
  int y = 0;
  for (int oy = 0; oy < outHeight; ++oy) {
    const int yEnd = int((int64_t(oy + 1) * height + outHeight - 1) / outHeight);
    const int rows = yEnd - y;
    bool carried = false;
    int pending = 0;
    for (; y < yEnd; ++y) {
      const uchar* line = source.constScanLine(y);
      uint64_t* count = counts.data();
      for (int w = 0; w < wholeWords; ++w) {
        uint64_t word;
        std::memcpy(&word, line + size_t(w) * 8, 8);
        if (word == 0) continue;  // white is the common case on a document page
        uint64_t* at = count + size_t(w) * 8;
        const uchar* in = line + size_t(w) * 8;
        for (int i = 0; i < 8; ++i) at[i] += spread[in[i]];
      }
      for (int bx = wholeWords * 8; bx < bytes; ++bx) {
        const uchar b = bx == bytes - 1 ? uchar(line[bx] & lastMask) : line[bx];
        count[bx] += spread[b];
      }
      if (++pending == kRows && y + 1 < yEnd) {
        sum();
        uint32_t left = inkBefore(edges[0]);
        for (int ox = 0; ox < outWidth; ++ox) {
          const uint32_t right = inkBefore(edges[size_t(ox) + 1]);
          ones[size_t(ox)] += right - left;
          left = right;
        }
        carried = true;
        pending = 0;
      }
    }
    sum();
    const std::vector<int64_t>& weight = WeightsFor(rows);
    uchar* target = out.scanLine(oy);
    uint32_t left = inkBefore(edges[0]);
    for (int ox = 0; ox < outWidth; ++ox) {
      const uint32_t right = inkBefore(edges[size_t(ox) + 1]);
      uint32_t ink = right - left;
      left = right;
      if (carried) {
        ink += ones[size_t(ox)];
        ones[size_t(ox)] = 0;
      }
      target[ox] = uchar((base + int64_t(ink) * weight[size_t(ox)]) >> 32);
    }
  }
  out.setDotsPerMeterX(source.dotsPerMeterX() * outWidth / std::max(1, width));
  out.setDotsPerMeterY(source.dotsPerMeterY() * outHeight / std::max(1, height));
  return out;
}

}  // namespace pyxa
