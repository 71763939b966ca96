#include "document/ImageDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSaveFile>
#include <QTransform>

#include <algorithm>
#include <bit>
#include <cmath>

#include "document/TiffPageWriter.h"

namespace pyxa {

namespace {

bool LooksLikeJpeg(const QByteArray& head) {
  return head.size() >= 3 && uchar(head[0]) == 0xFF && uchar(head[1]) == 0xD8 &&
         uchar(head[2]) == 0xFF;
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
  readOnly_ = false;
  tiff_.Close();
  pages_.clear();
  current_ = 0;
  decodedDirectory_ = -1;
  decoded_ = QImage();
  renderedPage_ = {-1, 0};
  rendered_ = QImage();
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
  return {info.width, info.height};
}

double ImageDocument::Aspect(int directory) const {
  if (kind_ != Kind::Tiff || directory < 0 || directory >= tiff_.PageCount()) return 1.0;
  const TiffPageInfo& info = tiff_.Pages()[size_t(directory)];
  if (info.xResolution <= 0 || info.yResolution <= 0) return 1.0;
  // A fax page of 204 x 98 dpi would look squashed without this.
  return std::clamp(info.xResolution / info.yResolution, 0.1, 10.0);
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
  if (readOnly_)
    return Fail(2065, QStringLiteral("Image file has been opened in read only mode"));
  if (ChangedOnDisk()) return Fail(2063, QStringLiteral("Image file has been changed"));
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

QImage ImageDocument::RenderPage(double scale) {
  if (!std::isfinite(scale) || scale <= 0 || scale > kMaxZoom / 100.0) {
    Fail(2049, QStringLiteral("Illegal magnification"));
    return {};
  }
  if (!DecodeCurrent().Ok()) return {};
  const PageRef ref = pages_[size_t(current_ - 1)];
  if (ref == renderedPage_ && scale == renderedScale_ && !rendered_.isNull()) return rendered_;

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
  rendered_ = Rotated(scaled, ref.rotation);
  renderedPage_ = ref;
  renderedScale_ = scale;
  return rendered_;
}

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

  // Each source column and row belongs to exactly one target column and row.
  std::vector<int> columnOf(static_cast<size_t>(width));
  std::vector<int> columnWidth(size_t(outWidth), 0);
  for (int x = 0; x < width; ++x) {
    columnOf[size_t(x)] = int(int64_t(x) * outWidth / width);
    ++columnWidth[size_t(columnOf[size_t(x)])];
  }
  // Each whole source byte splits into runs of bits that share a target column; a run's ink is
  // one popcount, so a byte costs a few operations instead of eight.
  struct Run {
    int column;
    uchar mask;
  };
  const int fullBytes = width / 8;
  std::vector<Run> runs;
  std::vector<int> firstRun(static_cast<size_t>(fullBytes) + 1, 0);
  for (int bx = 0; bx < fullBytes; ++bx) {
    firstRun[size_t(bx)] = int(runs.size());
    for (int k = 0; k < 8; ++k) {
      const int column = columnOf[size_t(bx) * 8 + size_t(k)];
      const uchar bit = uchar(lsb ? (1 << k) : (0x80 >> k));
      if (k > 0 && runs.back().column == column)
        runs.back().mask = uchar(runs.back().mask | bit);
      else
        runs.push_back({column, bit});
    }
  }
  firstRun[size_t(fullBytes)] = int(runs.size());

  std::vector<uint32_t> ones(static_cast<size_t>(outWidth));
  int y = 0;
  for (int oy = 0; oy < outHeight; ++oy) {
    const int yEnd = int((int64_t(oy + 1) * height + outHeight - 1) / outHeight);
    std::fill(ones.begin(), ones.end(), 0u);
    const int rows = yEnd - y;
    for (; y < yEnd; ++y) {
      const uchar* line = source.constScanLine(y);
      for (int bx = 0; bx < fullBytes; ++bx) {
        const uchar bits = line[bx];
        if (bits == 0) continue;
        for (int r = firstRun[size_t(bx)]; r < firstRun[size_t(bx) + 1]; ++r) {
          const Run& run = runs[size_t(r)];
          ones[size_t(run.column)] += uint32_t(std::popcount(uint32_t(bits & run.mask)));
        }
      }
      for (int x = fullBytes * 8; x < width; ++x) {
        const int k = x % 8;
        if (line[x / 8] & (lsb ? (1 << k) : (0x80 >> k))) ++ones[size_t(columnOf[size_t(x)])];
      }
    }
    uchar* target = out.scanLine(oy);
    for (int ox = 0; ox < outWidth; ++ox) {
      const uint64_t n = uint64_t(columnWidth[size_t(ox)]) * uint64_t(rows);
      const uint64_t set = ones[size_t(ox)];
      target[ox] = uchar((set * uint64_t(grey1) + (n - set) * uint64_t(grey0) + n / 2) / n);
    }
  }
  out.setDotsPerMeterX(source.dotsPerMeterX() * outWidth / std::max(1, width));
  out.setDotsPerMeterY(source.dotsPerMeterY() * outHeight / std::max(1, height));
  return out;
}

}  // namespace pyxa
