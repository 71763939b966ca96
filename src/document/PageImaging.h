// The imaging layer of the document's file routines: what cannot be copied byte for byte. It turns
// a greyscale or colour page of a TIFF into a JPEG page file, converts one page file to the output
// a file import asks for (black and white TIFF in a chosen compression, or JPEG), and joins page
// files of any kind into one multi-page TIFF. Decoding goes through the page engine (libtiff, Qt's
// image readers); nothing here throws.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "document/TiffPageFiles.h"

namespace pyxa {

// JPEG quality of the page files this layer writes: scans of letters and forms stay legible and
// a page re-saved a few times keeps its detail.
inline constexpr int kPageJpegQuality = 90;

class TiffPages;

// An image ready for a page file: greyscale (a two-colour grey image included) becomes 8-bit grey,
// anything else 8-bit colour, and transparent areas become white paper rather than black.
QImage FlattenForPage(const QImage& image);

// Reads a page file as the page view shows it: the first page of a TIFF through the page engine,
// anything else through Qt without turning it by its EXIF orientation, with its resolution (0 when
// the file does not say). Answers 0, kTiffCannotOpen or kTiffImagingFailed; detail says what failed.
int ReadPageFile(const QString& path, QImage* image, int* xDpi, int* yDpi, QString* detail = nullptr);

// Writes page index (0-based) of the open TIFF source as the JPEG file target, greyscale or colour
// as the page is. Answers 0 or kTiffImagingFailed; detail, when given, says what failed.
int ExportTiffPageAsJpeg(TiffPages& source, int index, const QString& target, QString* detail = nullptr);

// Writes page index of the open TIFF source, decoded, as a black-and-white single-page TIFF in
// compression 1, 3 or 4: for pages whose data cannot be copied as it is (tiled pages).
int ExportTiffPageAsBilevel(TiffPages& source, int index, const QString& target, int compression,
                            QString* detail = nullptr);

// What one page file became.
struct ConvertedPage {
  int code = 0;                          // 0, or kTiffCannotOpen, kTiffImagingFailed, a system error code
  QString detail;                        // what failed
  int colourModel = 0;                   // 1 black and white, 2 greyscale, 3 colour
  int compression = 0;                   // TIFF compression of the result: 1, 3, 4, or 7 (JPEG)
  int xResolution = 0, yResolution = 0;  // dots per inch; 0 when the source does not say
};

enum class PageOutputType { Tiff, Jpeg };

// Converts the page file source (the first page of a TIFF, or any image Qt reads) to target:
// - Tiff: a black-and-white single-page TIFF in compression 1, 3 or 4; a greyscale or colour page
//   is reduced to black and white (at the middle grey) first.
// - Jpeg: a JPEG file; a black-and-white page becomes greyscale.
// target is written beside itself and renamed, so it may be source itself. The resolution of
// the source is kept.
ConvertedPage ConvertPageFile(const QString& source, const QString& target, PageOutputType type, int compression);

// Joins the page files (TIFF: its first page, copied without decoding; JPEG: its compressed
// stream wrapped unchanged where the file allows it, else re-encoded) into the multi-page TIFF
// target, written beside it under a temporary name and renamed. Answers 0, kTiffCannotOpen,
// kTiffImagingFailed or a system error code; detail says what failed.
// barCodes, when not empty, holds for each file the text of its page's bar-code tag, or nothing
// for a page without one.
int JoinPageFilesAsTiff(const std::vector<QString>& files, const QString& target, QString* detail = nullptr,
                        const std::vector<std::optional<QByteArray>>& barCodes = {});

}  // namespace pyxa
