#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>

#include "common/TestTiff.h"
#include "reading/PageReader.h"

namespace pyxa {
namespace {

// Reads a page as the words "page <width>", its band as "band <width>": the test's pages are told
// apart by their widths.
class WidthRecognizer final : public TextRecognizer {
 public:
  WidthRecognizer(std::atomic_int& reads, bool available) : reads_(reads), available_(available) {}
  bool Available(QString* why) const override {
    if (why) *why = available_ ? QString() : QStringLiteral("no recognition data");
    return available_;
  }
  PageText Read(const QImage& page, int) override {
    ++reads_;
    PageText text;
    text.text = QStringLiteral("page %1").arg(page.width());
    return text;
  }
  PageText ReadBand(const QImage& page, int, const PageBand&) override {
    ++reads_;
    PageText text;
    text.text = QStringLiteral("band %1").arg(page.width());
    text.complete = false;
    return text;
  }

 private:
  std::atomic_int& reads_;
  bool available_;
};

// A bilevel TIFF whose page k is 64 * (k + 1) pixels wide.
void WritePages(const QString& path, int pages) {
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
  ASSERT_NE(tiff, nullptr);
  for (int page = 0; page < pages; ++page) {
    const uint32_t width = 64 * static_cast<uint32_t>(page + 1);
    testing::SetBilevelPageTags(tiff, width, 16);
    std::vector<unsigned char> row(width / 8, 0);
    for (uint32_t y = 0; y < 16; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
    TIFFWriteDirectory(tiff);
  }
  TIFFClose(tiff);
}

class PageReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = folder_.filePath(QStringLiteral("batch.tif"));
    WritePages(file_, 3);
  }
  PageReader::RecognizerMaker Maker(bool available = true) {
    return [this, available] { return std::make_unique<WidthRecognizer>(reads_, available); };
  }
  // The pages delivered until the reading ends, as "2 band 192" or "2 page 192": the text each
  // delivery made available.
  QStringList ReadAll(PageReader& reader) {
    QStringList delivered;
    const auto connection = QObject::connect(&reader, &PageReader::PageRead, [&](const QString& file, int page) {
      const PageText* text = reader.Text(file, page);
      delivered << QString::number(page) + QLatin1Char(' ') + (text ? text->text : QStringLiteral("none"));
      if (text) {
        EXPECT_EQ(text->complete, text->text.startsWith(QStringLiteral("page")));
      }
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !reader.Busy(); }, 10000));
    QCoreApplication::processEvents();
    QObject::disconnect(connection);
    return delivered;
  }

  QTemporaryDir folder_;
  QString file_;
  std::atomic_int reads_{0};
};

// The page asked for comes first; every page's top band is read before any page whole, and each
// page is read once for as long as the file stays as it was.
TEST_F(PageReaderTest, ReadsBandsFirstThenWholePagesTheShownPageFirstAndEachOnlyOnce) {
  PageReader reader(Maker());
  reader.Start(file_, 2);
  EXPECT_EQ(ReadAll(reader), QStringList({"2 band 192", "0 band 64", "1 band 128", "2 page 192", "0 page 64",
                                          "1 page 128"}));

  reader.Start(file_, 1);
  EXPECT_TRUE(ReadAll(reader).isEmpty());
  EXPECT_EQ(reads_.load(), 6);

  // A file changed since (pages removed, a scan appended, another program) is read afresh.
  WritePages(file_, 2);
  EXPECT_EQ(reader.Text(file_, 0), nullptr);
  reader.Start(file_, 0);
  EXPECT_EQ(ReadAll(reader), QStringList({"0 band 64", "1 band 128", "0 page 64", "1 page 128"}));
  EXPECT_EQ(reader.Text(file_, 2), nullptr);
}

TEST_F(PageReaderTest, ACancelledReadingDeliversNothingMoreAndFailuresAreSaid) {
  PageReader reader(Maker());
  QSignalSpy read(&reader, &PageReader::PageRead);
  reader.Start(file_, 0);
  reader.Cancel();
  QTest::qWait(50);
  EXPECT_TRUE(read.isEmpty());
  EXPECT_FALSE(reader.Busy());

  QSignalSpy failed(&reader, &PageReader::Failed);
  reader.Start(folder_.filePath(QStringLiteral("missing.tif")), 0);
  EXPECT_TRUE(failed.wait(10000));
  PageReader off(Maker(false));
  QSignalSpy offFailed(&off, &PageReader::Failed);
  off.Start(file_, 0);
  ASSERT_TRUE(offFailed.wait(10000));
  EXPECT_EQ(offFailed.first().at(1).toString(), QStringLiteral("no recognition data"));
}

}  // namespace
}  // namespace pyxa
