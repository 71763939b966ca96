// The directory reader: files from libtiff in both byte orders must read as libtiff wrote them,
// hand-made files cover the layouts libtiff does not write, and every damaged or hostile file must
// end with its code at once.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "document/TiffDirectories.h"

namespace pyxa {
namespace {

int ReadFile(const QString& path, std::vector<TIFFPageRecord>* pages, int* count) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
  if (fd < 0) return 999;
  const int code = ReadTIFFDirectories(fd, *pages, *count);
  ::close(fd);
  return code;
}

int ReadBytes(const std::string& bytes, std::vector<TIFFPageRecord>* pages, int* count) {
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("t.tif")));
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
    return 999;
  file.close();
  return ReadFile(file.fileName(), pages, count);
}

// Hand-made classic TIFFs in either byte order.
struct E {
  uint16_t tag, type;
  uint32_t count, value;
};
struct Bytes {
  bool big = false;
  std::string s;
  Bytes& U16(uint32_t v) {
    for (int i = 0; i < 2; ++i) s += char(v >> 8 * (big ? 1 - i : i));
    return *this;
  }
  Bytes& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> 8 * (big ? 3 - i : i));
    return *this;
  }
  Bytes& Header(uint32_t first) {
    s += big ? "MM" : "II";
    return U16(42).U32(first);
  }
  // A SHORT single value goes in the field's first two bytes, as in any TIFF.
  Bytes& Dir(const std::vector<E>& entries, uint32_t next) {
    U16(uint32_t(entries.size()));
    for (const E& e : entries) {
      U16(e.tag).U16(e.type).U32(e.count);
      if (e.type == 3 && e.count == 1) U16(e.value).U16(0);
      else U32(e.value);
    }
    return U32(next);
  }
  Bytes& Pad(size_t size) {
    s.resize(size, '\0');
    return *this;
  }
};

// One page of 16 x 6 pixels written by libtiff, uncompressed in rowsPerStrip strips.
void WriteWithLibtiff(const QString& path, const char* mode, int rowsPerStrip, int samples) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 6);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, samples == 1 ? 1 : 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 200.0f);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 100.0f);
  TIFFSetField(tif, TIFFTAG_SOFTWARE, "Scan app 1.0");
  TIFFSetField(tif, TIFFTAG_DATETIME, "2024:03:05 07:08:09");
  const tmsize_t rowBytes = samples == 1 ? 2 : 16 * 3;
  std::vector<char> data(size_t(rowBytes * rowsPerStrip), '\x5a');
  for (int s = 0; s < 6 / rowsPerStrip; ++s) TIFFWriteEncodedStrip(tif, uint32_t(s), data.data(), tmsize_t(data.size()));
  TIFFClose(tif);
}

struct Written {
  const char* mode;
  int rowsPerStrip, samples;
};

class LibtiffFiles : public ::testing::TestWithParam<Written> {};

TEST_P(LibtiffFiles, ReadAsWritten) {
  const Written w = GetParam();
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("p.tif"));
  WriteWithLibtiff(path, w.mode, w.rowsPerStrip, w.samples);
  std::vector<TIFFPageRecord> pages;
  int count = -1;
  ASSERT_EQ(ReadFile(path, &pages, &count), 0);
  ASSERT_EQ(count, 1);
  ASSERT_EQ(pages.size(), 1u);
  const TIFFPageRecord& p = pages[0];
  EXPECT_EQ(p.imageWidth, 16);
  EXPECT_EQ(p.imageLength, 6);
  EXPECT_EQ(p.compression, 1);
  EXPECT_EQ(p.fillOrder, 1);
  EXPECT_EQ(p.rowsPerStrip, w.rowsPerStrip);
  EXPECT_EQ(p.bitsPerPixel, w.samples == 1 ? 1 : 24);
  EXPECT_EQ(p.photometric, w.samples == 1 ? 0 : 1);
  EXPECT_EQ(p.xResolutionNumerator / p.xResolutionDenominator, 200u);
  EXPECT_EQ(p.yResolutionNumerator / p.yResolutionDenominator, 100u);
  EXPECT_EQ(p.software.toString(), QStringLiteral("Scan app 1.0"));
  EXPECT_EQ(p.creationDate.toDateTime(), QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)));
  EXPECT_FALSE(p.hasBarCodeTag);

  // The strips exactly as libtiff knows them.
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
  ASSERT_NE(tif, nullptr);
  const int strips = int(TIFFNumberOfStrips(tif));
  ASSERT_EQ(p.stripCount, strips);
  ASSERT_EQ(p.stripOffsets.size(), size_t(strips));
  ASSERT_EQ(p.stripByteCounts.size(), size_t(strips));
  for (int s = 0; s < strips; ++s) {
    EXPECT_EQ(p.stripOffsets[size_t(s)], TIFFGetStrileOffset(tif, uint32_t(s)));
    EXPECT_EQ(p.stripByteCounts[size_t(s)], TIFFGetStrileByteCount(tif, uint32_t(s)));
  }
  TIFFClose(tif);
  EXPECT_TRUE(p.StripsContiguous());
  if (strips == 1) {
    EXPECT_EQ(p.stripOffsetsValue, p.stripOffsets[0]);
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, LibtiffFiles,
                         ::testing::Values(Written{"wl", 6, 1}, Written{"wb", 6, 1}, Written{"wl", 2, 1},
                                           Written{"wb", 2, 1}, Written{"wb", 2, 3}, Written{"wl", 6, 3}));

// Two hand-made pages: 3 strips with 16-bit byte counts out of order, three samples, a DateTime of
// the wrong length and an empty tag 600; then a page with bar codes and nothing else.
std::string HandMade(bool big) {
  Bytes b{big, {}};
  b.Header(8);
  const std::vector<E> first = {{256, 3, 1, 0x0102}, {257, 4, 1, 30},  {258, 3, 3, 200}, {259, 3, 1, 4},
                                {266, 3, 1, 0xFFFF}, {273, 4, 3, 220}, {279, 3, 3, 240}, {306, 2, 19, 250},
                                {600, 2, 1, 0}};
  b.Dir(first, 300);
  b.Pad(200).U16(8).U16(8).U16(8);
  b.Pad(220).U32(400).U32(500).U32(410);  // strip 2 lies behind strip 3
  b.Pad(240).U16(10).U16(10).U16(10);
  b.Pad(250).s += "2024:03:05 07:08";  // 19 bytes with the padding NULs
  b.Pad(300).Dir({{600, 2, 10, 360}}, 0);
  b.Pad(360).s += std::string("A,1,2,EAN\0", 10);
  return b.Pad(520).s;
}

TEST(TiffDirectories, HandMadeLayouts) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    std::vector<TIFFPageRecord> pages;
    int count = 0;
    ASSERT_EQ(ReadBytes(HandMade(big), &pages, &count), 0);
    ASSERT_EQ(count, 2);
    const TIFFPageRecord& p = pages[0];
    EXPECT_EQ(p.imageWidth, 0x0102);
    EXPECT_EQ(p.imageLength, 30);
    EXPECT_EQ(p.bitsPerPixel, 24);
    EXPECT_EQ(p.compression, 4);
    EXPECT_EQ(p.fillOrder, 1);  // 0xFFFF is -1 as a signed 16-bit number
    EXPECT_EQ(p.stripOffsetsType, 4);
    EXPECT_EQ(p.stripOffsetsValue, 220);
    EXPECT_EQ(p.stripByteCountSize, 2);
    EXPECT_EQ(p.stripByteCountsValue, 240);
    EXPECT_EQ(p.stripOffsets, (std::vector<uint32_t>{400, 500, 410}));
    EXPECT_EQ(p.stripByteCounts, (std::vector<uint32_t>{10, 10, 10}));
    EXPECT_EQ(p.TotalStripBytes(), 30);
    EXPECT_FALSE(p.StripsContiguous());
    EXPECT_TRUE(p.creationDate.isNull());
    EXPECT_TRUE(p.software.isNull());
    EXPECT_TRUE(p.hasBarCodeTag);
    EXPECT_TRUE(p.barCodeText.isEmpty());
    const TIFFPageRecord& q = pages[1];
    EXPECT_EQ(q.imageWidth, -1);
    EXPECT_EQ(q.stripCount, -1);
    EXPECT_EQ(q.bitsPerPixel, 1);
    EXPECT_TRUE(q.hasBarCodeTag);
    EXPECT_EQ(q.barCodeText, QStringLiteral("A,1,2,EAN"));
  }
}

TEST(TiffDirectories, MissingNextPointerEndsTheFileWithoutThatPage) {
  Bytes b;
  b.Header(8).Dir({{256, 3, 1, 5}}, 26).Pad(26).U16(1).U16(256).U16(3).U32(1).U32(7);
  std::vector<TIFFPageRecord> pages;
  int count = 0;
  EXPECT_EQ(ReadBytes(b.s, &pages, &count), 0);
  EXPECT_EQ(count, 1);
}

struct Hostile {
  const char* name;
  std::string bytes;
  int code;
};

std::vector<Hostile> HostileFiles() {
  auto one = [](const std::vector<E>& entries, size_t size) { return Bytes().Header(8).Dir(entries, 0).Pad(size).s; };
  Bytes loop;
  loop.Header(8).Dir({}, 14).Dir({}, 8);
  Bytes manyEntries;
  manyEntries.Header(8).Dir(std::vector<E>(size_t(kTiffMaxEntries) + 1, E{0, 3, 1, 0}), 0);
  return {
      {"TruncatedHeader", std::string("II*\0", 4), kTiffShortRead},
      {"BadMark", std::string("XX*\0\x08\0\0\0", 8), kTiffNotTiff},
      {"BigTiffMagic", std::string("II+\0\x08\0\0\0", 8), kTiffNotTiff},
      {"IfdPastEnd", Bytes().Header(1000).s, kTiffShortRead},
      {"EntriesPastEnd", Bytes().Header(8).U16(10).Pad(40).s, kTiffShortRead},
      {"StripOffsetsPastEnd", one({{273, 4, 3, 5000}, {279, 4, 1, 1}}, 64), kTiffShortRead},
      {"StripCountsPastEnd", one({{273, 4, 1, 8}, {279, 4, 3, 5000}}, 64), kTiffShortRead},
      {"StripDataPastEnd", one({{273, 4, 1, 30}, {279, 4, 1, 100000}}, 64), kTiffShortRead},
      {"StripOffsetPlusCountOverflows", one({{273, 4, 1, 0xFFFFFFF0}, {279, 4, 1, 0x20}}, 64), kTiffShortRead},
      {"TextPastEnd", one({{305, 2, 50, 5000}}, 64), kTiffShortRead},
      {"RationalPastEnd", one({{282, 5, 1, 5000}}, 64), kTiffShortRead},
      {"SamplesPastEnd", one({{258, 3, 3, 5000}}, 64), kTiffShortRead},
      {"DirectoryLoop", loop.s, kTiffDamaged},
      {"SelfLoop", Bytes().Header(8).Dir({}, 8).s, kTiffDamaged},
      {"HugeEntryCount", manyEntries.s, kTiffDamaged},
      {"HugeStripCount", one({{273, 4, 0x40000000, 8}}, 64), kTiffDamaged},
      {"HugeByteCountCount", one({{279, 4, 0xFFFFFFFF, 8}}, 64), kTiffDamaged},
      {"HugeText", one({{305, 2, 0xFFFFFFFF, 8}}, 64), kTiffDamaged},
      {"HugeSampleCount", one({{258, 3, 0xFFFFFFFF, 8}}, 64), kTiffDamaged},
  };
}

void PrintTo(const Hostile& hostile, std::ostream* out) { *out << hostile.name; }

class HostileFile : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, EndsWithItsCode) {
  std::vector<TIFFPageRecord> pages;
  int count = -1;
  EXPECT_EQ(ReadBytes(GetParam().bytes, &pages, &count), GetParam().code);
  EXPECT_LE(count, 2);  // a loop is caught on its first return, not by the page limit
  EXPECT_EQ(size_t(count), pages.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileFile, ::testing::ValuesIn(HostileFiles()),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(TiffDirectories, PageLimit) {
  Bytes b;
  b.Header(8);
  for (int i = 0; i <= kTiffMaxPages; ++i) b.Dir({}, i == kTiffMaxPages ? 0 : uint32_t(b.s.size() + 6));
  std::vector<TIFFPageRecord> pages;
  int count = 0;
  EXPECT_EQ(ReadBytes(b.s, &pages, &count), kTiffDamaged);
  EXPECT_EQ(count, kTiffMaxPages);
}

TEST(TiffDirectories, BadDescriptorIsAShortRead) {
  std::vector<TIFFPageRecord> pages;
  int count = 7;
  EXPECT_EQ(ReadTIFFDirectories(-1, pages, count), kTiffShortRead);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace pyxa
