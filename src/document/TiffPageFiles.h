// Moves a scanned document between its permanent form, one multi-page TIFF, and its working form,
// one page file per page: LoadTIFFFile splits, SaveTIFFFile joins, WriteTIFFPage appends one page
// to an output buffer. Black-and-white pages are never decoded: their compressed strips are copied
// byte for byte into a little-endian file of a fixed layout. Greyscale and colour pages go through
// the imaging layer (PageImaging.h): page files as JPEG, the joined file as a multi-page TIFF.
// Nothing here throws; every routine answers 0 or a code.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "document/TiffDirectories.h"

namespace pyxa {

class cBarCodes;
class cPages;
class MemoryClass;

// Codes besides those of the directory reader (-1 short read, -3 not a TIFF, -6 damaged).
inline constexpr int kTiffShortWrite = -2;      // fewer bytes written than the buffer held
inline constexpr int kTiffCannotOpen = -4;      // a TIFF or page file cannot be opened
inline constexpr int kTiffCannotDelete = -5;    // the joined file of colour pages cannot replace the target
inline constexpr int kTiffNoStrips = -7;        // a black-and-white page without strips (tiled) cannot be copied
inline constexpr int kTiffTooLarge = -8;        // the joined file would pass the 4 GB a classic TIFF can address
inline constexpr int kTiffImagingFailed = -9;   // the imaging layer could not convert a greyscale or colour page

// The Software text of every page this program writes: "Tallowmere ScanHarbor v.2.5.2".
QString ScanSoftwareText();
// The DateTime text of a page written at that moment: "yyyy:mm:dd hh:mm:ss".
QString TiffDateTimeText(const QDateTime& when);

// The texts stamped on the pages of one load or save.
struct TiffStamp {
  QString software = ScanSoftwareText();
  QString dateTime;  // TiffDateTimeText of the moment of writing
};

// Appends page sourcePage (1-based) of the TIFF open on sourceFd, whose directories are records, to
// buffer: its directory, its image data (the strips, copied unchanged) and its value area. The page
// starts at baseOffset + the buffer's length; baseOffset is what has already gone to disk. Bar codes
// are written (tag 600) only when barCodes is given and Enabled. lastPage writes 0 as the offset
// of the next directory. Answers 0, -1 (a strip cannot be read in full), kTiffDamaged (no width or
// no length above 0, or strips without a byte), kTiffNoStrips, kTiffTooLarge, or the system error
// of a buffer that cannot grow; on failure the buffer may hold part of the page and the caller
// abandons it.
int WriteTIFFPage(std::int64_t baseOffset, int sourceFd, int sourcePage, const std::vector<TIFFPageRecord>& records,
                  const cBarCodes* barCodes, bool lastPage, MemoryClass& buffer, const TiffStamp& stamp);

using StatusReporter = std::function<void(const QString&)>;

// Splits the TIFF fileName into one new page file per page in pageFolder and appends a cPage for
// each to pages, with its properties and bar codes. status, when given, is shown
// "Status: Collecting information..." first. Answers 0 or the first failure's code; pages built
// before a failure stay in the collection with their files.
int LoadTIFFFile(const QString& fileName, cPages& pages, const QString& pageFolder, const TiffStamp& stamp,
                 const StatusReporter& status = {});

// One row per page to write: the page file, and whether the caller deletes it afterwards (not
// used here).
using PageFileTable = std::vector<std::pair<QString, bool>>;

// Joins the page files of table into the multi-page TIFF fileName; row k carries the bar codes of
// document page startPage + k of pages. When any page of pages is greyscale or colour the whole
// file is written by the imaging layer. The file is written beside its target under a temporary
// name, flushed and renamed over it: a failed or interrupted save leaves whatever stood there.
// Answers 0 or the first failure's code (a system error code for a target that cannot be made).
int SaveTIFFFile(const QString& fileName, const PageFileTable& table, std::int32_t startPage, std::int32_t pageCount,
                 const cPages& pages, const TiffStamp& stamp);

}  // namespace pyxa
