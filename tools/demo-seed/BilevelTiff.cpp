#include "BilevelTiff.h"

#include <tiffio.h>
#include <unistd.h>

#include <QFile>

namespace pyxa {

bool WriteBilevelTiff(int fd, const QString& name, const std::vector<BilevelPage>& pages, const TiffInfo& info,
                      QString& error) {
  // libtiff closes the descriptor it is given; the caller keeps its own.
  const int own = ::dup(fd);
  if (own < 0) {
    error = QStringLiteral("Cannot write \"%1\".").arg(name);
    return false;
  }
  TIFF* tiff = TIFFFdOpen(own, QFile::encodeName(name).constData(), "w");
  if (tiff == nullptr) {
    ::close(own);
    error = QStringLiteral("Cannot write the TIFF file \"%1\".").arg(name);
    return false;
  }
  const QByteArray software = info.software.toUtf8();
  const QByteArray stamp = info.scanned.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
  const auto count = static_cast<uint16_t>(pages.size());
  bool ok = true;
  for (uint16_t index = 0; ok && index < count; ++index) {
    const BilevelPage& page = pages[index];
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, info.group3 ? COMPRESSION_CCITTFAX3 : COMPRESSION_CCITTFAX4);
    if (info.group3) TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, 0u);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.height));
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(page.dpi));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(page.yDpi > 0 ? page.yDpi : page.dpi));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_PAGENUMBER, index, count);
    if (!software.isEmpty()) TIFFSetField(tiff, TIFFTAG_SOFTWARE, software.constData());
    if (info.scanned.isValid()) TIFFSetField(tiff, TIFFTAG_DATETIME, stamp.constData());
    // One strip per page, as scanners and fax servers write them: the encoder sees the page whole.
    const tmsize_t size = static_cast<tmsize_t>(page.bytesPerLine) * page.height;
    QByteArray data = page.bits;  // the encoder may scribble on its input
    ok = page.bits.size() == size && TIFFWriteEncodedStrip(tiff, 0, data.data(), size) == size &&
         TIFFWriteDirectory(tiff) == 1;
  }
  TIFFClose(tiff);
  if (!ok) error = QStringLiteral("Cannot write the TIFF file \"%1\".").arg(name);
  return ok;
}

}  // namespace pyxa
