// Batch writer: every page of a mixed batch reads back through libtiff and the viewer after each
// append, the too-big warning comes once, and a failed append leaves the earlier pages readable.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdlib>

#include "../document/TestTiffs.h"
#include "scan/BatchWriter.h"

namespace pyxa {
namespace {

using testing::Decoded;
using testing::TiffinfoComplaint;

// A page of the given format: a pattern JPEG keeps close to, or noise that it cannot shrink.
ScannedPage Page(QImage::Format format, int width = 300, int height = 200, bool noise = false, int dpi = 300) {
  QImage image(width, height, QImage::Format_RGB888);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, noise ? random.generate() : qRgb(x % 256, (y * 2) % 256, ((x + y) / 40 % 2) * 200));
  if (format == QImage::Format_Mono || format == QImage::Format_MonoLSB)
    return {image.convertToFormat(format, Qt::ThresholdDither), dpi, dpi / 2};
  if (format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16)
    return {image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(format), dpi, dpi};
  return {image.convertToFormat(format), dpi, dpi};
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
  QImage inverted = Page(QImage::Format_Mono).image;
  inverted.invertPixels();  // index 0 white: the stored bits must follow the colour table
  inverted.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  const std::vector<ScannedPage> pages = {
      Page(QImage::Format_Mono),          Page(QImage::Format_Grayscale8), Page(QImage::Format_RGB888),
      Page(QImage::Format_Grayscale16),   Page(QImage::Format_RGBX64),     Page(QImage::Format_MonoLSB),
      {inverted, 200, 200},
  };
  BatchWriter writer(BatchPath());
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const BatchAppendResult result = writer.Append(pages[n]);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    EXPECT_EQ(result.pageCount, int(n) + 1);
    EXPECT_GT(result.pageBytes, 0);
    EXPECT_FALSE(result.warning);
    ASSERT_EQ(TiffinfoComplaint(BatchPath()), QString()) << n;
  }
  TiffPages stored;
  ASSERT_TRUE(stored.Open(BatchPath()).Ok());
  ASSERT_EQ(stored.PageCount(), int(pages.size()));
  for (std::size_t n = 0; n < pages.size(); ++n) {
    const QImage original = Comparable(pages[n].image);
    const TiffPageInfo& info = stored.Pages()[n];
    if (pages[n].image.depth() == 1) {
      EXPECT_EQ(info.compression, COMPRESSION_CCITTFAX4) << n;
      EXPECT_EQ(Decoded(BatchPath(), int(n)), original) << n;  // black and white exactly
    } else {
      EXPECT_EQ(info.compression, COMPRESSION_JPEG) << n;
      EXPECT_EQ(info.samplesPerPixel, original.isGrayscale() ? 1 : 3) << n;
      EXPECT_LT(MeanDifference(Decoded(BatchPath(), int(n)), original), 6.0) << n;  // JPEG, not a wrong layout
    }
    EXPECT_EQ(info.xResolution, pages[n].xDpi) << n;
    EXPECT_EQ(info.yResolution, pages[n].yDpi) << n;
  }
  TIFF* tif = TIFFOpen(QFile::encodeName(BatchPath()).constData(), "r");
  std::uint32_t rows = 0;
  EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows));
  EXPECT_EQ(rows, 20000u);
  TIFFClose(tif);
  EXPECT_EQ(Hidden(), QStringList());  // no work file left beside the batch
}

TEST_F(BatchWriterTest, OnlyTheFirstTooBigPageWarnsAndEveryPageStays) {
  BatchWriter writer(BatchPath());
  const ScannedPage big = Page(QImage::Format_RGB888, 2400, 2000, true);
  std::vector<bool> warned;
  for (const ScannedPage& page : {Page(QImage::Format_Mono), big, Page(QImage::Format_Grayscale8), big}) {
    const BatchAppendResult result = writer.Append(page);
    ASSERT_TRUE(result.Ok()) << result.message.toStdString();
    warned.push_back(bool(result.warning));
    if (!result.warning) continue;
    EXPECT_GT(result.pageBytes, kMaxStoredPageBytes);
    EXPECT_EQ(result.warning->title, QStringLiteral("Scanning"));
    EXPECT_EQ(result.warning->text, PageTooBigText(result.pageBytes));
  }
  EXPECT_EQ(warned, (std::vector<bool>{false, true, false, false}));
  TiffPages stored;
  ASSERT_TRUE(stored.Open(BatchPath()).Ok());
  EXPECT_EQ(stored.PageCount(), 4);
  EXPECT_EQ(PageTooBigText(3072001),
            QStringLiteral("Scanned page is too big to be stored in database (3000 Kb). After current batch is "
                           "scanned, please rescan with diferent color/dpi settings."));
}

TEST_F(BatchWriterTest, AFullDiskKeepsTheEarlierPages) {
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    BatchWriter writer(BatchPath());
    // The second page is large enough that the third's work files fit below the limit, the grown batch not.
    if (!writer.Append(Page(QImage::Format_Mono)).Ok() || !writer.Append(Page(QImage::Format_RGB888, 600, 600, true)).Ok())
      _exit(2);
    signal(SIGXFSZ, SIG_IGN);
    const rlimit small{rlim_t(QFileInfo(BatchPath()).size() + 4096), RLIM_INFINITY};
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(3);
    const BatchAppendResult full = writer.Append(Page(QImage::Format_RGB888, 300, 300, true));
    if (full.code != BatchCode::DiskFull || full.pageCount != 2 || !full.message.contains(QStringLiteral("full")))
      _exit(4);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(TiffinfoComplaint(BatchPath()), QString());
  TiffPages stored;
  ASSERT_TRUE(stored.Open(BatchPath()).Ok());
  EXPECT_EQ(stored.PageCount(), 2);
  EXPECT_EQ(Decoded(BatchPath(), 0), Comparable(Page(QImage::Format_Mono).image));
  EXPECT_EQ(Hidden(), QStringList());
}

TEST_F(BatchWriterTest, FailuresComeBackAsCodesAndLeaveTheBatchAsItWas) {
  BatchWriter writer(BatchPath());
  EXPECT_EQ(writer.Append({}).code, BatchCode::UnusablePage);
  ASSERT_TRUE(writer.Append(Page(QImage::Format_Mono)).Ok());
  const QByteArray before = [&] { QFile f(BatchPath()); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }();
  ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0555), 0);
  std::fflush(nullptr);
  const pid_t child = fork();  // as nobody when run as root, for whom permissions do not hold
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    const BatchAppendResult refused = writer.Append(Page(QImage::Format_Mono));
    _exit(refused.code == BatchCode::CannotWrite && refused.pageCount == 1 && !refused.message.isEmpty() ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0700), 0);
  QFile batch(BatchPath());
  ASSERT_TRUE(batch.open(QIODevice::ReadOnly));
  EXPECT_EQ(batch.readAll(), before);
  ASSERT_TRUE(QDir(dir_.path()).removeRecursively());
  const BatchAppendResult gone = writer.Append(Page(QImage::Format_Mono));
  EXPECT_EQ(gone.code, BatchCode::FolderGone);
  EXPECT_EQ(writer.PageCount(), 1);
}

TEST_F(BatchWriterTest, ABatchWithoutPagesRemovesItsReservedFile) {
  QFile(BatchPath()).open(QIODevice::WriteOnly);
  { BatchWriter writer(BatchPath()); }
  EXPECT_FALSE(QFile::exists(BatchPath()));
}

}  // namespace
}  // namespace pyxa
