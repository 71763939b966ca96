// Page copying and rotation into a new multi-page TIFF, written beside the target and renamed.
#include "document/TiffPageWriter.h"

#include "document/TiffAppendFile.h"
#include "document/TiffPages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pyxa {
namespace {

constexpr int kReadError = 2004;
constexpr int kFileNotOpened = -2002;
constexpr int kIllegalPage = 2008;
constexpr int kWriteError = 2011;
constexpr int kDecompressionError = 2026;
constexpr int kUnsupportedBits = 2029;
constexpr int kCompressionError = 2046;
constexpr int kIllegalRotation = 2051;
constexpr int kJpegQuality = 90;
// Past this estimate the output needs 64-bit offsets (BigTIFF).
constexpr std::uint64_t kClassicTiffLimit = 0xF0000000ULL;

QString ViewerText(int code) {
  switch (code) {
    case kReadError:
      return QStringLiteral("Read file error");
    case kFileNotOpened:
      return QStringLiteral("File is not opened");
    case kIllegalPage:
      return QStringLiteral("Illegal page number");
    case kWriteError:
      return QStringLiteral("Error writing to file");
    case kDecompressionError:
      return QStringLiteral("Image decompression error");
    case kUnsupportedBits:
      return QStringLiteral("Not supported Bits Per Sample value");
    case kCompressionError:
      return QStringLiteral("Image compression error");
    case kIllegalRotation:
      return QStringLiteral("Illegal rotation angle");
    default:
      return QString();
  }
}

TiffWriteResult Fail(int code, const QString& detail) {
  TiffWriteResult result;
  result.code = code;
  result.description = detail.isEmpty() ? ViewerText(code) : ViewerText(code) + QStringLiteral(": ") + detail;
  return result;
}

// libtiff reports through callbacks; each handle keeps its last error text instead of printing it.
struct TiffLog {
  std::string lastError;
};

int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  auto* log = static_cast<TiffLog*>(user);
  log->lastError = module ? std::string(module) + ": " + text : std::string(text);
  return 1;
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffDeleter>;

std::unique_ptr<TIFFOpenOptions, OptionsDeleter> MakeOptions(TiffLog* log) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, log);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, log);
  return options;
}

// One open handle per source path for the whole write.
class SourceCache {
 public:
  struct Source {
    TiffLog log;
    TiffPtr tiff;
  };

  Source* Open(const QString& path) {
    auto found = sources_.find(path);
    if (found != sources_.end()) return found->second.get();
    auto source = std::make_unique<Source>();
    auto options = MakeOptions(&source->log);
    source->tiff.reset(TIFFOpenExt(QFile::encodeName(path).constData(), "r", options.get()));
    if (!source->tiff) return nullptr;
    return sources_.emplace(path, std::move(source)).first->second.get();
  }

 private:
  std::map<QString, std::unique_ptr<Source>> sources_;
};

// The temporary output file: our own I/O procs remember whether the disk refused a write, which tells
// a write failure (2011) apart from an encoder failure (2046).
struct OutputFile {
  int fd = -1;
  TiffIoState io;
};

tmsize_t OutRead(thandle_t h, void* data, tmsize_t size) {
  auto* out = static_cast<OutputFile*>(h);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(out->fd, static_cast<char*>(data) + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

tmsize_t OutWrite(thandle_t h, void* data, tmsize_t size) {
  auto* out = static_cast<OutputFile*>(h);
  tmsize_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(out->fd, static_cast<const char*>(data) + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      out->io = {true, n < 0 ? errno : ENOSPC};
      return -1;
    }
    done += n;
  }
  return done;
}

toff_t OutSeek(thandle_t h, toff_t offset, int whence) {
  auto* out = static_cast<OutputFile*>(h);
  const off_t pos = ::lseek(out->fd, static_cast<off_t>(offset), whence);
  if (pos < 0) {
    out->io = {true, errno};
    return static_cast<toff_t>(-1);
  }
  return static_cast<toff_t>(pos);
}

int OutClose(thandle_t) { return 0; }  // the writer closes the descriptor itself, after fsync

toff_t OutSize(thandle_t h) {
  struct stat st {};
  return ::fstat(static_cast<OutputFile*>(h)->fd, &st) == 0 ? static_cast<toff_t>(st.st_size) : 0;
}

int OutMap(thandle_t, void**, toff_t*) { return 0; }
void OutUnmap(thandle_t, void*, toff_t) {}

QString SysText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

template <typename T>
void CopyOne(TIFF* in, TIFF* out, ttag_t tag) {
  T value{};
  if (TIFFGetField(in, tag, &value)) TIFFSetField(out, tag, value);
}

void CopyText(TIFF* in, TIFF* out, ttag_t tag) {
  char* text = nullptr;
  if (TIFFGetField(in, tag, &text) && text) TIFFSetField(out, tag, text);
}

void CopyCounted32(TIFF* in, TIFF* out, ttag_t tag) {
  std::uint32_t count = 0;
  void* data = nullptr;
  if (TIFFGetField(in, tag, &count, &data) && count > 0 && data) TIFFSetField(out, tag, count, data);
}

bool HasField(TIFF* tif, ttag_t tag) { return TIFFFindField(tif, tag, TIFF_ANY) != nullptr; }

// Private tags libtiff did not know when it read the source (bar codes, scanner data) travel as they are.
// The output keeps pointers to field names, so they live in names for the whole write.
void CopyUnknownTags(TIFF* in, TIFF* out, std::deque<std::string>& names) {
  const int count = TIFFGetTagListCount(in);
  for (int i = 0; i < count; ++i) {
    const std::uint32_t tag = TIFFGetTagListEntry(in, i);
    const TIFFField* field = TIFFFieldWithTag(in, tag);
    if (!field || !TIFFFieldIsAnonymous(field) || !TIFFFieldPassCount(field)) continue;
    std::uint32_t n32 = 0;
    std::uint16_t n16 = 0;
    void* data = nullptr;
    const bool wide = TIFFFieldReadCount(field) == TIFF_VARIABLE2;
    const bool got = wide ? TIFFGetField(in, tag, &n32, &data) : TIFFGetField(in, tag, &n16, &data);
    if (!got || !data) continue;
    const std::uint32_t n = wide ? n32 : n16;
    if (!HasField(out, tag)) {
      names.push_back(TIFFFieldName(field));
      TIFFFieldInfo info{tag, TIFF_VARIABLE2,     TIFF_VARIABLE2, TIFFFieldDataType(field), FIELD_CUSTOM, 1,
                         1,   names.back().data()};
      if (TIFFMergeFieldInfo(out, &info, 1) != 0) continue;
    }
    TIFFSetField(out, tag, n, data);
  }
}

// The bar-code tag, registered as the copy of an unknown tag would register it, so either may
// come first on a page.
void SetBarCodes(TIFF* out, const QByteArray& text) {
  constexpr ttag_t kBarCodeTag = 600;
  static char name[] = "BarCodes";
  if (!HasField(out, kBarCodeTag)) {
    TIFFFieldInfo info{kBarCodeTag, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_ASCII, FIELD_CUSTOM, 1, 1, name};
    if (TIFFMergeFieldInfo(out, &info, 1) != 0) return;
  }
  const QByteArray withNul = text + '\0';
  TIFFSetField(out, kBarCodeTag, std::uint32_t(withNul.size()), withNul.constData());
}

struct PageShape {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits = 1;
  std::uint16_t samples = 1;
  std::uint16_t planar = PLANARCONFIG_CONTIG;
  std::uint16_t compression = COMPRESSION_NONE;
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
  bool tiled = false;
};

// Orientations 5 to 8 store the page's columns as rows.
bool Transposes(std::uint16_t orientation) {
  return orientation >= ORIENTATION_LEFTTOP && orientation <= ORIENTATION_LEFTBOT;
}

PageShape ReadShape(TIFF* in) {
  PageShape s;
  TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &s.width);
  TIFFGetField(in, TIFFTAG_IMAGELENGTH, &s.height);
  TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &s.bits);
  TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &s.samples);
  TIFFGetFieldDefaulted(in, TIFFTAG_PLANARCONFIG, &s.planar);
  TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &s.compression);
  TIFFGetField(in, TIFFTAG_PHOTOMETRIC, &s.photometric);
  TIFFGetFieldDefaulted(in, TIFFTAG_ORIENTATION, &s.orientation);
  s.tiled = TIFFIsTiled(in) != 0;
  return s;
}

// Tags shared by copied and re-encoded pages. Layout tags (size, strips, tiles) are the caller's. A page
// written upright has its Orientation applied to its pixels already: the tag would turn it a second time.
void CopyDescriptiveTags(TIFF* in, TIFF* out, const PageShape& s, bool swapResolution, bool upright,
                         std::deque<std::string>& names) {
  TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, s.bits);
  TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, s.samples);
  TIFFSetField(out, TIFFTAG_PLANARCONFIG, s.planar);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_PHOTOMETRIC);
  CopyOne<std::uint32_t>(in, out, TIFFTAG_SUBFILETYPE);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_FILLORDER);
  if (!upright) CopyOne<std::uint16_t>(in, out, TIFFTAG_ORIENTATION);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_RESOLUTIONUNIT);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_SAMPLEFORMAT);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_THRESHHOLDING);
  float xres = 0;
  float yres = 0;
  const bool hasX = TIFFGetField(in, TIFFTAG_XRESOLUTION, &xres) != 0;
  const bool hasY = TIFFGetField(in, TIFFTAG_YRESOLUTION, &yres) != 0;
  if (swapResolution) std::swap(xres, yres);
  if (swapResolution ? hasY : hasX) TIFFSetField(out, TIFFTAG_XRESOLUTION, xres);
  if (swapResolution ? hasX : hasY) TIFFSetField(out, TIFFTAG_YRESOLUTION, yres);
  for (ttag_t tag :
       {TIFFTAG_SOFTWARE, TIFFTAG_DATETIME, TIFFTAG_DOCUMENTNAME, TIFFTAG_PAGENAME, TIFFTAG_IMAGEDESCRIPTION,
        TIFFTAG_ARTIST, TIFFTAG_HOSTCOMPUTER, TIFFTAG_MAKE, TIFFTAG_MODEL, TIFFTAG_COPYRIGHT}) {
    CopyText(in, out, tag);
  }
  std::uint16_t* red = nullptr;
  std::uint16_t* green = nullptr;
  std::uint16_t* blue = nullptr;
  if (TIFFGetField(in, TIFFTAG_COLORMAP, &red, &green, &blue)) TIFFSetField(out, TIFFTAG_COLORMAP, red, green, blue);
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (TIFFGetField(in, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0) {
    TIFFSetField(out, TIFFTAG_EXTRASAMPLES, extraCount, extra);
  }
  CopyCounted32(in, out, TIFFTAG_ICCPROFILE);
  CopyCounted32(in, out, TIFFTAG_XMLPACKET);
  CopyUnknownTags(in, out, names);
}

// Codec parameters that must follow the compression tag on the output.
void CopyCodecTags(TIFF* in, TIFF* out, std::uint16_t compression) {
  if (compression == COMPRESSION_CCITTFAX3) CopyOne<std::uint32_t>(in, out, TIFFTAG_GROUP3OPTIONS);
  if (compression == COMPRESSION_CCITTFAX4) CopyOne<std::uint32_t>(in, out, TIFFTAG_GROUP4OPTIONS);
  if (HasField(in, TIFFTAG_PREDICTOR) && HasField(out, TIFFTAG_PREDICTOR)) {
    CopyOne<std::uint16_t>(in, out, TIFFTAG_PREDICTOR);
  }
}

void CopyYCbCrTags(TIFF* in, TIFF* out) {
  std::uint16_t h = 0;
  std::uint16_t v = 0;
  if (TIFFGetField(in, TIFFTAG_YCBCRSUBSAMPLING, &h, &v)) TIFFSetField(out, TIFFTAG_YCBCRSUBSAMPLING, h, v);
  CopyOne<std::uint16_t>(in, out, TIFFTAG_YCBCRPOSITIONING);
  float* ref = nullptr;
  if (TIFFGetField(in, TIFFTAG_REFERENCEBLACKWHITE, &ref) && ref) TIFFSetField(out, TIFFTAG_REFERENCEBLACKWHITE, ref);
}

struct PageContext {
  TIFF* in;
  TiffLog* inLog;
  TIFF* out;
  TiffIoState* io;
  TiffLog* outLog;
  const QString* sourcePath;
};

TiffWriteResult WriteFailure(const PageContext& c, int codeIfNotIo) {
  if (c.io->failed) return Fail(kWriteError, SysText(c.io->error));
  return Fail(codeIfNotIo, QString::fromStdString(c.outLog->lastError));
}

TiffWriteResult ReadFailure(const PageContext& c, int code) {
  return Fail(code, *c.sourcePath + QStringLiteral(": ") + QString::fromStdString(c.inLog->lastError));
}

// Copies the page's compressed strips or tiles byte for byte.
TiffWriteResult CopyRawPage(const PageContext& c, const PageShape& s) {
  TIFFSetField(c.out, TIFFTAG_IMAGEWIDTH, s.width);
  TIFFSetField(c.out, TIFFTAG_IMAGELENGTH, s.height);
  if (s.tiled) {
    std::uint32_t tw = 0;
    std::uint32_t tl = 0;
    TIFFGetField(c.in, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(c.in, TIFFTAG_TILELENGTH, &tl);
    TIFFSetField(c.out, TIFFTAG_TILEWIDTH, tw);
    TIFFSetField(c.out, TIFFTAG_TILELENGTH, tl);
  } else {
    std::uint32_t rows = s.height;
    TIFFGetFieldDefaulted(c.in, TIFFTAG_ROWSPERSTRIP, &rows);
    TIFFSetField(c.out, TIFFTAG_ROWSPERSTRIP, rows);
  }
  TIFFSetField(c.out, TIFFTAG_COMPRESSION, s.compression);
  CopyCodecTags(c.in, c.out, s.compression);
  if (s.compression == COMPRESSION_JPEG) CopyCounted32(c.in, c.out, TIFFTAG_JPEGTABLES);
  if (s.photometric == PHOTOMETRIC_YCBCR) CopyYCbCrTags(c.in, c.out);

  const std::uint32_t count = s.tiled ? TIFFNumberOfTiles(c.in) : TIFFNumberOfStrips(c.in);
  std::vector<unsigned char> buffer;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t size = TIFFGetStrileByteCount(c.in, i);
    if (size == 0) continue;  // a sparse strip stays empty
    if (size > static_cast<std::uint64_t>(INT64_MAX)) return ReadFailure(c, kReadError);
    if (buffer.size() < size) buffer.resize(size);
    const auto want = static_cast<tmsize_t>(size);
    const tmsize_t got =
        s.tiled ? TIFFReadRawTile(c.in, i, buffer.data(), want) : TIFFReadRawStrip(c.in, i, buffer.data(), want);
    if (got != want) return ReadFailure(c, kReadError);
    const tmsize_t put =
        s.tiled ? TIFFWriteRawTile(c.out, i, buffer.data(), want) : TIFFWriteRawStrip(c.out, i, buffer.data(), want);
    if (put != want) return WriteFailure(c, kWriteError);
  }
  return {};
}

// Reads one plane of the page (or all samples when contiguous) into rows of rowBytes each.
bool DecodePlane(TIFF* in, const PageShape& s, std::uint16_t plane, unsigned pixelBits, std::size_t rowBytes,
                 std::vector<unsigned char>& pixels) {
  pixels.assign(rowBytes * s.height, 0);
  if (!s.tiled) {
    std::uint32_t rps = s.height;
    TIFFGetFieldDefaulted(in, TIFFTAG_ROWSPERSTRIP, &rps);
    rps = std::max<std::uint32_t>(1, std::min(rps, s.height));
    for (std::uint32_t row = 0; row < s.height; row += rps) {
      const std::uint32_t rows = std::min(rps, s.height - row);
      const tstrip_t strip = TIFFComputeStrip(in, row, plane);
      const auto bytes = static_cast<tmsize_t>(rowBytes * rows);
      if (TIFFReadEncodedStrip(in, strip, pixels.data() + rowBytes * row, bytes) < 0) return false;
    }
    return true;
  }
  std::uint32_t tw = 0;
  std::uint32_t tl = 0;
  TIFFGetField(in, TIFFTAG_TILEWIDTH, &tw);
  TIFFGetField(in, TIFFTAG_TILELENGTH, &tl);
  const tmsize_t tileRowBytes = TIFFTileRowSize(in);
  std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(in)));
  for (std::uint32_t y = 0; y < s.height; y += tl) {
    for (std::uint32_t x = 0; x < s.width; x += tw) {
      if (TIFFReadTile(in, tile.data(), x, y, 0, plane) < 0) return false;
      const std::uint32_t rows = std::min(tl, s.height - y);
      const std::size_t from = static_cast<std::size_t>(x) * pixelBits / 8;
      const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(tileRowBytes), rowBytes - from);
      for (std::uint32_t r = 0; r < rows; ++r) {
        std::memcpy(pixels.data() + rowBytes * (y + r) + from, tile.data() + static_cast<std::size_t>(tileRowBytes) * r,
                    bytes);
      }
    }
  }
  return true;
}

// A stored pixel raster (pixels of 1, 2, 4 bits or whole bytes) turned upright as its Orientation tag says,
// then by clockwise quarter turns.
class Raster {
 public:
  Raster(std::uint32_t w, std::uint32_t h, unsigned bits, std::uint16_t orientation, int rotation)
      : w_(w), h_(h), bits_(bits), orientation_(orientation), rotation_(rotation) {}
  std::size_t RowBytes() const { return (static_cast<std::size_t>(w_) * bits_ + 7) / 8; }
  bool Transposed() const { return Transposes(orientation_) != (rotation_ % 180 != 0); }
  std::uint32_t OutWidth() const { return Transposed() ? h_ : w_; }
  std::uint32_t OutHeight() const { return Transposed() ? w_ : h_; }

  std::vector<unsigned char> Turn(const std::vector<unsigned char>& src, std::size_t* outRowBytes) const {
    const std::uint32_t ow = OutWidth();
    const std::uint32_t oh = OutHeight();
    const std::size_t inRow = RowBytes();
    const std::size_t outRow = (static_cast<std::size_t>(ow) * bits_ + 7) / 8;
    *outRowBytes = outRow;
    std::vector<unsigned char> dst(outRow * oh, 0);
    const std::size_t pixelBytes = bits_ / 8;
    const Map map = SourceOf();
    for (std::uint32_t oy = 0; oy < oh; ++oy) {
      unsigned char* outLine = dst.data() + outRow * oy;
      std::int64_t x = map.c + map.xy * oy;
      std::int64_t y = map.f + map.yy * oy;
      for (std::uint32_t ox = 0; ox < ow; ++ox, x += map.xx, y += map.yx) {
        const unsigned char* inLine = src.data() + inRow * static_cast<std::size_t>(y);
        if (bits_ >= 8) {
          std::memcpy(outLine + pixelBytes * ox, inLine + pixelBytes * static_cast<std::size_t>(x), pixelBytes);
        } else {
          const std::size_t inBit = static_cast<std::size_t>(x) * bits_;
          const unsigned mask = (1u << bits_) - 1;
          const unsigned value = (inLine[inBit / 8] >> (8 - bits_ - inBit % 8)) & mask;
          const std::size_t outBit = static_cast<std::size_t>(ox) * bits_;
          outLine[outBit / 8] = static_cast<unsigned char>(outLine[outBit / 8] | (value << (8 - bits_ - outBit % 8)));
        }
      }
    }
    return dst;
  }

 private:
  // Source pixel of output pixel (ox, oy): x = xx*ox + xy*oy + c, y = yx*ox + yy*oy + f.
  struct Map {
    std::int64_t xx, xy, c, yx, yy, f;
  };

  // The quarter turn undone gives the pixel of the upright page; the Orientation undone, the stored pixel.
  Map SourceOf() const {
    const bool transposed = Transposes(orientation_);
    const std::int64_t w = w_, h = h_;
    const std::int64_t dw = transposed ? h : w;  // the upright page
    const std::int64_t dh = transposed ? w : h;
    // Upright pixel (dx, dy) of output pixel (ox, oy), in the same form as Map.
    Map turn{1, 0, 0, 0, 1, 0};
    if (rotation_ == 90) turn = {0, 1, 0, -1, 0, dh - 1};
    if (rotation_ == 180) turn = {-1, 0, dw - 1, 0, -1, dh - 1};
    if (rotation_ == 270) turn = {0, -1, dw - 1, 1, 0, 0};
    // Stored pixel (x, y) of upright pixel (dx, dy), in the same form.
    Map stored{1, 0, 0, 0, 1, 0};
    switch (orientation_) {
      case ORIENTATION_TOPRIGHT: stored = {-1, 0, w - 1, 0, 1, 0}; break;
      case ORIENTATION_BOTRIGHT: stored = {-1, 0, w - 1, 0, -1, h - 1}; break;
      case ORIENTATION_BOTLEFT: stored = {1, 0, 0, 0, -1, h - 1}; break;
      case ORIENTATION_LEFTTOP: stored = {0, 1, 0, 1, 0, 0}; break;
      case ORIENTATION_RIGHTTOP: stored = {0, 1, 0, -1, 0, h - 1}; break;
      case ORIENTATION_RIGHTBOT: stored = {0, -1, w - 1, -1, 0, h - 1}; break;
      case ORIENTATION_LEFTBOT: stored = {0, -1, w - 1, 1, 0, 0}; break;
      default: break;
    }
    return {stored.xx * turn.xx + stored.xy * turn.yx, stored.xx * turn.xy + stored.xy * turn.yy,
            stored.xx * turn.c + stored.xy * turn.f + stored.c, stored.yx * turn.xx + stored.yy * turn.yx,
            stored.yx * turn.xy + stored.yy * turn.yy, stored.yx * turn.c + stored.yy * turn.f + stored.f};
  }

  std::uint32_t w_;
  std::uint32_t h_;
  unsigned bits_;
  std::uint16_t orientation_;
  int rotation_;
};

// Decodes the page, turns it and encodes it again in the page's own compression.
TiffWriteResult RotatePage(const PageContext& c, const PageShape& s, int rotation) {
  const bool separate = s.planar == PLANARCONFIG_SEPARATE && s.samples > 1;
  const unsigned pixelBits = s.bits * (separate ? 1u : s.samples);
  if (!(pixelBits == 1 || pixelBits == 2 || pixelBits == 4 || (pixelBits % 8 == 0 && s.bits % 8 == 0))) {
    return Fail(kUnsupportedBits, *c.sourcePath);
  }
  std::uint16_t compression = s.compression;
  const bool jpeg = compression == COMPRESSION_JPEG;
  // Subsampled YCbCr outside JPEG would need resampling to turn; no scanner writes it.
  if (s.photometric == PHOTOMETRIC_YCBCR && !jpeg) return Fail(kCompressionError, *c.sourcePath);
  if (jpeg && (s.bits != 8 || separate)) return Fail(kUnsupportedBits, *c.sourcePath);
  std::uint16_t photometric = s.photometric;
  if (jpeg) {
    // Decode to RGB: the encoder converts back to YCbCr itself.
    if (s.photometric == PHOTOMETRIC_YCBCR) TIFFSetField(c.in, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (compression != COMPRESSION_NONE && !TIFFIsCODECConfigured(compression)) {
    return Fail(kCompressionError, QStringLiteral("compression %1 is not supported").arg(compression));
  }
  const Raster raster(s.width, s.height, pixelBits, s.orientation, rotation);
  const std::uint32_t ow = raster.OutWidth();
  const std::uint32_t oh = raster.OutHeight();

  TIFFSetField(c.out, TIFFTAG_IMAGEWIDTH, ow);
  TIFFSetField(c.out, TIFFTAG_IMAGELENGTH, oh);
  TIFFSetField(c.out, TIFFTAG_COMPRESSION, compression);
  if (jpeg) {
    TIFFSetField(c.out, TIFFTAG_JPEGQUALITY, kJpegQuality);
    if (s.photometric == PHOTOMETRIC_YCBCR) {
      TIFFSetField(c.out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      CopyYCbCrTags(c.in, c.out);
      TIFFSetField(c.out, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    } else if (photometric != PHOTOMETRIC_RGB && photometric != PHOTOMETRIC_MINISBLACK) {
      photometric = s.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
      TIFFSetField(c.out, TIFFTAG_PHOTOMETRIC, photometric);
    }
  } else {
    CopyCodecTags(c.in, c.out, compression);
  }
  std::uint32_t srcRows = s.height;
  if (!s.tiled) TIFFGetFieldDefaulted(c.in, TIFFTAG_ROWSPERSTRIP, &srcRows);
  // A page that was one strip stays one strip (G4 codes best that way); otherwise strips of about 8 KiB.
  std::uint32_t rows = (!s.tiled && srcRows >= s.height) ? oh : TIFFDefaultStripSize(c.out, 0);
  if (jpeg) rows = std::max<std::uint32_t>(16, rows - rows % 16);
  rows = std::min(std::max<std::uint32_t>(1, rows), oh);
  TIFFSetField(c.out, TIFFTAG_ROWSPERSTRIP, rows);

  const std::uint16_t planes = separate ? s.samples : 1;
  std::vector<unsigned char> pixels;
  for (std::uint16_t plane = 0; plane < planes; ++plane) {
    if (!DecodePlane(c.in, s, plane, pixelBits, raster.RowBytes(), pixels)) return ReadFailure(c, kDecompressionError);
    std::size_t outRow = 0;
    std::vector<unsigned char> turned = raster.Turn(pixels, &outRow);
    pixels.clear();
    pixels.shrink_to_fit();
    for (std::uint32_t row = 0; row < oh; row += rows) {
      const std::uint32_t n = std::min(rows, oh - row);
      const tstrip_t strip = TIFFComputeStrip(c.out, row, plane);
      if (TIFFWriteEncodedStrip(c.out, strip, turned.data() + outRow * row, static_cast<tmsize_t>(outRow * n)) < 0) {
        return WriteFailure(c, kCompressionError);
      }
    }
  }
  return {};
}

std::uint64_t EstimatePageBytes(TIFF* in, const PageShape& s, int rotation) {
  std::uint64_t raw = 0;
  const std::uint32_t count = s.tiled ? TIFFNumberOfTiles(in) : TIFFNumberOfStrips(in);
  for (std::uint32_t i = 0; i < count; ++i) raw += TIFFGetStrileByteCount(in, i);
  if (rotation != 0) {
    const std::uint64_t decoded = static_cast<std::uint64_t>(TIFFScanlineSize64(in)) * s.height;
    raw = std::max(raw, decoded + decoded / 4);
  }
  return raw + 64 * 1024;
}

// Moves to a directory; walking forward one step avoids rereading the chain from the file's start.
bool GoToDirectory(TIFF* tif, int directory) {
  if (directory < 0) return false;
  const auto wanted = static_cast<tdir_t>(directory);
  if (wanted == TIFFCurrentDirectory(tif) + 1 && !TIFFLastDirectory(tif)) return TIFFReadDirectory(tif) != 0;
  return TIFFSetDirectory(tif, wanted) != 0;
}

// Writes the page as the output's next directory: copied as it is, or turned upright. total 0: not known.
TiffWriteResult WritePage(const PageContext& c, const TiffPageSource& page, std::uint16_t index, std::uint16_t total,
                          std::deque<std::string>& names) {
  if (!GoToDirectory(c.in, page.directory)) return ReadFailure(c, kReadError);
  const PageShape shape = ReadShape(c.in);
  // A turned page is decoded and written upright, its Orientation applied; a copied page keeps the tag.
  const bool upright = page.rotation != 0;
  const bool swap = upright && (Transposes(shape.orientation) != (page.rotation % 180 != 0));
  CopyDescriptiveTags(c.in, c.out, shape, swap, upright, names);
  TIFFSetField(c.out, TIFFTAG_PAGENUMBER, index, total);
  if (page.barCodes) SetBarCodes(c.out, *page.barCodes);
  TiffWriteResult result = page.rotation == 0 ? CopyRawPage(c, shape) : RotatePage(c, shape, page.rotation);
  if (result.Ok() && !TIFFWriteDirectory(c.out)) result = WriteFailure(c, kWriteError);
  return result;
}

void SyncFolder(const QString& folder) {
  const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  ::fsync(dirFd);
  ::close(dirFd);
}

// Closes the temporary file and removes it unless the write went through.
class TempFile {
 public:
  TempFile(QByteArray path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(path_.constData());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Keep() { kept_ = true; }

 private:
  QByteArray path_;
  int fd_;
  bool kept_ = false;
};

}  // namespace

TiffWriteResult AppendTiffPages(const QString& target, const QString& addition) {
  std::vector<TiffPageSource> pages;
  for (const QString& path : {target, addition}) {
    TiffPages file;
    const TiffStatus opened = file.Open(path);
    if (!opened.Ok()) return Fail(opened.code, path + QStringLiteral(": ") + opened.description);
    // A file whose chain of pages breaks off would lose its tail here: refuse rather than drop pages.
    if (file.Damaged()) return Fail(kReadError, path + QStringLiteral(": the file is damaged"));
    for (int page = 0; page < file.PageCount(); ++page) pages.emplace_back(path, page);
  }
  return WriteTiffPages(pages, target);
}

TiffWriteResult AppendTiffPagesInPlace(const QString& target, const QString& addition) {
  int existing = 0;
  int added = 0;
  for (auto [path, count] : {std::pair{&target, &existing}, std::pair{&addition, &added}}) {
    TiffPages file;
    const TiffStatus opened = file.Open(*path);
    if (!opened.Ok()) return Fail(opened.code, *path + QStringLiteral(": ") + opened.description);
    // Pages after a break in the chain could never be reached: refuse rather than add unreachable pages.
    if (file.Damaged()) return Fail(kReadError, *path + QStringLiteral(": the file is damaged"));
    *count = file.PageCount();
  }
  if (existing + added > 0xFFFF) return Fail(kIllegalPage, QStringLiteral("too many pages"));
  SourceCache sources;
  SourceCache::Source* source = sources.Open(addition);
  if (!source) return Fail(kReadError, addition);
  for (int page = 0; page < added; ++page) {
    if (!GoToDirectory(source->tiff.get(), page)) return Fail(kIllegalPage, addition);
    // Old-style JPEG strips depend on offsets into their own file: they cannot travel as they are.
    if (ReadShape(source->tiff.get()).compression == COMPRESSION_OJPEG) return Fail(kCompressionError, addition);
  }

  const int fd = ::open(QFile::encodeName(target).constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Fail(kWriteError, target + QStringLiteral(": ") + SysText(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } const closer{fd};
  TiffAppendFile file(fd);
  TiffLog outLog;
  std::deque<std::string> names;
  auto options = MakeOptions(&outLog);
  TiffPtr out(file.Open(QFile::encodeName(target).constData(), options.get()));
  if (!out) return Fail(kWriteError, QString::fromStdString(outLog.lastError));
  for (int page = 0; page < added; ++page) {
    const TiffPageSource from(addition, page);
    const PageContext context{source->tiff.get(), &source->log, out.get(), &file.Io(), &outLog, &addition};
    // The file's page total is not rewritten on its earlier pages, so no page claims one.
    if (TiffWriteResult result = WritePage(context, from, static_cast<std::uint16_t>(existing + page), 0, names);
        !result.Ok())
      return result;
  }
  out.reset();
  if (const int error = file.Commit(); error != 0) return Fail(kWriteError, target + QStringLiteral(": ") + SysText(error));
  return {};
}

TiffWriteResult WriteTiffPages(const std::vector<TiffPageSource>& pages, const QString& target) {
  if (pages.empty()) return Fail(kFileNotOpened, QString());
  if (pages.size() > 0xFFFF) return Fail(kIllegalPage, QStringLiteral("too many pages"));
  for (const TiffPageSource& page : pages) {
    if (page.rotation != 0 && page.rotation != 90 && page.rotation != 180 && page.rotation != 270) {
      return Fail(kIllegalRotation, QString::number(page.rotation));
    }
  }

  // Check every page first so a bad source fails before anything is written.
  SourceCache sources;
  std::uint64_t estimate = 16;
  for (const TiffPageSource& page : pages) {
    SourceCache::Source* source = sources.Open(page.path);
    if (!source) return Fail(kReadError, page.path);
    if (!GoToDirectory(source->tiff.get(), page.directory)) {
      return Fail(kIllegalPage, page.path + QStringLiteral(" page %1").arg(page.directory + 1));
    }
    const PageShape shape = ReadShape(source->tiff.get());
    // Old-style JPEG strips depend on offsets into their own file: they cannot travel as they are.
    if (shape.compression == COMPRESSION_OJPEG) return Fail(kCompressionError, page.path);
    estimate += EstimatePageBytes(source->tiff.get(), shape, page.rotation);
  }

  const QFileInfo targetInfo(target);
  const QString folder = targetInfo.absolutePath();
  QByteArray tempPath =
      QFile::encodeName(QDir(folder).filePath(QStringLiteral(".") + targetInfo.fileName() + QStringLiteral(".XXXXXX")));
  OutputFile file;
  file.fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (file.fd < 0) return Fail(kWriteError, folder + QStringLiteral(": ") + SysText(errno));
  TempFile temp(tempPath, file.fd);
  struct stat old {};
  if (::stat(QFile::encodeName(target).constData(), &old) == 0) ::fchmod(file.fd, old.st_mode & 07777);

  TiffLog outLog;
  std::deque<std::string> names;
  auto options = MakeOptions(&outLog);
  // Declared after temp: on every path libtiff lets go of the file before its descriptor closes.
  TiffPtr out(TIFFClientOpenExt(tempPath.constData(), estimate > kClassicTiffLimit ? "w8" : "w", &file, OutRead,
                                OutWrite, OutSeek, OutClose, OutSize, OutMap, OutUnmap, options.get()));
  if (!out) return Fail(kWriteError, QString::fromStdString(outLog.lastError));
  const auto total = static_cast<std::uint16_t>(pages.size());
  for (std::size_t index = 0; index < pages.size(); ++index) {
    const TiffPageSource& page = pages[index];
    SourceCache::Source* source = sources.Open(page.path);
    TIFF* in = source->tiff.get();
    const PageContext context{in, &source->log, out.get(), &file.io, &outLog, &page.path};
    if (TiffWriteResult result = WritePage(context, page, static_cast<std::uint16_t>(index), total, names);
        !result.Ok())
      return result;
  }
  out.reset();
  if (file.io.failed) return Fail(kWriteError, SysText(file.io.error));
  if (::fsync(file.fd) != 0) return Fail(kWriteError, SysText(errno));
  if (!temp.Close()) return Fail(kWriteError, SysText(errno));
  if (::rename(tempPath.constData(), QFile::encodeName(target).constData()) != 0) {
    return Fail(kWriteError, target + QStringLiteral(": ") + SysText(errno));
  }
  temp.Keep();
  SyncFolder(folder);
  return {};
}

}  // namespace pyxa
