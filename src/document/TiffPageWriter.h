// Writes chosen pages of TIFF files, in a given order, into a new multi-page TIFF. Pages left as
// they were are copied without decoding (their compressed data unchanged); a rotated page is
// re-encoded in its own compression. The file is written beside its target under a temporary
// name, flushed and renamed, so a failure leaves whatever stood at the target untouched.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace pyxa {

struct TiffPageSource {
  TiffPageSource(QString path_, int directory_ = 0, int rotation_ = 0, std::optional<QByteArray> barCodes_ = {})
      : path(std::move(path_)), directory(directory_), rotation(rotation_), barCodes(std::move(barCodes_)) {}

  QString path;        // the TIFF file the page comes from
  int directory = 0;   // its 0-based directory (page) in that file
  int rotation = 0;    // clockwise quarter turns to apply: 0, 90, 180 or 270
  // The page's bar codes as the text of the private tag 600 (Latin-1, without its NUL), written in
  // place of any the source carries; empty text when reading was on and found nothing.
  std::optional<QByteArray> barCodes;
};

struct TiffWriteResult {
  int code = 0;  // 0 success; else a viewer error code (2004 read, 2011 write, 2046 compression, ...)
  QString description;
  bool Ok() const { return code == 0; }
};

// Writes the pages to target. An empty page list writes nothing and answers -2002.
TiffWriteResult WriteTiffPages(const std::vector<TiffPageSource>& pages, const QString& target);

// Adds every page of the TIFF addition after the pages of the TIFF target, copied without
// decoding; target is replaced whole (written beside and renamed), addition is left as it is.
TiffWriteResult AppendTiffPages(const QString& target, const QString& addition);

// Adds every page of addition after the pages of target without rewriting them: the new pages go
// after target's end and are synced before the old last page is linked to them, so target is at every
// moment a complete TIFF of its old pages or of all of them. The cost grows with the pages added, not
// with target's size. Added pages carry their number with the total unknown (0).
TiffWriteResult AppendTiffPagesInPlace(const QString& target, const QString& addition);

}  // namespace pyxa
