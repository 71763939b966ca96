// ReadTIFFDirectories: reads the header and every image file directory of a classic TIFF into one
// record per page, straight from a file descriptor, without libtiff. The records carry what moving
// a black-and-white page between files needs: its strips (every offset and byte count), size,
// coding, resolution, and the Software, DateTime and bar-code texts. Nothing here throws.
//
// Every offset and count in the file is checked against the file's size before it is used, and the
// walk refuses loops and implausible sizes, so a damaged or hostile file ends with a code, never
// with a crash, a hang or a huge allocation.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace pyxa {

// One page as its directory describes it. Numbers are -1 (or the default named) when the tag is
// absent.
struct TIFFPageRecord {
  std::int64_t imageLength = -1;  // 257, rows
  std::int64_t imageWidth = -1;   // 256
  std::int32_t compression = -1;  // 259
  // 273 as stored in the entry: the first offset (one strip) or where the offsets array lies.
  std::int64_t stripOffsetsValue = -1;
  std::int32_t stripOffsetsType = -1;  // 3 (16-bit) or 4 (32-bit)
  std::int64_t stripCount = -1;        // the count of 273
  // 279 as stored in the entry: the byte count (one strip) or where the counts array lies.
  std::int64_t stripByteCountsValue = 0;
  std::int32_t stripByteCountSize = 0;  // 2 for 16-bit counts, 4 for 32-bit
  std::int32_t fillOrder = 1;           // 266
  std::int64_t rowsPerStrip = 0;        // 278
  std::uint32_t xResolutionNumerator = 0, xResolutionDenominator = 0;  // 282
  std::uint32_t yResolutionNumerator = 0, yResolutionDenominator = 0;  // 283
  std::int32_t bitsPerPixel = 1;  // 258, summed over the samples
  std::int32_t photometric = 0;   // 1 when PhotometricInterpretation is above 0
  std::uint32_t t4Options = 0;    // 292: how Group 3 data is coded (2-D, fill bits); 0 when absent
  QVariant software;              // 305: null, or the text
  QVariant creationDate;          // 306: null, or a QDateTime when the text is a valid date
  // 600: absent, present but empty (bar-code reading was on, nothing found), or holding codes.
  bool hasBarCodeTag = false;
  QString barCodeText;

  // Every strip, in the order of the file; each lies wholly inside the file.
  std::vector<std::uint32_t> stripOffsets;
  std::vector<std::uint32_t> stripByteCounts;

  std::int64_t TotalStripBytes() const;
  // True when there is at least one strip, offsets and counts agree in number, and each strip
  // starts where the one before it ends: only then can the strips be copied as one run.
  bool StripsContiguous() const;
};

// Result codes besides 0.
inline constexpr int kTiffShortRead = -1;  // a read fell short, or something lies past the file's end
inline constexpr int kTiffNotTiff = -3;    // not "II"/"MM" with the magic number 42
inline constexpr int kTiffDamaged = -6;    // a directory loop, or a count past the limits below

// Limits far above what a scanned document has; anything past them is damage.
inline constexpr int kTiffMaxPages = 100000;
inline constexpr int kTiffMaxEntries = 1024;          // per directory
inline constexpr std::int64_t kTiffMaxStrips = 1 << 20;  // per page
inline constexpr int kTiffMaxSamples = 64;            // values of BitsPerSample
inline constexpr std::int64_t kTiffMaxText = 1 << 20;    // bytes of one ASCII tag

// Reads every directory of the TIFF open on fd (reads use pread; the file position is left alone).
// pages receives one record per directory and pageCount their number; on failure they hold the
// pages read before it. Returns 0 or one of the codes above.
int ReadTIFFDirectories(int fd, std::vector<TIFFPageRecord>& pages, int& pageCount);

}  // namespace pyxa
