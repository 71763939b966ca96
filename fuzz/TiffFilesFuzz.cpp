// libFuzzer target for splitting a document's TIFF into page files and joining them again: any
// bytes, loaded as a file, must give a code or pages; pages that loaded must join into a file that
// loads again into as many pages, with every black-and-white page's compressed bytes unchanged and
// its bar codes intact, and the page folder must hold exactly the files of the pages handed out.
// Any violation aborts. Built with PYXA_FUZZ_SEEDS it is instead a small program that writes seed
// files as the document tests make them (G4, G3, scattered strips, big-endian, grey, colour, bar
// codes).
#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "document/Pages.h"
#include "document/TiffDirectories.h"
#include "document/TiffPageFiles.h"

#ifndef PYXA_FUZZ_SEEDS

#include <cstdio>

#include "document/TiffPages.h"

namespace {

const pyxa::TiffStamp& Stamp() {
  static const pyxa::TiffStamp stamp{pyxa::ScanSoftwareText(), QStringLiteral("2026:12:07 10:11:12")};
  return stamp;
}

// Small documents only: pages that are decoded and coded again cost time in proportion to their
// pixels, and copied pages in proportion to their bytes, which shared strips can multiply.
constexpr std::int64_t kPixelBudget = 4'000'000;
constexpr std::int64_t kCopyBudget = 4'000'000;

// This process's own folder, in memory where the system offers it; removed when the run ends.
const QString& Root() {
  static const QString root = [] {
    const QByteArray base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QByteArray("/dev/shm") : QFile::encodeName(QDir::tempPath());
    QByteArray pattern = base + "/pyxa-tiff-files-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    return QFile::decodeName(pattern);
  }();
  return root;
}

void Fail(const char* what, int code = 0) {
  std::fprintf(stderr, "tiff_files_fuzz: %s (code %d)\n", what, code);
  std::abort();
}

bool WithinBudget(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<pyxa::TIFFPageRecord> records;
  int count = 0;
  const int code = pyxa::ReadTIFFDirectories(fd, records, count);
  ::close(fd);
  if (code != 0) return true;  // the load ends on the same code before copying or decoding anything
  std::int64_t pixels = 0, bytes = 0;
  for (const auto& record : records) {
    bytes += record.TotalStripBytes();
    if (record.bitsPerPixel == 1) continue;
    // Each side within the budget first, so that their product cannot overflow.
    if (record.imageWidth > kPixelBudget || record.imageLength > kPixelBudget) return false;
    pixels += std::max<std::int64_t>(record.imageWidth, 0) * std::max<std::int64_t>(record.imageLength, 0);
  }
  if (pixels > kPixelBudget || bytes > kCopyBudget) return false;
  // libtiff may read sizes this reader ignores (other value types): its own view counts too.
  pyxa::TiffPages decoder;
  if (decoder.Open(path).Ok()) {
    pixels = 0;
    for (const auto& info : decoder.Pages())
      if (!info.Bilevel()) pixels += info.Pixels();
    if (pixels > kPixelBudget) return false;
  }
  return true;
}

// The compressed bytes of the first page of a page file, strip after strip; consistent, when given,
// tells whether the page has as many strips as its length and rows per strip call for.
QByteArray StripBytes(const QString& path, bool* consistent = nullptr) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("a page file cannot be opened");
  std::vector<pyxa::TIFFPageRecord> records;
  int count = 0;
  if (pyxa::ReadTIFFDirectories(fd, records, count) != 0 || count != 1) Fail("a page file is not a one-page TIFF");
  QByteArray all;
  const auto& page = records[0];
  if (consistent) {
    const std::int64_t rows = page.rowsPerStrip > 0 ? std::min(page.rowsPerStrip, page.imageLength) : page.imageLength;
    *consistent = rows > 0 && std::int64_t(page.stripOffsets.size()) == (page.imageLength + rows - 1) / rows;
  }
  for (std::size_t i = 0; i < page.stripOffsets.size(); ++i) {
    QByteArray strip(qsizetype(page.stripByteCounts[i]), '\0');
    if (::pread(fd, strip.data(), std::size_t(strip.size()), off_t(page.stripOffsets[i])) != ssize_t(strip.size()))
      Fail("a strip of a page file cannot be read");
    all += strip;
  }
  ::close(fd);
  return all;
}

QString BarCodesText(const pyxa::cPage& page) {
  return (page.BarCodes().Enabled() ? QStringLiteral("on:") : QStringLiteral("off:")) +
         pyxa::BarCodesToText(page.BarCodes());
}

// The page folder holds the files of these pages and nothing else.
void ExpectFolderHolds(const QString& folder, const std::vector<const pyxa::cPages*>& collections) {
  QSet<QString> expected;
  for (const auto* pages : collections)
    for (const auto& page : *pages) expected.insert(QFileInfo(page->FileName).fileName());
  const QStringList present = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
  if (QSet<QString>(present.begin(), present.end()) != expected)
    Fail("the page folder holds other files than the pages'");
}

void RoundTrip(const QString& input, const QString& folder, const QString& joined) {
  pyxa::cPages first;
  const int loaded = pyxa::LoadTIFFFile(input, first, folder, Stamp());
  ExpectFolderHolds(folder, {&first});
  if (loaded != 0 || first.Count() == 0) return;

  pyxa::PageFileTable table;
  for (const auto& page : first) table.push_back({page->FileName, false});
  bool allBilevel = true;
  for (const auto& page : first) allBilevel = allBilevel && page->ColourModel == 1;
  const int saved = pyxa::SaveTIFFFile(joined, table, 1, first.Count(), first, Stamp());
  // Black-and-white pages are copied as they came, damage and all; only where libtiff joins the
  // file (a document with greyscale or colour pages) may such a page be refused.
  if (saved == pyxa::kTiffImagingFailed && !allBilevel) return;
  if (saved != 0) Fail("page files that loaded do not join", saved);
  ExpectFolderHolds(folder, {&first});
  const QStringList beside = QDir(Root()).entryList(QDir::Files | QDir::Hidden | QDir::System);
  if (QSet<QString>(beside.begin(), beside.end()) !=
      QSet<QString>{QStringLiteral("input.tif"), QStringLiteral("joined.tif")})
    Fail("the join left a temporary file beside its target");

  pyxa::cPages second;
  const int reloaded = pyxa::LoadTIFFFile(joined, second, folder, Stamp());
  if (reloaded != 0) Fail("the joined file does not load", reloaded);
  ExpectFolderHolds(folder, {&first, &second});
  if (second.Count() != first.Count()) Fail("the joined file has another page count");
  for (int k = 1; k <= first.Count(); ++k) {
    const auto a = first.Item(k), b = second.Item(k);
    if (a->ColourModel != 1) continue;
    if (b->ColourModel != 1) Fail("a black-and-white page came back in another colour model");
    bool consistent = false;
    const QByteArray before = StripBytes(a->FileName, &consistent);
    // libtiff, which joins the documents with greyscale or colour pages, copies as many strips as
    // the page's length and rows per strip call for: strips beyond those are read by no one.
    if ((allBilevel || consistent) && before != StripBytes(b->FileName)) Fail("a black-and-white page's bytes changed");
    // The imaging layer writes the colour documents' join and carries no bar codes.
    if (allBilevel && BarCodesText(*a) != BarCodesText(*b)) Fail("a page's bar codes changed");
  }
}

}  // namespace

// Qt's image readers and libtiff report every damaged stream on stderr; the fuzzer's own output
// matters more.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  std::atexit([] { QDir(Root()).removeRecursively(); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QDir root(Root());
  const QString input = root.filePath(QStringLiteral("input.tif"));
  const QString folder = root.filePath(QStringLiteral("pages"));
  const QString joined = root.filePath(QStringLiteral("joined.tif"));
  root.mkpath(QStringLiteral("pages"));
  {
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
  }
  if (WithinBudget(input)) RoundTrip(input, folder, joined);
  QDir(folder).removeRecursively();
  QFile::remove(joined);
  QFile::remove(input);
  return 0;
}

#else

#include "TestTiffs.h"
#include "document/BarCodes.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  using pyxa::testing::TestPage;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  auto seed = [&folder](const char* name) { return folder.filePath(QString::fromUtf8(name)); };
  std::vector<TestPage> three(3);
  for (int i = 0; i < 3; ++i) three[std::size_t(i)].seed = i;
  TestPage g3, strips, scattered, grey, colour, bare;
  g3.compression = COMPRESSION_CCITTFAX3;
  strips.compression = COMPRESSION_NONE;
  strips.rowsPerStrip = 16;
  scattered = strips;
  scattered.reverseStrips = true;
  grey.compression = COMPRESSION_NONE;
  grey.bits = 8;
  grey.width = 32;
  grey.height = 24;
  colour = grey;
  colour.samples = 3;
  bare.resolution = false;
  bool ok = pyxa::testing::WriteTiff(seed("files-g4.tif"), three) &&
            pyxa::testing::WriteTiff(seed("files-g3.tif"), {g3}) &&
            pyxa::testing::WriteTiff(seed("files-strips.tif"), {strips, bare}) &&
            pyxa::testing::WriteTiff(seed("files-scattered.tif"), {scattered}) &&
            pyxa::testing::WriteTiff(seed("files-big-endian.tif"), {strips, g3}, true) &&
            pyxa::testing::WriteTiff(seed("files-grey.tif"), {grey}) &&
            pyxa::testing::WriteTiff(seed("files-rgb.tif"), {colour}) &&
            pyxa::testing::WriteTiff(seed("files-mixed.tif"), {grey, TestPage{}, colour});

  // Bar codes (tag 600) as the program itself writes them: the pages split and joined again.
  const QString pageFolder = seed("files-pages");
  QDir().mkpath(pageFolder);
  const pyxa::TiffStamp stamp{pyxa::ScanSoftwareText(), QStringLiteral("2026:12:07 10:11:12")};
  pyxa::cPages pages;
  ok = ok && pyxa::LoadTIFFFile(seed("files-g4.tif"), pages, pageFolder, stamp) == 0 && pages.Count() == 3;
  if (ok) {
    pages.Item(1)->BarCodes().SetEnabled(true);
    pages.Item(2)->BarCodes().Add(4, 12.5, 40, QStringLiteral("4006381333931"));
    pages.Item(2)->BarCodes().Add(2, 100, 7, QStringLiteral("MRN,12"));
    pyxa::PageFileTable table;
    for (const auto& page : pages) table.push_back({page->FileName, false});
    ok = pyxa::SaveTIFFFile(seed("files-barcodes.tif"), table, 1, 3, pages, stamp) == 0;
  }
  QDir(pageFolder).removeRecursively();
  return ok ? 0 : 1;
}

#endif
