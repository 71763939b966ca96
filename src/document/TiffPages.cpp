#include "document/TiffPages.h"

#include <cmath>

#include <optional>

#include <QFile>
#include <QFileInfo>
#include <QTransform>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unordered_set>

namespace pyxa {

namespace {

// libtiff may ask for no single block larger than this; a bigger strip or tile is damage.
constexpr tmsize_t kMaxSingleAlloc = tmsize_t(512) * 1024 * 1024;
constexpr int kMaxSide = 1'000'000;

TiffStatus Fail(int code, const QString& description) { return {code, description}; }

}  // namespace

struct TiffPages::Handle {
  TIFF* tif = nullptr;
  TIFFOpenOptions* options = nullptr;
  bool errorSeen = false;
  QString firstError;

  ~Handle() {
    if (tif) TIFFClose(tif);
    if (options) TIFFOpenOptionsFree(options);
  }

  // Keeps libtiff's complaints: the first error explains a failure, warnings are dropped.
  static int OnError(TIFF*, void* self, const char* module, const char* format, va_list args) {
    auto* handle = static_cast<Handle*>(self);
    if (!handle->errorSeen) {
      char text[512];
      std::vsnprintf(text, sizeof text, format, args);
      handle->firstError = QString::fromUtf8(module ? module : "") + QStringLiteral(": ") +
                           QString::fromUtf8(text);
    }
    handle->errorSeen = true;
    return 1;
  }
  static int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

  QString TakeError(const QString& fallback) {
    QString text = firstError.isEmpty() ? fallback : firstError;
    errorSeen = false;
    firstError.clear();
    return text;
  }
};

bool LooksLikeTiff(const QByteArray& head) {
  if (head.size() < 4) return false;
  const char* b = head.constData();
  if (b[0] == 'I' && b[1] == 'I' && b[3] == 0) return b[2] == 42 || b[2] == 43;
  if (b[0] == 'M' && b[1] == 'M' && b[2] == 0) return b[3] == 42 || b[3] == 43;
  return false;
}

TiffPages::TiffPages() = default;
TiffPages::~TiffPages() = default;
TiffPages::TiffPages(TiffPages&&) noexcept = default;
TiffPages& TiffPages::operator=(TiffPages&&) noexcept = default;

bool TiffPages::IsOpen() const { return handle_ && handle_->tif; }

void TiffPages::Close() {
  handle_.reset();
  pages_.clear();
  damaged_ = false;
}

namespace {

TiffPageInfo ReadInfo(TIFF* tif) {
  TiffPageInfo info;
  info.offset = TIFFCurrentDirOffset(tif);
  uint32_t width = 0, height = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  info.width = width > 0x7fffffffu ? 0 : int(width);
  info.height = height > 0x7fffffffu ? 0 : int(height);
  uint16_t value = 0;
  if (TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &value)) info.compression = value;
  if (TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &value)) info.bitsPerSample = value;
  if (TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &value)) info.samplesPerPixel = value;
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &value)) info.photometric = value;
  if (TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &value)) info.resolutionUnit = value;
  if (TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &value)) info.orientation = value;
  float resolution = 0;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &resolution) && resolution > 0 && resolution < 1e6f)
    info.xResolution = resolution;
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &resolution) && resolution > 0 && resolution < 1e6f)
    info.yResolution = resolution;
  info.tiled = TIFFIsTiled(tif) != 0;
  return info;
}

// Reads page directories straight from the file: a page's size, coding and resolution, and the
// pointer to the next directory. libtiff's TIFFReadDirectory costs far more per page, and a page
// is only read through libtiff when it is shown.
class DirectoryReader {
 public:
  explicit DirectoryReader(QFile& file) : file_(file), size_(uint64_t(file.size())) {
    const QByteArray header = ReadAt(0, 4);
    bigEndian_ = header.size() == 4 && header[0] == 'M';
    bigTiff_ = header.size() == 4 && (bigEndian_ ? header[3] : header[2]) == 43;
  }

  // Parses the directory at offset into info and next; false when it does not fit in the file
  // or lacks the page size, which libtiff would refuse as well.
  bool Read(uint64_t offset, TiffPageInfo* info, uint64_t* next) {
    const int countBytes = bigTiff_ ? 8 : 2, entryBytes = bigTiff_ ? 20 : 12, nextBytes = bigTiff_ ? 8 : 4;
    const QByteArray count = ReadAt(offset, countBytes);
    if (count.size() != countBytes) return false;
    const uint64_t entries = Number(count.constData(), countBytes);
    if (entries == 0 || entries > 0xFFFF) return false;
    const qint64 bodyBytes = qint64(entries) * entryBytes + nextBytes;
    const QByteArray body = ReadAt(offset + uint64_t(countBytes), bodyBytes);
    if (body.size() != bodyBytes) return false;
    *next = Number(body.constData() + entries * uint64_t(entryBytes), nextBytes);
    *info = TiffPageInfo();
    info->offset = offset;
    bool width = false, height = false;
    for (uint64_t i = 0; i < entries; ++i) {
      const char* entry = body.constData() + i * uint64_t(entryBytes);
      const auto tag = uint16_t(Number(entry, 2));
      const auto type = uint16_t(Number(entry + 2, 2));
      const uint64_t values = bigTiff_ ? Number(entry + 4, 8) : Number(entry + 4, 4);
      const char* value = entry + (bigTiff_ ? 12 : 8);
      switch (tag) {
        case TIFFTAG_IMAGEWIDTH: width = Integer(type, values, value, &info->width); break;
        case TIFFTAG_IMAGELENGTH: height = Integer(type, values, value, &info->height); break;
        case TIFFTAG_COMPRESSION: Integer(type, values, value, &info->compression); break;
        case TIFFTAG_BITSPERSAMPLE: Integer(type, values, value, &info->bitsPerSample); break;
        case TIFFTAG_SAMPLESPERPIXEL: Integer(type, values, value, &info->samplesPerPixel); break;
        case TIFFTAG_PHOTOMETRIC: Integer(type, values, value, &info->photometric); break;
        case TIFFTAG_RESOLUTIONUNIT: Integer(type, values, value, &info->resolutionUnit); break;
        case TIFFTAG_XRESOLUTION: info->xResolution = Rational(type, values, value); break;
        case TIFFTAG_YRESOLUTION: info->yResolution = Rational(type, values, value); break;
        case TIFFTAG_ORIENTATION: Integer(type, values, value, &info->orientation); break;
        case TIFFTAG_TILEWIDTH: info->tiled = true; break;
        default: break;
      }
    }
    // libtiff ignores an Orientation outside 1-8, and so do we.
    if (info->orientation < ORIENTATION_TOPLEFT || info->orientation > ORIENTATION_LEFTBOT)
      info->orientation = ORIENTATION_TOPLEFT;
    return width && height;
  }

 private:
  uint64_t Number(const char* bytes, int size) const {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i) value = (value << 8) | uchar(bytes[bigEndian_ ? i : size - 1 - i]);
    return value;
  }

  // The first value of a SHORT or LONG field; false for any other kind.
  bool Integer(uint16_t type, uint64_t values, const char* value, int* out) {
    if (values == 0) return false;
    const int size = type == TIFF_SHORT ? 2 : type == TIFF_LONG ? 4 : type == TIFF_LONG8 ? 8 : 0;
    if (size == 0) return false;
    uint64_t number = 0;
    if (values * uint64_t(size) <= uint64_t(bigTiff_ ? 8 : 4)) {
      number = Number(value, size);
    } else {
      const QByteArray stored = ReadAt(Number(value, bigTiff_ ? 8 : 4), size);
      if (stored.size() != size) return false;
      number = Number(stored.constData(), size);
    }
    *out = number > 0x7fffffffu ? 0 : int(number);
    return true;
  }

  // A RATIONAL resolution as libtiff hands it out (a float); 0 when absent or unusable.
  double Rational(uint16_t type, uint64_t values, const char* value) {
    if (type != TIFF_RATIONAL || values == 0) return 0;
    const QByteArray stored = bigTiff_ ? QByteArray(value, 8) : ReadAt(Number(value, 4), 8);
    if (stored.size() != 8) return 0;
    const uint64_t numerator = Number(stored.constData(), 4);
    const uint64_t denominator = Number(stored.constData() + 4, 4);
    if (denominator == 0) return 0;
    const float resolution = float(double(numerator) / double(denominator));
    return resolution > 0 && resolution < 1e6f ? resolution : 0;
  }

  // Reads through a one-block cache: a directory and the values it points to usually lie
  // together, so most pages cost one read.
  QByteArray ReadAt(uint64_t offset, qint64 length) {
    if (length < 0 || offset > size_ || uint64_t(length) > size_ - offset) return {};
    if (offset < blockStart_ || offset + uint64_t(length) > blockStart_ + uint64_t(block_.size())) {
      blockStart_ = offset;
      block_.resize(qsizetype(std::max<qint64>(length, kBlock)));
      // One pread per block: the directories of a long file are spread over the whole of it.
      const ssize_t got = ::pread(file_.handle(), block_.data(), size_t(block_.size()), off_t(offset));
      block_.resize(got > 0 ? qsizetype(got) : 0);
      if (block_.size() < length) return {};
    }
    return block_.mid(qsizetype(offset - blockStart_), qsizetype(length));
  }

  static constexpr qint64 kBlock = 1024;
  QFile& file_;
  uint64_t size_;
  bool bigEndian_ = false;
  bool bigTiff_ = false;
  uint64_t blockStart_ = 0;
  QByteArray block_;
};

}  // namespace

TiffStatus TiffPages::Open(const QString& path) {
  Close();
  QFileInfo fileInfo(path);
  if (path.isEmpty() || !fileInfo.exists()) return Fail(2048, QStringLiteral("File does not exist"));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    return Fail(2003, QStringLiteral("Error opening file. File is in use."));
  if (file.size() == 0) return Fail(2024, QStringLiteral("Illegal tif header: the file is empty"));
  if (!LooksLikeTiff(file.read(4))) return Fail(2024, QStringLiteral("Illegal tif header"));

  auto handle = std::make_unique<Handle>();
  handle->options = TIFFOpenOptionsAlloc();
  if (!handle->options) return Fail(2001, QStringLiteral("Not sufficient memory"));
  TIFFOpenOptionsSetMaxSingleMemAlloc(handle->options, kMaxSingleAlloc);
  TIFFOpenOptionsSetErrorHandlerExtR(handle->options, &Handle::OnError, handle.get());
  TIFFOpenOptionsSetWarningHandlerExtR(handle->options, &Handle::OnWarning, handle.get());
  // "m": read, never map. A mapped file that another process shortens would kill us with SIGBUS.
  handle->tif = TIFFOpenExt(QFile::encodeName(path).constData(), "rm", handle->options);
  if (!handle->tif)
    return Fail(2024, handle->TakeError(QStringLiteral("Illegal tif header")));

  // The first page as libtiff read it; the rest of the chain is walked from the raw directories
  // and stops, as damage, at a directory that does not fit in the file, at a loop, or at the cap.
  std::vector<TiffPageInfo> pages{ReadInfo(handle->tif)};
  DirectoryReader reader(file);
  TiffPageInfo info;
  uint64_t next = 0;
  std::unordered_set<uint64_t> seen{pages.front().offset};
  if (!reader.Read(pages.front().offset, &info, &next)) next = 0;
  while (next != 0) {
    if (int(pages.size()) >= kMaxPages || !seen.insert(next).second || !reader.Read(next, &info, &next)) {
      damaged_ = true;
      break;
    }
    pages.push_back(info);
  }
  handle->TakeError(QString());
  handle_ = std::move(handle);
  pages_ = std::move(pages);
  return {};
}

namespace {

// Reads the decoded rows of a chunky (one plane) page straight into the image's scan lines.
TiffStatus ReadRows(TIFF* tif, const TiffPageInfo& info, int bitsPerPixel, QImage* image) {
  const auto rowBytes = (int64_t(info.width) * bitsPerPixel + 7) / 8;
  if (info.tiled) {
    uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const tmsize_t tileSize = TIFFTileSize(tif);
    const tmsize_t tileRow = TIFFTileRowSize(tif);
    if (tileWidth == 0 || tileHeight == 0 || tileSize <= 0 || tileRow <= 0 ||
        (int64_t(tileWidth) * bitsPerPixel) % 8 != 0 || int64_t(tileHeight) * tileRow > tileSize)
      return Fail(2025, QStringLiteral("Current page is corrupted"));
    std::vector<uint8_t> buffer(size_t(tileSize), 0);
    for (uint32_t y = 0; y < uint32_t(info.height); y += tileHeight) {
      for (uint32_t x = 0; x < uint32_t(info.width); x += tileWidth) {
        if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), buffer.data(), tileSize) < 0)
          return Fail(2026, QStringLiteral("Image decompression error"));
        const int64_t left = int64_t(x) * bitsPerPixel / 8;
        const int64_t bytes = std::min<int64_t>(tileRow, rowBytes - left);
        const uint32_t rows = std::min<uint32_t>(tileHeight, uint32_t(info.height) - y);
        for (uint32_t r = 0; r < rows; ++r)
          std::memcpy(image->scanLine(int(y + r)) + left, buffer.data() + size_t(r) * size_t(tileRow),
                      size_t(bytes));
      }
    }
    return {};
  }

  uint32_t rowsPerStrip = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, uint32_t(info.height));
  const tmsize_t scanline = TIFFScanlineSize(tif);
  const uint32_t strips = (uint32_t(info.height) + rowsPerStrip - 1) / rowsPerStrip;
  if (scanline < rowBytes || TIFFNumberOfStrips(tif) < strips)
    return Fail(2025, QStringLiteral("Current page is corrupted"));
  // Rows usually pack tighter than the image's 4-byte-aligned lines: a strip is decoded straight
  // into the image and its rows then moved apart in place, last first, so no second page-sized
  // buffer is touched.
  const tmsize_t stride = image->bytesPerLine();
  const bool inPlace = scanline <= stride;
  std::vector<uint8_t> buffer(inPlace ? 0 : size_t(scanline) * rowsPerStrip);
  for (uint32_t strip = 0; strip < strips; ++strip) {
    const uint32_t first = strip * rowsPerStrip;
    const uint32_t rows = std::min(rowsPerStrip, uint32_t(info.height) - first);
    const tmsize_t wanted = tmsize_t(rows) * scanline;
    uint8_t* target = inPlace ? image->scanLine(int(first)) : buffer.data();
    if (TIFFReadEncodedStrip(tif, strip, target, wanted) < 0)
      return Fail(2026, QStringLiteral("Image decompression error"));
    if (inPlace && scanline < stride) {
      for (uint32_t r = rows; r-- > 1;)
        std::memmove(target + size_t(r) * size_t(stride), target + size_t(r) * size_t(scanline),
                     size_t(rowBytes));
    } else if (!inPlace) {
      for (uint32_t r = 0; r < rows; ++r)
        std::memcpy(image->scanLine(int(first + r)), buffer.data() + size_t(r) * size_t(scanline),
                    size_t(rowBytes));
    }
  }
  return {};
}

void SetColourTable(TIFF* tif, int bits, QImage* image) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  QList<QRgb> table;
  const int entries = 1 << bits;
  if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
    // Some writers store 8-bit values in the 16-bit map; such a map never exceeds 255.
    bool eightBit = true;
    for (int i = 0; i < entries; ++i)
      if (red[i] > 255 || green[i] > 255 || blue[i] > 255) eightBit = false;
    const int shift = eightBit ? 0 : 8;
    for (int i = 0; i < entries; ++i)
      table.append(qRgb(red[i] >> shift, green[i] >> shift, blue[i] >> shift));
  } else {
    for (int i = 0; i < entries; ++i) table.append(qRgb(i, i, i));
  }
  image->setColorTable(table);
}

// Resolution of the upright page: a transposed page's rows were its columns.
void SetResolution(const TiffPageInfo& info, QImage* image) {
  const double perMetre = info.resolutionUnit == RESUNIT_CENTIMETER ? 100.0
                          : info.resolutionUnit == RESUNIT_INCH     ? 100.0 / 2.54
                                                                    : 0.0;
  if (perMetre <= 0) return;
  const double x = info.Transposed() ? info.yResolution : info.xResolution;
  const double y = info.Transposed() ? info.xResolution : info.yResolution;
  if (x > 0) image->setDotsPerMeterX(int(x * perMetre + 0.5));
  if (y > 0) image->setDotsPerMeterY(int(y * perMetre + 0.5));
}

// Turns a raster read in stored order into the page as it is meant to be seen. libtiff's RGBA
// reader only flips (it never transposes orientations 5 to 8) and the direct paths have nothing
// of the kind, so every path is read in stored order and turned here.
QImage Upright(QImage stored, int orientation) {
  const QTransform quarter = QTransform().rotate(90);  // clockwise on screen
  switch (orientation) {
    case ORIENTATION_TOPRIGHT: return std::move(stored).mirrored(true, false);
    case ORIENTATION_BOTRIGHT: return std::move(stored).mirrored(true, true);
    case ORIENTATION_BOTLEFT: return std::move(stored).mirrored(false, true);
    case ORIENTATION_LEFTTOP: return stored.transformed(quarter).mirrored(true, false);
    case ORIENTATION_RIGHTTOP: return stored.transformed(quarter);
    case ORIENTATION_RIGHTBOT: return stored.transformed(quarter).mirrored(false, true);
    case ORIENTATION_LEFTBOT: return stored.transformed(QTransform().rotate(270));
    default: return stored;
  }
}

// libtiff's name for a compression, or its number when libtiff has never heard of it.
QString CompressionName(int compression) {
  const TIFFCodec* codec = TIFFFindCODEC(uint16_t(compression));
  return codec && codec->name ? QString::fromUtf8(codec->name)
                              : QStringLiteral("compression number %1").arg(compression);
}

// CCITT coding may switch to uncompressed mode, which libtiff does not decode: it reports the
// row and carries on, leaving the row blank, so the read itself succeeds. A page whose options
// allow the mode, or whose read libtiff reported it in, cannot be shown as it is.
bool UsesFaxUncompressedMode(TIFF* tif, int compression, const QString& firstError) {
  uint32_t options = 0;
  if (compression == COMPRESSION_CCITTFAX3) TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options);
  else if (compression == COMPRESSION_CCITTFAX4) TIFFGetField(tif, TIFFTAG_GROUP4OPTIONS, &options);
  else return false;
  return (options & GROUP3OPT_UNCOMPRESSED) != 0 ||
         firstError.contains(QStringLiteral("Uncompressed data"), Qt::CaseInsensitive);
}

}  // namespace

TiffStatus TiffPages::Decode(int index, int64_t maxPixels, QImage* image) {
  *image = QImage();
  if (!IsOpen()) return Fail(2002, QStringLiteral("File is not opened"));
  if (index < 0 || index >= PageCount()) return Fail(2008, QStringLiteral("Illegal page number"));
  const TiffPageInfo& info = pages_[size_t(index)];
  // Checked on our own reading of the directory, and again on libtiff's before decoding.
  auto unusable = [&]() -> std::optional<TiffStatus> {
    if (info.width <= 0 || info.height <= 0) return Fail(2025, QStringLiteral("Current page is corrupted"));
    // A side beyond a million pixels is no document page, and would make every row buffer huge.
    if (info.Pixels() > maxPixels || info.width > kMaxSide || info.height > kMaxSide)
      return Fail(2001, QStringLiteral("Not sufficient memory: the page has %1 x %2 pixels")
                            .arg(info.width)
                            .arg(info.height));
    return std::nullopt;
  };
  if (auto failure = unusable()) return *failure;
  TIFF* tif = handle_->tif;
  handle_->TakeError(QString());
  if (!TIFFSetSubDirectory(tif, pages_[size_t(index)].offset))
    return Fail(2025, handle_->TakeError(QStringLiteral("Current page is corrupted")));
  // libtiff's reading of the directory (with its defaults and repairs) is the one to decode by.
  pages_[size_t(index)] = ReadInfo(tif);
  if (auto failure = unusable()) return *failure;

  if (info.compression != COMPRESSION_NONE && !TIFFIsCODECConfigured(uint16_t(info.compression)))
    return Fail(2026, QStringLiteral("Image decompression error: the page is compressed with %1, which "
                                     "the installed TIFF library cannot decode")
                          .arg(CompressionName(info.compression)));

  uint16_t planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  const bool chunky = planar == PLANARCONFIG_CONTIG || info.samplesPerPixel == 1;
  const int photometric = info.photometric;
  const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;

  QImage::Format format = QImage::Format_Invalid;
  int bitsPerPixel = 0;
  if (chunky && info.samplesPerPixel == 1 && info.bitsPerSample == 1 && grey) {
    format = QImage::Format_Mono;
    bitsPerPixel = 1;
  } else if (chunky && info.samplesPerPixel == 1 && info.bitsPerSample == 8 && grey) {
    format = QImage::Format_Grayscale8;
    bitsPerPixel = 8;
  } else if (chunky && info.samplesPerPixel == 1 && info.bitsPerSample == 8 &&
             photometric == PHOTOMETRIC_PALETTE) {
    format = QImage::Format_Indexed8;
    bitsPerPixel = 8;
  } else if (chunky && info.samplesPerPixel == 3 && info.bitsPerSample == 8 &&
             (photometric == PHOTOMETRIC_RGB ||
              (photometric == PHOTOMETRIC_YCBCR && info.compression == COMPRESSION_JPEG))) {
    // libjpeg turns YCbCr into RGB for us, whatever the subsampling.
    if (photometric == PHOTOMETRIC_YCBCR) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    format = QImage::Format_RGB888;
    bitsPerPixel = 24;
  }

  // Only what the pixel read itself reports counts from here on.
  handle_->TakeError(QString());
  TiffStatus status;
  QImage decoded;
  if (format != QImage::Format_Invalid) {
    decoded = QImage(info.width, info.height, format);
    if (decoded.isNull()) return Fail(2001, QStringLiteral("Not sufficient memory"));
    if (format == QImage::Format_Mono) {
      const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
      decoded.setColorTable(photometric == PHOTOMETRIC_MINISWHITE ? QList<QRgb>{white, black}
                                                                  : QList<QRgb>{black, white});
    } else if (format == QImage::Format_Indexed8) {
      SetColourTable(tif, 8, &decoded);
    }
    status = ReadRows(tif, info, bitsPerPixel, &decoded);
    if (status.Ok() && handle_->errorSeen &&
        UsesFaxUncompressedMode(tif, info.compression, handle_->firstError)) {
      handle_->TakeError(QString());
      return Fail(2026, QStringLiteral("Image decompression error: the page is a CCITT Group %1 fax that "
                                       "uses uncompressed mode, which the installed TIFF library cannot "
                                       "decode")
                            .arg(info.compression == COMPRESSION_CCITTFAX3 ? 3 : 4));
    }
    if (status.Ok() && format == QImage::Format_Grayscale8 && photometric == PHOTOMETRIC_MINISWHITE)
      decoded.invertPixels();
  } else {
    char message[1024] = {};
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&rgba, tif, 0, message))
      return Fail(2029, QStringLiteral("Not supported Bits Per Sample value: ") +
                            QString::fromUtf8(message));
    struct End {
      TIFFRGBAImage* rgba;
      ~End() { TIFFRGBAImageEnd(rgba); }
    } end{&rgba};
    // libtiff multiplies unassociated alpha in, except for 8-bit grey in one plane, which it
    // passes through as it is; associated alpha is premultiplied already.
    const bool straight = rgba.alpha == EXTRASAMPLE_UNASSALPHA && rgba.isContig &&
                          rgba.bitspersample == 8 && rgba.samplesperpixel == 2 && grey;
    decoded = QImage(info.width, info.height,
                     straight ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied);
    if (decoded.isNull()) return Fail(2001, QStringLiteral("Not sufficient memory"));
    // Asked for the page's own orientation, libtiff leaves the rows in stored order (Upright
    // turns them below). It packs R in the low byte; QImage keeps B there, hence the swap.
    rgba.req_orientation = rgba.orientation;
    if (!TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t*>(decoded.bits()), uint32_t(info.width),
                          uint32_t(info.height)))
      status = Fail(2026, QStringLiteral("Image decompression error"));
    else
      decoded = std::move(decoded).rgbSwapped();
  }
  if (!status.Ok()) {
    status.description = handle_->TakeError(status.description);
    return status;
  }
  if (info.orientation != ORIENTATION_TOPLEFT) {
    decoded = Upright(std::move(decoded), info.orientation);
    if (decoded.isNull()) return Fail(2001, QStringLiteral("Not sufficient memory"));
  }
  SetResolution(info, &decoded);
  *image = std::move(decoded);
  return {};
}

namespace {

int DotsPerInch(double value, int unit) {
  if (value <= 0 || !std::isfinite(value)) return 0;
  return int(std::lround(unit == 3 ? value * 2.54 : value));
}

}  // namespace

int TiffPageInfo::XDpi() const { return DotsPerInch(xResolution, resolutionUnit); }
int TiffPageInfo::YDpi() const { return DotsPerInch(yResolution, resolutionUnit); }

}  // namespace pyxa
