// Batch writer: every page of a mixed batch reads back through libtiff and the viewer after each
// append, the too-big warning comes once, and a failed append leaves the earlier pages whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "../document/TestTiffs.h"
#include "scan/BatchWriter.h"

namespace pyxa {
namespace {

using testing::Decoded;
using testing::TiffinfoComplaint;
constexpr auto kMono = QImage::Format_Mono;
constexpr auto kColour = QImage::Format_RGB888;

// A page of the given format: a pattern JPEG keeps close to, or noise that it cannot shrink.
ScannedPage Page(QImage::Format format, int width = 300, int height = 200, bool noise = false) {
  QImage image(width, height, QImage::Format_RGB888);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, noise ? random.generate() : qRgb(x % 256, (y * 2) % 256, ((x + y) / 40 % 2) * 200));
  if (format == QImage::Format_Grayscale16) image = image.convertToFormat(QImage::Format_Grayscale8);
  return {image.convertToFormat(format, Qt::ThresholdDither), 300, QImage(1, 1, format).depth() == 1 ? 150 : 300};
}

QImage Comparable(const QImage& image) {
  return image.convertToFormat(image.isGrayscale() ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
}

double MeanDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.format() != b.format()) return 1e9;
  double sum = 0;
  for (int y = 0; y < a.height(); ++y)
    for (qsizetype i = 0; i < a.bytesPerLine(); ++i) sum += std::abs(a.constScanLine(y)[i] - b.constScanLine(y)[i]);
  return sum / double(a.sizeInBytes());
}

class BatchWriterTest : public ::testing::Test {
 protected:
  QString BatchPath() const { return dir_.filePath(QStringLiteral("Batch_20260309_103000.tif")); }
  QStringList Hidden() const { return QDir(dir_.path()).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden); }
  QTemporaryDir dir_;
};

TEST_F(BatchWriterTest, MixedPagesAreAllReadableAfterEveryAppend) {
  ScannedPage inverted = Page(kMono);
  inverted.image.invertPixels();  // index 0 white: the stored bits must follow the colour table
  inverted.image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  const std::vector<ScannedPage> pages = {Page(kMono),   Page(QImage::Format_Grayscale8), Page(kColour),
                                          Page(QImage::Format_Grayscale16), Page(QImage::Format_RGBX64),
                                          Page(QImage::Format_MonoLSB),     inverted};
  BatchWriter writer(BatchPath());
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const BatchAppendResult result = writer.Append(pages[n]);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    EXPECT_TRUE(result.pageCount == int(n) + 1 && result.pageBytes > 0 && !result.warning);
    ASSERT_EQ(TiffinfoComplaint(BatchPath()), QString()) << n;
  }
  TiffPages stored;
  ASSERT_TRUE(stored.Open(BatchPath()).Ok());
  ASSERT_EQ(stored.PageCount(), int(pages.size()));
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const QImage original = Comparable(pages[n].image);
    const TiffPageInfo& info = stored.Pages()[n];
    const bool bilevel = pages[n].image.depth() == 1;
    EXPECT_EQ(info.compression, bilevel ? COMPRESSION_CCITTFAX4 : COMPRESSION_JPEG) << n;
    EXPECT_EQ(info.samplesPerPixel, original.isGrayscale() ? 1 : 3) << n;
    // Black and white exactly; JPEG close, where a wrong layout or channel order would be far off.
    EXPECT_LT(MeanDifference(Decoded(BatchPath(), int(n)), original), bilevel ? 1e-9 : 6.0) << n;
    EXPECT_TRUE(info.xResolution == pages[n].xDpi && info.yResolution == pages[n].yDpi) << n;
  }
  TIFF* tif = TIFFOpen(QFile::encodeName(BatchPath()).constData(), "r");
  std::uint32_t rows = 0;
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows) && rows == 20000u);
  TIFFClose(tif);
  EXPECT_EQ(Hidden(), QStringList());  // no work file left beside the batch
}

TEST_F(BatchWriterTest, OnlyTheFirstTooBigPageWarnsAndEveryPageStays) {
  BatchWriter writer(BatchPath());
  const ScannedPage big = Page(kColour, 2400, 2000, true);
  std::vector<bool> warned;
  for (const ScannedPage& page : {Page(kMono), big, Page(QImage::Format_Grayscale8), big}) {
    const BatchAppendResult result = writer.Append(page);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    warned.push_back(bool(result.warning));
    EXPECT_EQ(result.pageBytes > kMaxStoredPageBytes, page.image.width() == 2400);
    const QString shown = result.warning ? result.warning->title + result.warning->text : QString();
    EXPECT_EQ(shown, result.warning ? "Scanning" + PageTooBigText(result.pageBytes) : QString());
  }
  EXPECT_EQ(warned, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(writer.PageCount(), 4);
  EXPECT_EQ(PageTooBigText(3072001),
            QStringLiteral("Scanned page is too big to be stored in database (3000 Kb). After current batch is "
                           "scanned, please rescan with diferent color/dpi settings."));
}

TEST_F(BatchWriterTest, AFailedAppendKeepsTheEarlierPagesWhole) {
  BatchWriter writer(BatchPath());
  // The second page is large enough that the third's work files fit below the size limit, the grown batch not.
  ASSERT_TRUE(writer.Append(Page(kMono)).Ok() && writer.Append(Page(kColour, 600, 600, true)).Ok());
  const QByteArray folder = QFile::encodeName(dir_.path());
  for (const BatchCode expected : {BatchCode::DiskFull, BatchCode::CannotWrite}) {
    ASSERT_EQ(::chmod(folder.constData(), expected == BatchCode::CannotWrite ? 0555 : 0700), 0);
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit small{rlim_t(QFileInfo(BatchPath()).size() + 4096), RLIM_INFINITY};
      if (expected == BatchCode::DiskFull && setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(2);
      // Permissions do not hold for root: the refused write runs as nobody.
      if (expected == BatchCode::CannotWrite && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
      const BatchAppendResult result = writer.Append(Page(kColour, 300, 300, true));
      _exit(result.code == expected && result.pageCount == 2 && result.message.contains(u"Page 3") ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << int(expected);
    ASSERT_EQ(::chmod(folder.constData(), 0700), 0);
    EXPECT_EQ(TiffinfoComplaint(BatchPath()), QString());
    TiffPages stored;
    EXPECT_TRUE(stored.Open(BatchPath()).Ok() && stored.PageCount() == 2);
    EXPECT_EQ(Decoded(BatchPath(), 0), Comparable(Page(kMono).image));
    EXPECT_EQ(Hidden(), QStringList());
  }
}

TEST_F(BatchWriterTest, UnusablePagesAndAVanishedFolderAreReported) {
  QFile(BatchPath()).open(QIODevice::WriteOnly);  // reserved
  { BatchWriter unused(BatchPath()); }
  EXPECT_FALSE(QFile::exists(BatchPath()));  // a cancelled scan leaves no empty document
  BatchWriter writer(BatchPath());
  EXPECT_EQ(writer.Append({}).code, BatchCode::UnusablePage);
  ASSERT_TRUE(writer.Append(Page(kMono)).Ok());
  ASSERT_TRUE(QDir(dir_.path()).removeRecursively());
  EXPECT_EQ(writer.Append(Page(kMono)).code, BatchCode::FolderGone);
  EXPECT_EQ(writer.PageCount(), 1);
}

}  // namespace
}  // namespace pyxa
