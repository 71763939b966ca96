#include "scan/BatchWriter.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "document/BesideFile.h"
#include "document/PageImaging.h"
#include "document/TiffPageWriter.h"

namespace pyxa {

namespace {

// Where a write failed and why: the system error when known, else libtiff's or the imaging
// layer's own words.
struct Failure {
  int error = 0;
  QString detail;
};

// libtiff's complaints go into the failure, never to the terminal; the system error of a refused
// write is taken before anything else can change it.
int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* failure = static_cast<Failure*>(user);
  if (failure->error == 0) failure->error = errno;
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, ap);
  failure->detail = QString::fromLocal8Bit(module ? module : "") + QStringLiteral(": ") + QString::fromLocal8Bit(text);
  return 1;
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};

void SetResolution(TIFF* tif, int xDpi, int yDpi) {
  // A scanner that names one resolution scanned at it both ways.
  if (xDpi <= 0) xDpi = yDpi;
  if (yDpi <= 0) yDpi = xDpi;
  if (xDpi <= 0) return;
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(xDpi));
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(yDpi));
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
}

// Writes a 1-bit page as a single-page Group 4 TIFF onto the descriptor, which it closes.
bool WriteBilevelPage(const QImage& image, int xDpi, int yDpi, int fd, const QString& name, Failure* failure) {
  const QImage mono = image.format() == QImage::Format_Mono ? image : image.convertToFormat(QImage::Format_Mono);
  // The colour table says which bit value is black; the photometric reading follows it.
  const bool zeroIsWhite = mono.colorCount() >= 1 && qGray(mono.color(0)) >= 128;
  errno = 0;  // a refused write's error, not an earlier one's
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, failure);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, failure);
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFFdOpenExt(fd, QFile::encodeName(name).constData(), "w", options));
  TIFFOpenOptionsFree(options);
  if (!tif) {
    ::close(fd);
    return false;
  }
  TIFFSetField(tif.get(), TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, std::uint32_t(mono.width()));
  TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, std::uint32_t(mono.height()));
  TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, zeroIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif.get(), TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, std::uint32_t(kBilevelRowsPerStrip));
  SetResolution(tif.get(), xDpi, yDpi);
  for (int y = 0; y < mono.height(); ++y) {
    if (TIFFWriteScanline(tif.get(), const_cast<uchar*>(mono.constScanLine(y)), std::uint32_t(y), 0) < 0) return false;
  }
  if (!TIFFWriteDirectory(tif.get())) return false;
  tif.reset();
  return failure->detail.isEmpty();
}

// Writes a greyscale or colour page as a JPEG page file onto the open temporary file.
bool WriteJpegPage(const QImage& image, int xDpi, int yDpi, BesideFile& file, Failure* failure) {
  QImage page = FlattenForPage(image);  // 16-bit grey reduced to 8
  if (xDpi <= 0) xDpi = yDpi;
  if (yDpi <= 0) yDpi = xDpi;
  if (xDpi > 0) {
    page.setDotsPerMeterX(int(std::lround(xDpi / 0.0254)));
    page.setDotsPerMeterY(int(std::lround(yDpi / 0.0254)));
  }
  QFile out;
  if (!out.open(file.Release(), QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    failure->detail = out.errorString();
    return false;
  }
  QImageWriter writer(&out, "jpeg");
  writer.setQuality(kPageJpegQuality);
  errno = 0;
  if (!writer.write(page) || !out.flush()) {
    failure->error = errno;
    failure->detail = writer.errorString();
    return false;
  }
  return true;
}

bool IsBilevel(const QImage& image) { return image.depth() == 1; }

bool IsFullDisk(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

// The page writer and the imaging layer name a refused write in the system's words.
bool NamesFullDisk(const QString& detail) {
  for (int error : {ENOSPC, EDQUOT, EFBIG}) {
    if (detail.contains(QString::fromLocal8Bit(std::strerror(error)))) return true;
  }
  return false;
}

}  // namespace

QString PageTooBigText(std::int64_t storedBytes) {
  return QStringLiteral("Scanned page is too big to be stored in database (") +
         QString::number(std::llround(double(storedBytes) / 1024.0)) +
         QStringLiteral(" Kb). After current batch is scanned, please rescan with diferent color/dpi settings.");
}

BatchWriter::BatchWriter(QString path) : path_(std::move(path)) {}

BatchWriter::~BatchWriter() {
  if (pages_ > 0) return;
  struct stat st {};
  const QByteArray name = QFile::encodeName(path_);
  if (::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) ::unlink(name.constData());
}

BatchAppendResult BatchWriter::Append(const ScannedPage& page) {
  BatchAppendResult result;
  result.pageCount = pages_;
  const int number = pages_ + 1;
  const auto fail = [&](BatchCode code, const Failure& failure) {
    result.code = code;
    const QString reason = failure.error != 0 ? qt_error_string(failure.error) : failure.detail;
    const QString batch = QDir::toNativeSeparators(path_);
    const QString kept = pages_ == 0   ? QString()
                         : pages_ == 1 ? QStringLiteral(" The batch keeps the page scanned before.")
                                       : QStringLiteral(" The batch keeps the %1 pages scanned before.").arg(pages_);
    switch (code) {
      case BatchCode::UnusablePage:
        result.message =
            QStringLiteral("Page %1 from the scanner cannot be stored: %2.").arg(number).arg(reason) + kept;
        break;
      case BatchCode::FolderGone:
        result.message = QStringLiteral("Page %1 cannot be added to the batch %2: its folder no longer exists.")
                             .arg(number)
                             .arg(batch);
        break;
      case BatchCode::DiskFull:
        result.message =
            QStringLiteral("Page %1 cannot be added to the batch %2: the disk is full.").arg(number).arg(batch) + kept;
        break;
      case BatchCode::CannotWrite:
      case BatchCode::Ok:
        result.message =
            QStringLiteral("Page %1 cannot be added to the batch %2: %3.").arg(number).arg(batch, reason) + kept;
        break;
    }
    return result;
  };
  const auto writeFailure = [&](const Failure& failure) {
    if (!QFileInfo(QFileInfo(path_).absolutePath()).isDir()) return fail(BatchCode::FolderGone, failure);
    if (IsFullDisk(failure.error) || NamesFullDisk(failure.detail)) return fail(BatchCode::DiskFull, failure);
    return fail(BatchCode::CannotWrite, failure);
  };

  if (page.image.isNull() || page.image.width() <= 0 || page.image.height() <= 0)
    return fail(BatchCode::UnusablePage, {0, QStringLiteral("the image is empty")});

  // The page alone, as it will be stored: its size is the one the database check needs, and the
  // batch join copies it without decoding.
  BesideFile pageFile(path_ + QStringLiteral(".page"));
  if (pageFile.Error() != 0) return writeFailure({pageFile.Error(), {}});
  Failure failure;
  if (IsBilevel(page.image)) {
    if (!WriteBilevelPage(page.image, page.xDpi, page.yDpi, pageFile.Release(), pageFile.Path(), &failure))
      return failure.error != 0 ? writeFailure(failure) : fail(BatchCode::UnusablePage, failure);
  } else {
    BesideFile jpegFile(path_ + QStringLiteral(".jpg"));
    if (jpegFile.Error() != 0) return writeFailure({jpegFile.Error(), {}});
    if (!WriteJpegPage(page.image, page.xDpi, page.yDpi, jpegFile, &failure))
      return failure.error != 0 ? writeFailure(failure) : fail(BatchCode::UnusablePage, failure);
    ::close(pageFile.Release());  // the join writes beside this name and renames onto it
    QString detail;
    const int code = JoinPageFilesAsTiff({jpegFile.Path()}, pageFile.Path(), &detail);
    if (code != 0) return writeFailure({code > 0 ? code : 0, detail});
  }
  result.pageBytes = QFileInfo(pageFile.Path()).size();

  // The first page replaces the empty reserved file; later pages go after the batch's end, linked in last.
  const TiffWriteResult written = pages_ == 0 ? WriteTiffPages({TiffPageSource(pageFile.Path(), 0)}, path_)
                                              : AppendTiffPagesInPlace(path_, pageFile.Path());
  if (!written.Ok()) return writeFailure({0, written.description});

  result.pageCount = ++pages_;
  if (result.pageBytes > kMaxStoredPageBytes && !warned_) {
    warned_ = true;
    result.warning = ScanWarning{QStringLiteral("Scanning"), PageTooBigText(result.pageBytes)};
  }
  return result;
}

}  // namespace pyxa
