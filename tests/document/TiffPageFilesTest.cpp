// Splitting a document's TIFF into page files and joining them again: the exact layout of what is
// written, sources of every strip layout and byte order, bar codes through the file, greyscale and
// colour pages through the imaging layer, and failures that must leave files as they were.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <map>

#include "TestTiffs.h"
#include "document/BarCodes.h"
#include "document/Pages.h"
#include "document/TiffPageFiles.h"

namespace pyxa {
namespace {

using testing::TestPage;

const TiffStamp kStamp{ScanSoftwareText(), QStringLiteral("2026:12:07 10:11:12")};

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::uint32_t U32(const QByteArray& b, qsizetype at) {
  return std::uint32_t(std::uint8_t(b[at])) | std::uint32_t(std::uint8_t(b[at + 1])) << 8 |
         std::uint32_t(std::uint8_t(b[at + 2])) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24;
}
std::uint16_t U16(const QByteArray& b, qsizetype at) {
  return std::uint16_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8);
}

struct RawEntry {
  std::uint16_t type;
  std::uint32_t count, value;
};
// The directory at offset of a little-endian file, the tags in file order, and its next offset.
struct RawDirectory {
  std::vector<std::uint16_t> order;
  std::map<std::uint16_t, RawEntry> entries;
  std::uint32_t next = 0;
};
RawDirectory ReadDirectory(const QByteArray& file, std::uint32_t offset) {
  RawDirectory d;
  const int n = U16(file, offset);
  for (int i = 0; i < n; ++i) {
    const qsizetype e = offset + 2 + 12 * i;
    d.order.push_back(U16(file, e));
    d.entries[U16(file, e)] = {U16(file, e + 2), U32(file, e + 4), U32(file, e + 8)};
  }
  d.next = U32(file, offset + 2 + 12 * n);
  return d;
}

// The compressed bytes of page index of a TIFF, strip after strip.
QByteArray CompressedBytes(const QString& path, int index) {
  TIFFSetWarningHandler(nullptr);  // the private bar-code tag is news to libtiff
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (!tif || !TIFFSetDirectory(tif, tdir_t(index))) return tif ? TIFFClose(tif), QByteArray() : QByteArray();
  QByteArray all;
  for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
    QByteArray strip(qsizetype(TIFFGetStrileByteCount(tif, s)), '\0');
    TIFFReadRawStrip(tif, s, strip.data(), strip.size());
    all += strip;
  }
  TIFFClose(tif);
  return all;
}

class TiffPageFiles : public ::testing::Test {
 protected:
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString PageFolder() const {
    QDir().mkpath(dir_.filePath(QStringLiteral("pages")));
    return dir_.filePath(QStringLiteral("pages"));
  }
  int Load(const QString& file, cPages& pages) { return LoadTIFFFile(file, pages, PageFolder(), kStamp); }
  static PageFileTable Table(const cPages& pages) {
    PageFileTable table;
    for (const auto& page : pages) table.push_back({page->FileName, false});
    return table;
  }
  QTemporaryDir dir_;
};

// Each source shape becomes page files that decode to the source's pixels in the fixed layout.
struct Shape {
  const char* name;
  TestPage layout;
  bool big;
  std::vector<std::uint16_t> tags;
};

TEST_F(TiffPageFiles, EverySourceShapeBecomesAPageFileOfTheFixedLayout) {
  const std::vector<std::uint16_t> twelve = {254, 256, 257, 258, 259, 262, 266, 273, 278, 279, 305, 306};
  std::vector<std::uint16_t> fourteen = twelve;
  fourteen.insert(fourteen.begin() + 10, {282, 283});
  TestPage noResolution;
  noResolution.resolution = false;
  TestPage threeStrips;
  threeStrips.rowsPerStrip = 16;
  threeStrips.compression = COMPRESSION_NONE;
  TestPage scattered = threeStrips;
  scattered.reverseStrips = true;
  TestPage group3;
  group3.compression = COMPRESSION_CCITTFAX3;
  const Shape shapes[] = {
      {"one G4 strip with resolutions", TestPage{}, false, fourteen},
      {"without resolutions", noResolution, false, twelve},
      {"three strips", threeStrips, false, fourteen},
      {"big-endian three strips", threeStrips, true, fourteen},
      {"strips stored out of order", scattered, false, fourteen},
      {"group 3", group3, true, fourteen},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const QString source = Path(QStringLiteral("source.tif"));
    ASSERT_TRUE(testing::WriteTiff(source, {shape.layout}, shape.big));
    cPages pages;
    ASSERT_EQ(Load(source, pages), 0);
    ASSERT_EQ(pages.Count(), 1);
    const auto page = pages.Item(1);
    EXPECT_TRUE(page->FileName.endsWith(QStringLiteral(".TIF")));
    EXPECT_EQ(page->ColourModel, 1);
    EXPECT_EQ(page->CompressionType, shape.layout.compression);
    EXPECT_EQ(page->XResolution, shape.layout.resolution ? 200 : 0);
    EXPECT_EQ(page->YResolution, shape.layout.resolution ? 100 : 0);
    EXPECT_FALSE(page->BarCodes().Enabled());

    const QByteArray file = Bytes(page->FileName);
    ASSERT_EQ(file.left(8), QByteArray("II\x2a\0\x08\0\0\0", 8));
    const RawDirectory d = ReadDirectory(file, 8);
    EXPECT_EQ(d.order, shape.tags);  // never a tag 600 from the loader
    EXPECT_EQ(d.next, 0u);
    EXPECT_EQ(d.entries.at(256).value, 64u);
    EXPECT_EQ(d.entries.at(258).value, 1u);
    const std::uint32_t imageStart = 8 + 2 + 12 * std::uint32_t(d.order.size()) + 4;
    const std::uint32_t strips = d.entries.at(273).count;
    EXPECT_EQ(strips, shape.layout.rowsPerStrip ? 3u : 1u);
    if (strips == 1) {
      EXPECT_EQ(d.entries.at(273).value, imageStart);
    } else {  // both arrays in the value area, byte counts first, strips in page order
      const std::uint32_t countsAt = d.entries.at(279).value, offsetsAt = d.entries.at(273).value;
      EXPECT_EQ(offsetsAt, countsAt + 4 * strips);
      EXPECT_EQ(U32(file, offsetsAt), imageStart);
      EXPECT_EQ(U32(file, offsetsAt + 4), imageStart + U32(file, countsAt));
    }
    EXPECT_EQ(file.mid(d.entries.at(305).value, d.entries.at(305).count),
              QByteArray("Tallowmere ScanHarbor v.2.5.2") + '\0');
    EXPECT_EQ(d.entries.at(306).count, 20u);
    EXPECT_EQ(testing::TiffinfoComplaint(page->FileName), QString());
    EXPECT_EQ(testing::Decoded(page->FileName, 0), testing::Decoded(source, 0));
    QFile::remove(page->FileName);
  }
}

TEST_F(TiffPageFiles, AHundredPagesRoundTripWithUntouchedPagesByteForByte) {
  std::vector<TestPage> batch(100);
  for (int i = 0; i < 100; ++i) batch[std::size_t(i)].seed = i;
  const QString source = Path(QStringLiteral("batch.tif"));
  ASSERT_TRUE(testing::WriteTiff(source, batch));
  cPages pages;
  ASSERT_EQ(Load(source, pages), 0);
  ASSERT_EQ(pages.Count(), 100);

  // Edit: drop pages 10 and 50, move the last page to the front, give two pages bar codes.
  std::vector<int> order;  // source page of each remaining page
  for (int i = 1; i <= 100; ++i) order.push_back(i);
  pages.Remove(50), order.erase(order.begin() + 49);
  pages.Remove(10), order.erase(order.begin() + 9);
  auto last = pages.Item(pages.Count());
  pages.Remove(pages.Count()), order.pop_back();
  pages.AddPage(last, 1, QString(), 1), order.insert(order.begin(), 100);
  pages.Item(2)->BarCodes().SetEnabled(true);  // reading was on and found nothing
  pages.Item(3)->BarCodes().Add(4, 12.5, 40, QStringLiteral("4006381333931"));
  pages.Item(3)->BarCodes().Add(2, 100, 7, QStringLiteral("MRN,12"));

  const QString joined = Path(QStringLiteral("joined.tif"));
  ASSERT_EQ(SaveTIFFFile(joined, Table(pages), 1, pages.Count(), pages, kStamp), 0);
  EXPECT_EQ(testing::TiffinfoComplaint(joined), QString());
  const QByteArray file = Bytes(joined);
  const RawDirectory second = ReadDirectory(file, ReadDirectory(file, 8).next);
  EXPECT_EQ(second.entries.at(600).count, 1u);  // only the NUL
  EXPECT_EQ(second.entries.at(600).value, 0u);  // kept in the entry, where readers look for it
  for (int k = 0; k < 98; ++k)
    ASSERT_EQ(CompressedBytes(joined, k), CompressedBytes(source, order[std::size_t(k)] - 1)) << "page " << k + 1;

  cPages again;
  ASSERT_EQ(Load(joined, again), 0);
  ASSERT_EQ(again.Count(), 98);
  EXPECT_TRUE(again.Item(2)->BarCodes().Enabled());
  EXPECT_EQ(again.Item(2)->BarCodes().Count(), 0);
  ASSERT_EQ(again.Item(3)->BarCodes().Count(), 2);
  EXPECT_EQ(again.Item(3)->BarCodes().Item(2)->Value, QStringLiteral("MRN,12"));
  EXPECT_EQ(again.Item(3)->BarCodes().Item(1)->BarCodeType, 4);
  EXPECT_FALSE(again.Item(4)->BarCodes().Enabled());
  EXPECT_EQ(again.Item(1)->CreationDate.toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12)));
}

TEST_F(TiffPageFiles, WideAndTallPagesKeepTheirSize) {
  TestPage wide;
  wide.width = 70000;
  wide.height = 2;
  wide.compression = COMPRESSION_NONE;
  const QString source = Path(QStringLiteral("wide.tif"));
  ASSERT_TRUE(testing::WriteTiff(source, {wide}));
  cPages pages;
  ASSERT_EQ(Load(source, pages), 0);
  const RawDirectory d = ReadDirectory(Bytes(pages.Item(1)->FileName), 8);
  EXPECT_EQ(d.entries.at(256).type, 4);
  EXPECT_EQ(d.entries.at(256).value, 70000u);
  EXPECT_EQ(d.entries.at(257).type, 3);
  EXPECT_EQ(testing::Decoded(pages.Item(1)->FileName, 0), testing::Decoded(source, 0));
}

// Tiles cannot be copied into the fixed layout: the page is decoded and written anew.
TEST_F(TiffPageFiles, ATiledPageIsWrittenAnew) {
  const QString source = Path(QStringLiteral("tiled.tif"));
  TIFF* tif = TIFFOpen(QFile::encodeName(source).constData(), "w");
  ASSERT_NE(tif, nullptr);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 32);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 32);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
  TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
  for (std::uint32_t t = 0; t < 4; ++t) {
    std::vector<unsigned char> tile(32, static_cast<unsigned char>(0x11 * (t + 1)));
    TIFFWriteEncodedTile(tif, t, tile.data(), tmsize_t(tile.size()));
  }
  TIFFClose(tif);
  cPages pages;
  ASSERT_EQ(Load(source, pages), 0);
  EXPECT_EQ(pages.Item(1)->CompressionType, 4);
  EXPECT_EQ(testing::Decoded(pages.Item(1)->FileName, 0), testing::Decoded(source, 0));
}

TEST_F(TiffPageFiles, GreyAndColourPagesTravelThroughTheImagingLayer) {
  TestPage grey, colour, bilevel;
  grey.bits = 8;
  grey.compression = COMPRESSION_NONE;
  colour = grey;
  colour.samples = 3;
  const QString source = Path(QStringLiteral("mixed.tif"));
  ASSERT_TRUE(testing::WriteTiff(source, {grey, bilevel, colour}));
  cPages pages;
  ASSERT_EQ(Load(source, pages), 0);
  ASSERT_EQ(pages.Count(), 3);
  EXPECT_EQ(pages.Item(1)->ColourModel, 2);
  EXPECT_EQ(pages.Item(2)->ColourModel, 1);
  EXPECT_EQ(pages.Item(3)->ColourModel, 3);
  EXPECT_TRUE(pages.Item(1)->FileName.endsWith(QStringLiteral(".JPG")));
  EXPECT_TRUE(pages.Item(2)->FileName.endsWith(QStringLiteral(".TIF")));
  EXPECT_EQ(QImage(pages.Item(3)->FileName).size(), QSize(64, 48));

  pages.Item(2)->BarCodes().Add(1, 3, 4, QStringLiteral("ENC-778"));
  pages.Item(3)->BarCodes().SetEnabled(true);

  const QString joined = Path(QStringLiteral("joined.tif"));
  ASSERT_EQ(SaveTIFFFile(joined, Table(pages), 1, 3, pages, kStamp), 0);
  EXPECT_EQ(testing::TiffinfoComplaint(joined), QString());
  cPages again;
  ASSERT_EQ(Load(joined, again), 0);
  EXPECT_FALSE(again.Item(1)->BarCodes().Enabled());
  ASSERT_EQ(again.Item(2)->BarCodes().Count(), 1);
  EXPECT_EQ(again.Item(2)->BarCodes().Item(1)->Value, QStringLiteral("ENC-778"));
  EXPECT_TRUE(again.Item(3)->BarCodes().Enabled());
  EXPECT_EQ(again.Item(3)->BarCodes().Count(), 0);
  TiffPages read;
  ASSERT_TRUE(read.Open(joined).Ok());
  ASSERT_EQ(read.PageCount(), 3);
  EXPECT_EQ(testing::Decoded(joined, 1), testing::Decoded(source, 1));  // black and white: exact
  for (int index : {0, 2}) {  // JPEG: close, not exact
    const QImage got = testing::Decoded(joined, index), want = testing::Decoded(source, index);
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(got.format(), want.format());
  }
}

TEST_F(TiffPageFiles, BadSourcesEndWithTheirCode) {
  const QString bad = Path(QStringLiteral("bad.tif"));
  struct Case {
    const char* name;
    QByteArray bytes;
    int code;
  };
  const Case cases[] = {
      {"bad magic", QByteArray("BM\x2a\0\x08\0\0\0", 8), kTiffNotTiff},
      {"truncated header", QByteArray("II\x2a\0", 4), kTiffShortRead},
      {"empty", QByteArray(), kTiffShortRead},
      {"directory past the end", QByteArray("II\x2a\0\xff\0\0\0", 8), kTiffShortRead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.bytes);
    file.close();
    cPages pages;
    EXPECT_EQ(Load(bad, pages), c.code);
    EXPECT_EQ(pages.Count(), 0);
  }
  cPages pages;
  EXPECT_EQ(Load(Path(QStringLiteral("missing.tif")), pages), kTiffCannotOpen);
  EXPECT_TRUE(QDir(PageFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// A black-and-white page is copied without decoding, so nothing else notices a directory without a
// usable size or without image data: such a page is refused as damaged rather than written in a
// form that no reader takes, or that a join through libtiff leaves without strips.
TEST_F(TiffPageFiles, PagesWithoutASizeOrImageDataAreDamaged) {
  struct Case {
    const char* name;
    std::uint16_t tag;
    std::uint16_t newTag, newType;  // 0: as it was
    std::uint32_t newValue;
  };
  const Case cases[] = {
      {"no width (its entry is another tag)", 256, 255, 0, 64},
      {"zero width", 256, 0, 0, 0},
      {"no length (its entry of a type that is no size)", 257, 0, 5, 48},
      {"zero length", 257, 0, 0, 0},
      {"its one strip without a byte", 279, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString source = Path(QStringLiteral("sizeless.tif"));
    ASSERT_TRUE(testing::WriteTiff(source, {TestPage{}}));
    QByteArray file = Bytes(source);
    const std::uint32_t at = U32(file, 4);
    const RawDirectory d = ReadDirectory(file, at);
    bool patched = false;
    for (std::size_t i = 0; i < d.order.size(); ++i) {
      if (d.order[i] != c.tag) continue;
      const qsizetype e = at + 2 + 12 * qsizetype(i);
      if (c.newTag) file[e] = char(c.newTag & 0xFF), file[e + 1] = char(c.newTag >> 8);
      if (c.newType) file[e + 2] = char(c.newType), file[e + 3] = 0;
      for (int b = 0; b < 4; ++b) file[e + 8 + b] = char(c.newValue >> (8 * b));
      patched = true;
    }
    ASSERT_TRUE(patched);
    QFile out(source);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(file);
    out.close();
    cPages pages;
    EXPECT_EQ(Load(source, pages), kTiffDamaged);
    EXPECT_EQ(pages.Count(), 0);
    EXPECT_TRUE(QDir(PageFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
  }
}

// A save that fails leaves the file that stood at the target as it was.
TEST_F(TiffPageFiles, AFailedSaveLeavesTheTargetAsItWas) {
  std::vector<TestPage> batch(3);
  for (int i = 0; i < 3; ++i) batch[std::size_t(i)].seed = i;
  const QString source = Path(QStringLiteral("doc.tif"));
  ASSERT_TRUE(testing::WriteTiff(source, batch));
  const QByteArray before = Bytes(source);
  cPages pages;
  ASSERT_EQ(Load(source, pages), 0);
  PageFileTable table = Table(pages);

  // Another holder has page 2 locked.
  const int holder = ::open(QFile::encodeName(table[1].first).constData(), O_RDONLY);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  EXPECT_EQ(SaveTIFFFile(source, table, 1, 3, pages, kStamp), kTiffCannotOpen);
  ::close(holder);
  // A page file emptied or gone.
  const QString kept = table[2].first;
  table[2].first = Path(QStringLiteral("empty.tif"));
  QFile(table[2].first).open(QIODevice::WriteOnly);
  EXPECT_EQ(SaveTIFFFile(source, table, 1, 3, pages, kStamp), kTiffShortRead);
  table[2].first = Path(QStringLiteral("gone.tif"));
  EXPECT_EQ(SaveTIFFFile(source, table, 1, 3, pages, kStamp), kTiffCannotOpen);
  table[2].first = kept;
  // The disk fills up part-way: in a child, with a file size limit below the joined size.
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{300, 300};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(SaveTIFFFile(source, table, 1, 3, pages, kStamp) == kTiffShortWrite ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  // A target folder that is not there: the system's code.
  EXPECT_EQ(SaveTIFFFile(Path(QStringLiteral("nowhere/doc.tif")), table, 1, 3, pages, kStamp), ENOENT);

  EXPECT_EQ(Bytes(source), before);
  const QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(left.filter(QStringLiteral(".doc.tif.")), QStringList());  // no temporary left behind
  // And the same table saves once nothing stands in the way, keeping who may read the file.
  ::chmod(QFile::encodeName(source).constData(), 0640);
  EXPECT_EQ(SaveTIFFFile(source, table, 1, 3, pages, kStamp), 0);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(source).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(testing::Decoded(source, k), testing::Decoded(table[std::size_t(k)].first, 0));
}

}  // namespace
}  // namespace pyxa
