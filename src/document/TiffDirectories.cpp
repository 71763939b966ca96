#include "document/TiffDirectories.h"

#include <QDateTime>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

namespace pyxa {

std::int64_t TIFFPageRecord::TotalStripBytes() const {
  std::int64_t total = 0;
  for (std::uint32_t count : stripByteCounts) total += count;
  return total;
}

bool TIFFPageRecord::StripsContiguous() const {
  if (stripOffsets.empty() || stripOffsets.size() != stripByteCounts.size()) return false;
  for (std::size_t i = 1; i < stripOffsets.size(); ++i)
    if (std::uint64_t(stripOffsets[i - 1]) + stripByteCounts[i - 1] != stripOffsets[i]) return false;
  return true;
}

namespace {

constexpr std::uint16_t kShort = 3, kLong = 4, kAscii = 2;

class Reader {
 public:
  Reader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}

  void SetBigEndian(bool big) { big_ = big; }
  std::uint64_t Size() const { return size_; }

  // True when length bytes from offset lie inside the file; 64-bit sums of 32-bit values cannot
  // overflow, so the check itself is safe.
  bool Fits(std::uint64_t offset, std::uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

  // Reads exactly length bytes at offset; false for anything less.
  bool Read(std::uint64_t offset, void* out, std::size_t length) const {
    if (!Fits(offset, length)) return false;
    auto* bytes = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < length) {
      const ssize_t got = ::pread(fd_, bytes + done, length - done, off_t(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += std::size_t(got);
    }
    return true;
  }

  std::uint16_t U16(const unsigned char* b) const {
    return big_ ? std::uint16_t(b[0] << 8 | b[1]) : std::uint16_t(b[1] << 8 | b[0]);
  }
  std::uint32_t U32(const unsigned char* b) const {
    return big_ ? std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3]
                : std::uint32_t(b[3]) << 24 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[1]) << 8 | b[0];
  }

 private:
  int fd_;
  std::uint64_t size_;
  bool big_ = false;
};

struct Entry {
  std::uint16_t tag, type;
  std::uint32_t count;
  const unsigned char* value;  // the 4-byte value field, in file byte order
};

// A SHORT or LONG single value from the value field. A SHORT sits in the field's first two bytes
// in either byte order.
bool Scalar(const Reader& r, const Entry& e, std::int64_t* out) {
  if (e.count < 1) return false;
  if (e.type == kShort) *out = r.U16(e.value);
  else if (e.type == kLong) *out = r.U32(e.value);
  else return false;
  return true;
}

// The values of a SHORT or LONG array, inline when they fit in the field, else at its offset.
int Array(const Reader& r, const Entry& e, std::vector<std::uint32_t>* out) {
  const std::size_t width = e.type == kShort ? 2 : 4;
  const std::uint64_t bytes = std::uint64_t(e.count) * width;
  std::vector<unsigned char> raw;
  const unsigned char* source = e.value;
  if (bytes > 4) {
    const std::uint64_t at = r.U32(e.value);
    if (!r.Fits(at, bytes)) return kTiffShortRead;  // checked before anything is allocated
    raw.resize(std::size_t(bytes));
    if (!r.Read(at, raw.data(), raw.size())) return kTiffShortRead;
    source = raw.data();
  }
  out->resize(e.count);
  for (std::uint32_t i = 0; i < e.count; ++i)
    (*out)[i] = width == 2 ? r.U16(source + 2 * i) : r.U32(source + 4 * i);
  return 0;
}

// An ASCII value without one closing NUL; count bytes inline when they fit, else at the offset.
int Text(const Reader& r, const Entry& e, QByteArray* out) {
  if (e.count > kTiffMaxText) return kTiffDamaged;
  if (e.count <= 4) {
    *out = QByteArray(reinterpret_cast<const char*>(e.value), qsizetype(e.count));
  } else {
    const std::uint64_t at = r.U32(e.value);
    if (!r.Fits(at, e.count)) return kTiffShortRead;
    out->resize(qsizetype(e.count));
    if (!r.Read(at, out->data(), e.count)) return kTiffShortRead;
  }
  if (out->endsWith('\0')) out->chop(1);
  return 0;
}

// Tags whose values are kept; the rest of the directory is ignored.
int TakeEntry(const Reader& r, const Entry& e, TIFFPageRecord* page, std::uint32_t resolution[2]) {
  std::int64_t v = 0;
  switch (e.tag) {
    case 256: if (Scalar(r, e, &v)) page->imageWidth = v; break;
    case 257: if (Scalar(r, e, &v)) page->imageLength = v; break;
    case 259: if (Scalar(r, e, &v)) page->compression = std::int32_t(v); break;
    case 262: if (Scalar(r, e, &v)) page->photometric = v > 0 ? 1 : 0; break;
    case 266: if (Scalar(r, e, &v)) page->fillOrder = std::int32_t(v); break;
    case 278: if (Scalar(r, e, &v)) page->rowsPerStrip = v; break;
    case 292: if (Scalar(r, e, &v)) page->t4Options = std::uint32_t(v); break;
    case 258: {
      if (e.type != kShort || e.count < 1) break;
      if (e.count > kTiffMaxSamples) return kTiffDamaged;
      std::vector<std::uint32_t> bits;
      if (const int code = Array(r, e, &bits)) return code;
      std::int32_t sum = 0;
      for (std::uint32_t b : bits) sum += std::int32_t(b);
      page->bitsPerPixel = sum;
      break;
    }
    case 273:
    case 279: {
      if ((e.type != kShort && e.type != kLong) || e.count < 1) break;
      if (e.count > kTiffMaxStrips) return kTiffDamaged;
      std::vector<std::uint32_t>& values = e.tag == 273 ? page->stripOffsets : page->stripByteCounts;
      if (const int code = Array(r, e, &values)) return code;
      const std::int64_t field = e.type == kShort && e.count == 1 ? r.U16(e.value) : r.U32(e.value);
      if (e.tag == 273) {
        page->stripOffsetsValue = field;
        page->stripOffsetsType = e.type;
        page->stripCount = e.count;
      } else {
        page->stripByteCountsValue = field;
        page->stripByteCountSize = e.type == kShort ? 2 : 4;
      }
      break;
    }
    case 282:
    case 283:
      if (e.type == 5 && e.count >= 1) resolution[e.tag - 282] = r.U32(e.value);
      break;
    case 305:
    case 306:
    case 600: {
      if (e.type != kAscii) break;
      QByteArray text;
      if (const int code = Text(r, e, &text)) return code;
      if (e.tag == 305) {
        page->software = QString::fromLatin1(text);
      } else if (e.tag == 306) {
        const QDateTime date =
            text.size() == 19 ? QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy:MM:dd HH:mm:ss"))
                              : QDateTime();
        page->creationDate = date.isValid() ? QVariant(date) : QVariant();
      } else {
        page->hasBarCodeTag = true;
        page->barCodeText = QString::fromLatin1(text);
      }
      break;
    }
    default: break;
  }
  return 0;
}

// Every strip must lie inside the file, or a later copy of it would read past the end.
bool StripsInside(const Reader& r, const TIFFPageRecord& page) {
  const std::size_t n = std::min(page.stripOffsets.size(), page.stripByteCounts.size());
  for (std::size_t i = 0; i < n; ++i)
    if (!r.Fits(page.stripOffsets[i], page.stripByteCounts[i])) return false;
  return true;
}

}  // namespace

int ReadTIFFDirectories(int fd, std::vector<TIFFPageRecord>& pages, int& pageCount) {
  pages.clear();
  pageCount = 0;
  struct stat info {};
  if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size < 0) return kTiffShortRead;
  Reader r(fd, std::uint64_t(info.st_size));

  unsigned char header[8];
  if (!r.Read(0, header, sizeof header)) return kTiffShortRead;
  if (header[0] == 'I' && header[1] == 'I') r.SetBigEndian(false);
  else if (header[0] == 'M' && header[1] == 'M') r.SetBigEndian(true);
  else return kTiffNotTiff;
  if (r.U16(header + 2) != 42) return kTiffNotTiff;

  std::unordered_set<std::uint32_t> seen;
  std::vector<unsigned char> entries;
  for (std::uint32_t offset = r.U32(header + 4); offset >= 1;) {
    if (!seen.insert(offset).second) return kTiffDamaged;
    if (pageCount >= kTiffMaxPages) return kTiffDamaged;
    unsigned char countBytes[2];
    if (!r.Read(offset, countBytes, 2)) return kTiffShortRead;
    const std::uint16_t count = r.U16(countBytes);
    if (count > kTiffMaxEntries) return kTiffDamaged;
    entries.resize(std::size_t(count) * 12);
    if (!r.Read(std::uint64_t(offset) + 2, entries.data(), entries.size())) return kTiffShortRead;
    unsigned char nextBytes[4];
    // A directory without its next pointer ends the file; the pages before it stand.
    if (!r.Read(std::uint64_t(offset) + 2 + entries.size(), nextBytes, 4)) return 0;

    TIFFPageRecord page;
    std::uint32_t resolution[2] = {0, 0};  // where the X and Y rationals lie; 0 when absent
    for (std::uint16_t i = 0; i < count; ++i) {
      const unsigned char* b = entries.data() + 12 * std::size_t(i);
      const Entry e{r.U16(b), r.U16(b + 2), r.U32(b + 4), b + 8};
      if (const int code = TakeEntry(r, e, &page, resolution)) return code;
    }
    for (int k = 0; k < 2; ++k) {
      if (resolution[k] == 0) continue;
      unsigned char rational[8];
      if (!r.Read(resolution[k], rational, 8)) return kTiffShortRead;
      (k == 0 ? page.xResolutionNumerator : page.yResolutionNumerator) = r.U32(rational);
      (k == 0 ? page.xResolutionDenominator : page.yResolutionDenominator) = r.U32(rational + 4);
    }
    if (!StripsInside(r, page)) return kTiffShortRead;
    if (page.fillOrder < 0 || page.fillOrder > 0x7FFF) page.fillOrder = 1;  // negative as a signed 16-bit number
    if (page.bitsPerPixel == 0) page.bitsPerPixel = 1;

    pages.push_back(std::move(page));
    ++pageCount;
    offset = r.U32(nextBytes);
  }
  return 0;
}

}  // namespace pyxa
