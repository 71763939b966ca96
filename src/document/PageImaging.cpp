#include "document/PageImaging.h"

#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "document/BesideFile.h"
#include "document/TiffPageWriter.h"
#include "document/TiffPages.h"

namespace pyxa {

namespace {

// Qt does not count a two-colour image as grey even when both its colours are.
bool IsGrey(const QImage& image) {
  if (image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB) return image.isGrayscale();
  for (QRgb colour : image.colorTable())
    if (!qIsGray(colour)) return false;
  return true;
}

int Failure(int code, const QString& what, QString* detail) {
  if (detail) *detail = what;
  return code;
}

int WriteJpeg(const QImage& image, const QString& target, int xDpi, int yDpi, QString* detail) {
  QImage page = FlattenForPage(image);
  if (xDpi > 0) page.setDotsPerMeterX(int(std::lround(xDpi / 0.0254)));
  if (yDpi > 0) page.setDotsPerMeterY(int(std::lround(yDpi / 0.0254)));
  BesideFile file(target);
  if (file.Error() != 0)
    return Failure(file.Error(), target + QStringLiteral(": ") + qt_error_string(file.Error()), detail);
  QFile out;
  if (!out.open(file.Release(), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
    return Failure(kTiffImagingFailed, out.errorString(), detail);
  QImageWriter writer(&out, "jpeg");
  writer.setQuality(kPageJpegQuality);
  if (!writer.write(page))
    return Failure(kTiffImagingFailed, target + QStringLiteral(": ") + writer.errorString(), detail);
  if (!out.flush() || ::fsync(out.handle()) != 0) return Failure(errno ? errno : EIO, target, detail);
  out.close();
  if (const int code = file.Commit())
    return Failure(code, target + QStringLiteral(": ") + qt_error_string(code), detail);
  return 0;
}

}  // namespace

int ReadPageFile(const QString& path, QImage* image, int* xDpi, int* yDpi, QString* detail) {
  QFile probe(path);
  if (!probe.open(QIODevice::ReadOnly))
    return Failure(kTiffCannotOpen, path + QStringLiteral(": ") + probe.errorString(), detail);
  const bool tiff = LooksLikeTiff(probe.peek(8));
  probe.close();
  if (tiff) {
    TiffPages pages;
    const TiffStatus opened = pages.Open(path);
    if (!opened.Ok()) return Failure(kTiffCannotOpen, opened.description, detail);
    if (pages.PageCount() < 1) return Failure(kTiffImagingFailed, path + QStringLiteral(": no page"), detail);
    const TiffStatus decoded = pages.Decode(0, kMaxPagePixels, image);
    if (!decoded.Ok()) return Failure(kTiffImagingFailed, decoded.description, detail);
    const TiffPageInfo& info = pages.Pages()[0];
    *xDpi = info.XDpi();
    *yDpi = info.YDpi();
    return 0;
  }
  QImageReader reader(path);
  reader.setAutoTransform(false);
  const QSize size = reader.size();
  if (size.isValid() && std::int64_t(size.width()) * size.height() > kMaxPagePixels)
    return Failure(kTiffImagingFailed, path + QStringLiteral(": the page is too large"), detail);
  *image = reader.read();
  if (image->isNull()) return Failure(kTiffImagingFailed, path + QStringLiteral(": ") + reader.errorString(), detail);
  *xDpi = image->dotsPerMeterX() > 0 ? int(std::lround(image->dotsPerMeterX() * 0.0254)) : 0;
  *yDpi = image->dotsPerMeterY() > 0 ? int(std::lround(image->dotsPerMeterY() * 0.0254)) : 0;
  return 0;
}

namespace {

// libtiff's complaints go into the failure's text, never to the terminal.
struct TiffLog {
  QString last;
};
int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  static_cast<TiffLog*>(user)->last =
      QString::fromLocal8Bit(module ? module : "") + QStringLiteral(": ") + QString::fromLocal8Bit(text);
  return 1;
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr OpenForWriting(int fd, const QString& name, TiffLog* log) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, log);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, log);
  TIFF* tif = TIFFFdOpenExt(fd, QFile::encodeName(name).constData(), "w", options);
  TIFFOpenOptionsFree(options);
  if (!tif) ::close(fd);
  return TiffPtr(tif);
}

void SetResolution(TIFF* tif, int xDpi, int yDpi) {
  if (xDpi <= 0 || yDpi <= 0) return;
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(xDpi));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(yDpi));
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

// Writes the image as a black-and-white single-page TIFF into the open temporary file.
int WriteBilevelTiff(const QImage& image, BesideFile& file, int compression, int xDpi, int yDpi, QString* detail) {
  const QImage mono =
      image.format() == QImage::Format_Mono
          ? image
          : FlattenForPage(image).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither | Qt::MonoOnly);
  // Which of the two indices is black decides the photometric reading of the bits.
  const bool zeroIsWhite = mono.colorCount() >= 1 && qGray(mono.color(0)) >= 128;
  TiffLog log;
  TiffPtr tif = OpenForWriting(file.Release(), file.Path(), &log);
  if (!tif) return Failure(kTiffImagingFailed, log.last, detail);
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, std::uint32_t(mono.width()));
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, std::uint32_t(mono.height()));
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, zeroIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif.get(), TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, std::uint32_t(mono.height()));
  SetResolution(tif.get(), xDpi, yDpi);
  for (int y = 0; y < mono.height(); ++y) {
    if (TIFFWriteScanline(tif.get(), const_cast<uchar*>(mono.constScanLine(y)), std::uint32_t(y), 0) < 0)
      return Failure(kTiffImagingFailed, log.last, detail);
  }
  if (!TIFFFlush(tif.get()) || ::fsync(TIFFFileno(tif.get())) != 0)
    return Failure(errno ? errno : EIO, log.last, detail);
  tif.reset();
  return 0;
}

// The frame of a baseline JPEG stream, as far as wrapping it in a TIFF needs.
struct JpegFrame {
  int width = 0, height = 0, components = 0, h = 1, v = 1;
  bool ok = false;
};

JpegFrame ReadJpegFrame(const QByteArray& data) {
  JpegFrame frame;
  const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
  const qsizetype n = data.size();
  if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return frame;
  qsizetype at = 2;
  while (at + 4 <= n) {
    if (b[at] != 0xFF) return frame;
    const unsigned char marker = b[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const int length = b[at + 2] << 8 | b[at + 3];
    if (length < 2 || at + 2 + length > n) return frame;
    if (marker == 0xC0 || marker == 0xC1) {  // baseline or extended sequential, Huffman coded
      const unsigned char* s = b + at + 4;
      if (length < 8 || s[0] != 8) return frame;
      frame.height = s[1] << 8 | s[2];
      frame.width = s[3] << 8 | s[4];
      frame.components = s[5];
      if (length < 8 + 3 * frame.components) return frame;
      if (frame.components == 3) {
        frame.h = s[7] >> 4;
        frame.v = s[7] & 15;
        // The chroma components must be full blocks for the TIFF's subsampling to describe them.
        if ((s[10] != 0x11) || (s[13] != 0x11)) return frame;
        if ((frame.h != 1 && frame.h != 2 && frame.h != 4) || (frame.v != 1 && frame.v != 2 && frame.v != 4) ||
            frame.v > frame.h)
          return frame;
      } else if (frame.components == 1) {
        // Alone, the one component's sampling means nothing.
      } else {
        return frame;
      }
      frame.ok = frame.width > 0 && frame.height > 0;
      return frame;
    }
    if (marker == 0xDA || (marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC))
      return frame;  // progressive, arithmetic or lossless: not wrapped
    at += 2 + length;
  }
  return frame;
}

// Writes a JPEG page file as a single-page TIFF: its stream unchanged where it can be wrapped,
// else decoded and coded again.
int JpegPageAsTiff(const QString& source, BesideFile& file, QString* detail) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly))
    return Failure(kTiffCannotOpen, source + QStringLiteral(": ") + in.errorString(), detail);
  const QByteArray data = in.readAll();
  in.close();
  const JpegFrame frame = ReadJpegFrame(data);
  QImage image;
  int xDpi = 0, yDpi = 0;
  {
    QBuffer bytes;
    bytes.setData(data);
    QImageReader reader(&bytes, "jpeg");
    if (!frame.ok) {
      image = reader.read();
      if (image.isNull())
        return Failure(kTiffImagingFailed, source + QStringLiteral(": ") + reader.errorString(), detail);
      image = FlattenForPage(image);
    } else {
      const QImage probe = reader.read();  // resolution only; the stream itself is kept
      if (!probe.isNull() && probe.dotsPerMeterX() > 0) {
        xDpi = int(std::lround(probe.dotsPerMeterX() * 0.0254));
        yDpi = int(std::lround(probe.dotsPerMeterY() * 0.0254));
      }
    }
  }
  if (!frame.ok) {
    xDpi = image.dotsPerMeterX() > 0 ? int(std::lround(image.dotsPerMeterX() * 0.0254)) : 0;
    yDpi = image.dotsPerMeterY() > 0 ? int(std::lround(image.dotsPerMeterY() * 0.0254)) : 0;
  }

  TiffLog log;
  TiffPtr tif = OpenForWriting(file.Release(), file.Path(), &log);
  if (!tif) return Failure(kTiffImagingFailed, log.last, detail);
  const bool colour = frame.ok ? frame.components == 3 : image.format() != QImage::Format_Grayscale8;
  const int width = frame.ok ? frame.width : image.width();
  const int height = frame.ok ? frame.height : image.height();
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, std::uint32_t(width));
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, std::uint32_t(height));
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
  TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, std::uint32_t(height));
  SetResolution(tif.get(), xDpi, yDpi);
  if (frame.ok) {
    if (colour) TIFFSetField(tif.get(), TIFFTAG_YCBCRSUBSAMPLING, std::uint16_t(frame.h), std::uint16_t(frame.v));
    if (TIFFWriteRawStrip(tif.get(), 0, const_cast<char*>(data.constData()), data.size()) != data.size())
      return Failure(kTiffImagingFailed, log.last, detail);
  } else {
    TIFFSetField(tif.get(), TIFFTAG_JPEGQUALITY, kPageJpegQuality);
    if (colour) TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    for (int y = 0; y < height; ++y) {
      if (TIFFWriteScanline(tif.get(), const_cast<uchar*>(image.constScanLine(y)), std::uint32_t(y), 0) < 0)
        return Failure(kTiffImagingFailed, log.last, detail);
    }
  }
  if (!TIFFFlush(tif.get())) return Failure(kTiffImagingFailed, log.last, detail);
  tif.reset();
  return 0;
}

}  // namespace

int ExportTiffPageAsJpeg(TiffPages& source, int index, const QString& target, QString* detail) {
  if (index < 0 || index >= source.PageCount())
    return Failure(kTiffImagingFailed, QStringLiteral("no such page"), detail);
  QImage image;
  const TiffStatus decoded = source.Decode(index, kMaxPagePixels, &image);
  if (!decoded.Ok()) return Failure(kTiffImagingFailed, decoded.description, detail);
  const TiffPageInfo& info = source.Pages()[std::size_t(index)];
  const int code = WriteJpeg(image, target, info.XDpi(), info.YDpi(), detail);
  return code == 0 ? 0 : kTiffImagingFailed;
}

int ExportTiffPageAsBilevel(TiffPages& source, int index, const QString& target, int compression, QString* detail) {
  if (index < 0 || index >= source.PageCount())
    return Failure(kTiffImagingFailed, QStringLiteral("no such page"), detail);
  QImage image;
  const TiffStatus decoded = source.Decode(index, kMaxPagePixels, &image);
  if (!decoded.Ok()) return Failure(kTiffImagingFailed, decoded.description, detail);
  const TiffPageInfo& info = source.Pages()[std::size_t(index)];
  BesideFile file(target);
  if (file.Error() != 0)
    return Failure(file.Error(), target + QStringLiteral(": ") + qt_error_string(file.Error()), detail);
  if (WriteBilevelTiff(image, file, compression, info.XDpi(), info.YDpi(), detail) != 0)
    return kTiffImagingFailed;
  return file.Commit() == 0 ? 0 : kTiffImagingFailed;
}

ConvertedPage ConvertPageFile(const QString& source, const QString& target, PageOutputType type, int compression) {
  ConvertedPage result;
  QImage image;
  result.code = ReadPageFile(source, &image, &result.xResolution, &result.yResolution, &result.detail);
  if (result.code != 0) return result;
  if (type == PageOutputType::Jpeg) {
    result.code = WriteJpeg(image, target, result.xResolution, result.yResolution, &result.detail);
    result.colourModel = IsGrey(image) ? 2 : 3;
    result.compression = 7;
    return result;
  }
  if (compression != 1 && compression != 3 && compression != 4) {
    result.code = kTiffImagingFailed;
    result.detail = QStringLiteral("compression %1 is not one for black-and-white pages").arg(compression);
    return result;
  }
  BesideFile file(target);
  if (file.Error() != 0) {
    result.code = file.Error();
    result.detail = target + QStringLiteral(": ") + qt_error_string(file.Error());
    return result;
  }
  result.code = WriteBilevelTiff(image, file, compression, result.xResolution, result.yResolution, &result.detail);
  if (result.code == 0) result.code = file.Commit();
  result.colourModel = 1;
  result.compression = compression;
  return result;
}

int JoinPageFilesAsTiff(const std::vector<QString>& files, const QString& target, QString* detail,
                        const std::vector<std::optional<QByteArray>>& barCodes) {
  if (files.empty()) return Failure(kTiffCannotOpen, QStringLiteral("no pages"), detail);
  // JPEG pages become single-page TIFFs beside the target first; the join then copies every page
  // without decoding it.
  std::vector<std::unique_ptr<BesideFile>> wrapped;
  std::vector<TiffPageSource> sources;
  for (const QString& file : files) {
    QFile probe(file);
    if (!probe.open(QIODevice::ReadOnly))
      return Failure(kTiffCannotOpen, file + QStringLiteral(": ") + probe.errorString(), detail);
    const bool tiff = LooksLikeTiff(probe.peek(8));
    probe.close();
    if (tiff) {
      sources.push_back({file, 0, 0});
      continue;
    }
    auto temp = std::make_unique<BesideFile>(target + QStringLiteral(".page"));
    if (temp->Error() != 0)
      return Failure(temp->Error(), target + QStringLiteral(": ") + qt_error_string(temp->Error()), detail);
    if (const int code = JpegPageAsTiff(file, *temp, detail)) return code;
    sources.push_back({temp->Path(), 0, 0});
    wrapped.push_back(std::move(temp));
  }
  for (std::size_t k = 0; k < sources.size() && k < barCodes.size(); ++k) sources[k].barCodes = barCodes[k];
  const TiffWriteResult written = WriteTiffPages(sources, target);
  if (!written.Ok()) return Failure(kTiffImagingFailed, written.description, detail);
  return 0;
}

QImage FlattenForPage(const QImage& image) {
  if (image.hasAlphaChannel()) {
    QImage paper(image.size(), QImage::Format_RGB888);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, image);
    painter.end();
    return paper;
  }
  if (IsGrey(image)) return image.convertToFormat(QImage::Format_Grayscale8);
  return image.convertToFormat(QImage::Format_RGB888);
}

}  // namespace pyxa
