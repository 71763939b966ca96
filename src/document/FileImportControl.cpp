#include "document/FileImportControl.h"

#include <QFile>
#include <utility>

#include "document/DocumentErrors.h"
#include "document/PageImaging.h"

namespace pyxa {

FileImportControl::FileImportControl(QString sourceName) : sourceName_(std::move(sourceName)) {}

std::int32_t FileImportControl::Reserve(const QString& source) {
  if (sourceName_.isEmpty() || source.compare(sourceName_, Qt::CaseInsensitive) != 0) return kDocCannotReserve;
  reserved_ = true;
  return 0;
}

std::int32_t FileImportControl::Unreserve() {
  reserved_ = false;
  return 0;
}

bool FileImportControl::CompressionAvailable(int compression) const {
  return compression == kScanCompressionNone || compression == kScanCompressionGroup3 ||
         compression == kScanCompressionGroup4 || compression == kScanCompressionJpeg;
}

std::int32_t FileImportControl::SetOutputCompression(int compression) {
  if (!CompressionAvailable(compression)) return kDocCompressionUnavailable;
  compression_ = compression;
  return 0;
}

ImportedPage FileImportControl::ImportPage(const QString& source, const QString& target) {
  ImportedPage page;
  if (!reserved_) {
    page.code = kDocNoSourceReserved;
    page.message = QStringLiteral("No source is reserved for file import.");
    return page;
  }
  if (type_ == ScanOutputType::Tiff && compression_ == kScanCompressionJpeg) {
    page.code = kDocCompressionUnavailable;
    page.message = QStringLiteral("A TIFF output cannot be JPEG compressed.");
    return page;
  }
  if (!output_) {
    // Nothing is written, so there is nothing new to describe; a missing source is still a failure.
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
      page.code = kTiffCannotOpen;
      page.message = file.errorString();
    }
    return page;
  }
  const ConvertedPage converted =
      ConvertPageFile(source, target, type_ == ScanOutputType::Jpg ? PageOutputType::Jpeg : PageOutputType::Tiff,
                      type_ == ScanOutputType::Jpg ? kScanCompressionJpeg : compression_);
  page.code = converted.code;
  page.message = converted.detail;
  if (converted.code != 0) return page;
  page.written = true;
  page.xResolution = converted.xResolution;
  page.yResolution = converted.yResolution;
  page.compression = converted.compression;
  page.colourModel = converted.colourModel;
  return page;
}

}  // namespace pyxa
