#include "document/TiffPageFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <memory>

#include "document/BarCodes.h"
#include "document/BesideFile.h"
#include "document/MemoryClass.h"
#include "document/PageImaging.h"
#include "document/Pages.h"
#include "document/TiffPages.h"

namespace pyxa {

namespace {

constexpr std::uint16_t kShort = 3, kLong = 4, kAscii = 2, kRational = 5;
constexpr std::uint64_t kClassicLimit = 0xFFFFFFFFu;  // the last offset a classic TIFF can name
// Output waiting in memory is written out once it passes this, so a long document goes to disk in
// large sequential writes without the whole of it held in memory.
constexpr std::int64_t kFlushThreshold = 200000;
constexpr unsigned char kHeader[8] = {'I', 'I', 42, 0, 8, 0, 0, 0};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Close() {
    const int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

int OpenRead(const QString& path) {
  return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
}

struct DirEntry {
  std::uint16_t tag, type;
  std::uint32_t count, value;
};

void Put16(unsigned char* b, std::uint16_t v) {
  b[0] = static_cast<unsigned char>(v);
  b[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Append32(QByteArray& out, std::uint32_t v) {
  unsigned char b[4];
  Put32(b, v);
  out.append(reinterpret_cast<const char*>(b), 4);
}

// An ASCII value with its closing NUL. A TIFF reader takes values of up to four bytes from the
// entry itself, so such a text is kept there; longer ones go to the value area.
struct TextValue {
  QByteArray bytes;  // with the NUL
  bool Inline() const { return bytes.size() <= 4; }
  std::uint32_t InlineValue() const {
    unsigned char b[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < bytes.size(); ++i) b[i] = static_cast<unsigned char>(bytes[i]);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
  }
};

TextValue Text(const QByteArray& latin1) { return TextValue{latin1 + '\0'}; }

// Where the page's image data is: every strip, in the order the file lists them.
int StripLayout(const TIFFPageRecord& page, std::vector<std::uint32_t>* offsets, std::vector<std::uint32_t>* counts) {
  if (page.stripOffsets.empty() || page.stripOffsets.size() != page.stripByteCounts.size()) return kTiffNoStrips;
  *offsets = page.stripOffsets;
  *counts = page.stripByteCounts;
  return 0;
}

// Appends exactly count bytes read at offset; the buffer's own code or -1 when the file ends.
int AppendFromFile(int fd, std::uint64_t offset, std::uint32_t count, MemoryClass& buffer) {
  if (::lseek(fd, off_t(offset), SEEK_SET) < 0) return kTiffShortRead;
  const std::int64_t got = buffer.ReadFromFile(fd, count);
  if (got == MemoryClass::kAllocationFailed) return ENOMEM;
  return got == std::int64_t(count) ? 0 : kTiffShortRead;
}

}  // namespace

QString ScanSoftwareText() {
  return QStringLiteral("Tallowmere ScanHarbor v.%1.%2.%3").arg(PYXA_VERSION_MAJOR).arg(PYXA_VERSION_MINOR)
      .arg(PYXA_VERSION_PATCH);
}

QString TiffDateTimeText(const QDateTime& when) { return when.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")); }

int WriteTIFFPage(std::int64_t baseOffset, int sourceFd, int sourcePage, const std::vector<TIFFPageRecord>& records,
                  const cBarCodes* barCodes, bool lastPage, MemoryClass& buffer, const TiffStamp& stamp) {
  if (sourcePage < 1 || std::size_t(sourcePage) > records.size()) return kTiffShortRead;
  const TIFFPageRecord& page = records[std::size_t(sourcePage) - 1];
  // Without both sizes the strips cannot be read as a page: an absent size would otherwise be
  // written as 4294967295, which libtiff takes for a page without image data.
  if (page.imageWidth < 1 || page.imageLength < 1) return kTiffDamaged;
  std::vector<std::uint32_t> offsets, counts;
  if (const int code = StripLayout(page, &offsets, &counts)) return code;
  std::uint64_t imageBytes = 0;
  for (std::uint32_t c : counts) imageBytes += c;
  // Strips that hold no bytes at all are no page: libtiff drops them when it joins such a page,
  // and the joined file then has a page without strips that cannot be opened again.
  if (imageBytes == 0) return kTiffDamaged;
  const std::size_t strips = offsets.size();

  const bool resolutions = page.xResolutionNumerator >= 1 && page.yResolutionNumerator >= 1;
  const TextValue software = Text(stamp.software.toLatin1());
  const TextValue dateTime = Text(stamp.dateTime.toLatin1());
  const bool withBarCodes = barCodes != nullptr && barCodes->Enabled();
  const TextValue barCodeText = Text(withBarCodes ? BarCodesToBytes(*barCodes) : QByteArray());
  // Group 3 data coded two-dimensionally, or with fill bits, decodes wrongly without its options.
  const bool t4 = page.t4Options != 0;

  const std::uint32_t n = 12 + (resolutions ? 2 : 0) + (t4 ? 1 : 0) + (withBarCodes ? 1 : 0);
  const std::uint64_t p = std::uint64_t(baseOffset) + std::uint64_t(buffer.GetDataLength());
  const std::uint64_t imageStart = p + 2 + 12 * std::uint64_t(n) + 4;
  const std::uint64_t v = imageStart + imageBytes;

  // The value area, in its fixed order; each entry's place in it is noted as it is laid down.
  QByteArray values;
  auto place = [&](const QByteArray& bytes) {
    const std::uint64_t at = v + std::uint64_t(values.size());
    values.append(bytes);
    return at;
  };
  std::uint64_t xAt = 0, yAt = 0, softwareAt = 0, dateAt = 0, barAt = 0, countsAt = 0, offsetsAt = 0;
  if (resolutions) {
    QByteArray x, y;
    Append32(x, page.xResolutionNumerator);
    Append32(x, page.xResolutionDenominator);
    Append32(y, page.yResolutionNumerator);
    Append32(y, page.yResolutionDenominator);
    xAt = place(x);
    yAt = place(y);
  }
  if (!software.Inline()) softwareAt = place(software.bytes);
  if (!dateTime.Inline()) dateAt = place(dateTime.bytes);
  if (withBarCodes && !barCodeText.Inline()) barAt = place(barCodeText.bytes);
  std::vector<std::uint32_t> newOffsets(strips);
  if (imageStart + imageBytes > kClassicLimit) return kTiffTooLarge;
  newOffsets[0] = std::uint32_t(imageStart);
  for (std::size_t i = 1; i < strips; ++i) newOffsets[i] = newOffsets[i - 1] + counts[i - 1];
  if (strips > 1) {
    QByteArray array;
    for (std::uint32_t c : counts) Append32(array, c);
    countsAt = place(array);
    array.clear();
    for (std::uint32_t o : newOffsets) Append32(array, o);
    offsetsAt = place(array);
  }
  if (v + std::uint64_t(values.size()) > kClassicLimit) return kTiffTooLarge;

  // Width and length take 32 bits past 65535, where a 16-bit value would wrap.
  auto size = [](std::int64_t value) {
    return value >= 0 && value <= 0xFFFF ? DirEntry{0, kShort, 1, std::uint32_t(value)}
                                         : DirEntry{0, kLong, 1, std::uint32_t(value)};
  };
  DirEntry width = size(page.imageWidth), length = size(page.imageLength);
  width.tag = 256;
  length.tag = 257;
  const std::uint32_t rowsPerStrip = page.rowsPerStrip > 0 ? std::uint32_t(page.rowsPerStrip) : 0xFFFFFFFFu;
  const std::uint32_t compression = page.compression >= 0 ? std::uint32_t(page.compression) : 1;
  std::vector<DirEntry> entries = {
      {254, kLong, 1, 0},
      width,
      length,
      {258, kShort, 1, 1},
      {259, kShort, 1, compression & 0xFFFF},
      {262, kShort, 1, std::uint32_t(page.photometric)},
      {266, kShort, 1, std::uint32_t(page.fillOrder) & 0xFFFF},
      {273, kLong, std::uint32_t(strips), strips > 1 ? std::uint32_t(offsetsAt) : newOffsets[0]},
      {278, kLong, 1, rowsPerStrip},
      {279, kLong, std::uint32_t(strips), strips > 1 ? std::uint32_t(countsAt) : counts[0]},
  };
  if (resolutions) {
    entries.push_back({282, kRational, 1, std::uint32_t(xAt)});
    entries.push_back({283, kRational, 1, std::uint32_t(yAt)});
  }
  if (t4) entries.push_back({292, kLong, 1, page.t4Options});
  entries.push_back({305, kAscii, std::uint32_t(software.bytes.size()),
                     software.Inline() ? software.InlineValue() : std::uint32_t(softwareAt)});
  entries.push_back({306, kAscii, std::uint32_t(dateTime.bytes.size()),
                     dateTime.Inline() ? dateTime.InlineValue() : std::uint32_t(dateAt)});
  if (withBarCodes) {
    entries.push_back({600, kAscii, std::uint32_t(barCodeText.bytes.size()),
                       barCodeText.Inline() ? barCodeText.InlineValue() : std::uint32_t(barAt)});
  }

  // The directory.
  std::vector<unsigned char> directory(2 + 12 * entries.size() + 4);
  Put16(directory.data(), std::uint16_t(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    unsigned char* b = directory.data() + 2 + 12 * i;
    Put16(b, entries[i].tag);
    Put16(b + 2, entries[i].type);
    Put32(b + 4, entries[i].count);
    if (entries[i].type == kShort && entries[i].count == 1) {
      Put16(b + 8, std::uint16_t(entries[i].value));
      Put16(b + 10, 0);
    } else {
      Put32(b + 8, entries[i].value);
    }
  }
  const std::uint64_t next = lastPage ? 0 : v + std::uint64_t(values.size());
  Put32(directory.data() + directory.size() - 4, std::uint32_t(next));
  if (buffer.AppendToMemory(directory.data(), std::int64_t(directory.size())) == 0) return ENOMEM;

  // The image data: one read when the strips lie in one run, else strip by strip, so strips stored
  // apart or out of order still arrive whole and in order.
  if (page.StripsContiguous()) {
    std::uint64_t done = 0;
    while (done < imageBytes) {  // ReadFromFile takes at most 4 GB minus one at a time
      const std::uint32_t part = std::uint32_t(std::min<std::uint64_t>(imageBytes - done, 0x7FFFFFFF));
      if (const int code = AppendFromFile(sourceFd, offsets[0] + done, part, buffer)) return code;
      done += part;
    }
  } else {
    for (std::size_t i = 0; i < strips; ++i)
      if (const int code = AppendFromFile(sourceFd, offsets[i], counts[i], buffer)) return code;
  }
  if (!values.isEmpty() && buffer.AppendToMemory(values.constData(), values.size()) == 0) return ENOMEM;
  return 0;
}

int LoadTIFFFile(const QString& fileName, cPages& pages, const QString& pageFolder, const TiffStamp& stamp,
                 const StatusReporter& status) {
  const Fd source(OpenRead(fileName));
  if (source.get() < 0) return kTiffCannotOpen;
  if (status) status(QStringLiteral("Status: ") + QStringLiteral("Collecting information..."));

  std::vector<TIFFPageRecord> records;
  int count = 0;
  if (const int code = ReadTIFFDirectories(source.get(), records, count)) return code;

  MemoryClass buffer;
  std::unique_ptr<TiffPages> imaging;  // opened on the first greyscale or colour page
  for (int p = 1; p <= count; ++p) {
    const TIFFPageRecord& record = records[std::size_t(p) - 1];
    auto page = std::make_shared<cPage>();
    const int bits = record.bitsPerPixel;
    page->ColourModel = bits == 1 ? 1 : bits == 4 || bits == 8 ? 2 : 3;
    std::int32_t code = 0;
    page->CreateTempFile(pageFolder, code);
    if (code != 0) return code;
    const QByteArray pagePath = QFile::encodeName(page->FileName);

    // A page without strips (tiled) cannot be copied as it is: it is decoded and written anew.
    const bool copied = page->ColourModel == 1 && !record.stripOffsets.empty() &&
                        record.stripOffsets.size() == record.stripByteCounts.size();
    int compression = record.compression;
    if (copied) {
      Fd out(::open(pagePath.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
      if (out.get() < 0) code = kTiffShortRead;
      buffer.Reset();
      if (code == 0 && buffer.AppendToMemory(kHeader, sizeof kHeader) == 0) code = ENOMEM;
      if (code == 0) code = WriteTIFFPage(0, source.get(), p, records, nullptr, true, buffer, stamp);
      if (code == 0 && buffer.WriteToFile(out.get()) != buffer.GetDataLength()) code = kTiffShortWrite;
      if (code == 0 && out.Close() != 0) code = kTiffShortWrite;
    } else {
      if (!imaging) {
        imaging = std::make_unique<TiffPages>();
        if (!imaging->Open(fileName).Ok()) code = kTiffCannotOpen;
      }
      if (code == 0 && page->ColourModel == 1) {
        compression = compression == 1 || compression == 3 ? compression : 4;
        code = ExportTiffPageAsBilevel(*imaging, p - 1, page->FileName, compression);
      } else if (code == 0) {
        code = ExportTiffPageAsJpeg(*imaging, p - 1, page->FileName);
      }
    }
    if (code != 0) {
      // This page's file belongs to no page yet: it goes, the pages before it stay.
      ::unlink(pagePath.constData());
      return code;
    }

    page->CompressionType = compression == 1 || compression == 3 || compression == 4 ? compression : -1;
    page->CreationDate = record.creationDate;
    page->FileCreator = record.software;
    page->PageType = 0;
    page->ResolutionUnit = 2;
    if (record.xResolutionNumerator > 0 && record.xResolutionDenominator > 0)
      page->XResolution = std::int32_t(double(record.xResolutionNumerator) / record.xResolutionDenominator + 0.5);
    if (record.yResolutionNumerator > 0 && record.yResolutionDenominator > 0)
      page->YResolution = std::int32_t(double(record.yResolutionNumerator) / record.yResolutionDenominator + 0.5);
    if (record.hasBarCodeTag) {
      page->BarCodes().SetEnabled(true);
      ReadBarCodesText(record.barCodeText, page->BarCodes());
    }
    pages.AddPage(page, p);
  }
  return 0;
}

namespace {

// Writes the whole buffer; -2 when less went out.
int Flush(MemoryClass& buffer, int fd, std::int64_t& base) {
  const std::int64_t length = buffer.GetDataLength();
  if (length == 0) return 0;
  if (buffer.WriteToFile(fd) != length) return kTiffShortWrite;
  base += length;
  buffer.Reset();
  return 0;
}

}  // namespace

int SaveTIFFFile(const QString& fileName, const PageFileTable& table, std::int32_t startPage, std::int32_t pageCount,
                 const cPages& pages, const TiffStamp& stamp) {
  if (pageCount < 1 || startPage < 1 || std::size_t(pageCount) > table.size()) return kTiffCannotOpen;

  bool imagingPath = false;
  for (const auto& page : pages) imagingPath = imagingPath || page->ColourModel == 2 || page->ColourModel == 3;
  if (imagingPath) {
    std::vector<QString> files;
    // The bar codes travel too, as on the copied path: row k carries those of page startPage + k.
    std::vector<std::optional<QByteArray>> barCodes;
    for (std::int32_t k = 0; k < pageCount; ++k) {
      files.push_back(table[std::size_t(k)].first);
      const auto owner = pages.Item(startPage + k);
      barCodes.push_back(owner && owner->BarCodes().Enabled() ? std::optional(BarCodesToBytes(owner->BarCodes()))
                                                              : std::nullopt);
    }
    return JoinPageFilesAsTiff(files, fileName, nullptr, barCodes);
  }

  BesideFile target(fileName);
  if (target.Error() != 0) return target.Error();
  MemoryClass buffer;
  std::int64_t base = 0;
  if (buffer.AppendToMemory(kHeader, sizeof kHeader) == 0) return ENOMEM;
  const std::int32_t last = startPage + pageCount - 1;
  std::vector<TIFFPageRecord> records;
  for (std::int32_t q = startPage; q <= last; ++q) {
    const Fd page(OpenRead(table[std::size_t(q - startPage)].first));
    if (page.get() < 0) return kTiffCannotOpen;
    // A page file another holder has locked is being written: its bytes cannot be trusted yet.
    if (::flock(page.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) return kTiffCannotOpen;
    int count = 0;
    if (const int code = ReadTIFFDirectories(page.get(), records, count)) return code;
    const auto owner = pages.Item(q);
    const cBarCodes* barCodes = owner ? &owner->BarCodes() : nullptr;
    if (const int code = WriteTIFFPage(base, page.get(), 1, records, barCodes, q == last, buffer, stamp)) return code;
    if (buffer.GetDataLength() > kFlushThreshold)
      if (const int code = Flush(buffer, target.Fd(), base)) return code;
  }
  if (const int code = Flush(buffer, target.Fd(), base)) return code;
  return target.Commit();
}

}  // namespace pyxa
