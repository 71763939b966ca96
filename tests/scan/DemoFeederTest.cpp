// The demo's document feeder (the pyxafeed SANE backend) through the helper and SaneScanner: the PNM
// files of its folder come as a feeder batch, the batch ends when they run out and starts again next
// time, and a file that is no page ends the batch with an error instead of taking the helper down.
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include "SaneFixture.h"

namespace pyxa {
namespace {

constexpr const char* kDevice = "pyxafeed:feeder";

class DemoFeeder : public SaneFixture {
 protected:
  void SetUp() override {
    SaneFixture::SetUp();
    Write("dll.conf", "pyxafeed\n");
    Write("pyxafeed.conf", "# the demo batch\nfolder " + Path("sheets").toUtf8() + "\n");
    ASSERT_TRUE(QDir(dir_.path()).mkdir("sheets"));
    AddBackendFolder(QStringLiteral(PYXA_DEMO_BACKENDS));
  }

  void Sheet(const QString& name, const QByteArray& bytes) { Write("sheets/" + name, bytes); }
};

// A greymap whose every pixel differs from its neighbours, so a shifted or cut row shows.
struct Greymap {
  int width, height, seed;
  int Pixel(int x, int y) const { return (x * 7 + y * 13 + seed) & 0xFF; }
  QByteArray File(const QByteArray& header = {}) const {
    QByteArray bytes = header.isEmpty() ? QByteArray("P5\n") + QByteArray::number(width) + " " +
                                              QByteArray::number(height) + "\n255\n"
                                        : header;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) bytes.append(char(Pixel(x, y)));
    return bytes;
  }
};

void ExpectPage(const ScannedPage& page, const Greymap& sheet) {
  ASSERT_EQ(page.image.format(), QImage::Format_Grayscale8);
  ASSERT_EQ(page.image.size(), QSize(sheet.width, sheet.height));
  EXPECT_EQ(page.xDpi, 200);
  int wrong = 0;
  for (int y = 0; y < sheet.height; ++y)
    for (int x = 0; x < sheet.width; ++x) wrong += page.image.constScanLine(y)[x] != sheet.Pixel(x, y);
  EXPECT_EQ(wrong, 0) << "sheet " << sheet.seed;
}

TEST_F(DemoFeeder, FeedsTheFolderInNameOrderThenRunsEmptyAndEveryBatchStartsAgain) {
  const Greymap sheets[] = {{40, 30, 1}, {25, 51, 2}, {33, 7, 3}};  // an odd width keeps rows unpadded
  Sheet("c.pgm", sheets[2].File());
  Sheet("a.pgm", sheets[0].File("P5 # made by hand\n40 30\n255\n"));
  Sheet("b.pgm", sheets[1].File());
  Sheet("notes.txt", "not a sheet");
  const auto expectWholeBatch = [&](const char* which) {
    SCOPED_TRACE(which);
    const Batch b = Scan(kDevice, Feeder());
    EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();  // the feeder ran empty: a normal end
    EXPECT_EQ(b.endings, 1);
    ASSERT_EQ(b.pages.size(), 3);
    for (int i = 0; i < 3; ++i) ExpectPage(b.pages.at(i), sheets[i]);
  };
  expectWholeBatch("first batch");
  expectWholeBatch("second batch");
  // A device held open between batches is not opened again: running empty is what starts it over.
  ASSERT_TRUE(scanner_->Reserve(kDevice).ok());
  expectWholeBatch("first reserved batch");
  expectWholeBatch("second reserved batch");
}

TEST_F(DemoFeeder, AnEmptyOrMissingFolderIsAnEmptyFeeder) {
  for (const char* folder : {"sheets", "nowhere"}) {
    SCOPED_TRACE(folder);
    Write("pyxafeed.conf", "folder " + Path(folder).toUtf8() + "\n");
    const Batch b = Scan(kDevice, Feeder());
    EXPECT_EQ(b.status, Status::NoDocuments) << b.message.toStdString();
    EXPECT_TRUE(b.pages.isEmpty());
  }
}

struct ModeCase {
  const char* name;
  const char* mode;
  QByteArray file;  // 2 x 1 pixels: the left one dark, the right one light
  QImage::Format format;
  QRgb left, right;
};
void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class DemoFeederModes : public DemoFeeder, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(DemoFeederModes, ASheetComesInTheModeAskedFor) {
  const ModeCase& c = GetParam();
  Sheet("1.pnm", c.file);
  const Batch b = Scan(kDevice, Feeder({{"mode", c.mode}}));
  EXPECT_EQ(b.status, Status::Ok) << b.message.toStdString();
  ASSERT_EQ(b.pages.size(), 1);
  const QImage& image = b.pages.at(0).image;
  EXPECT_EQ(image.format(), c.format);
  ASSERT_EQ(image.size(), QSize(2, 1));
  EXPECT_EQ(image.pixel(0, 0), c.left);
  EXPECT_EQ(image.pixel(1, 0), c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DemoFeederModes,
    ::testing::Values(
        // A bitmap's 1 is black, and so is SANE lineart's.
        ModeCase{"BitmapAsLineart", "Lineart", QByteArray("P4\n2 1\n\x80", 8), QImage::Format_Mono,
                 qRgb(0, 0, 0), qRgb(255, 255, 255)},
        ModeCase{"GreyAsLineart", "Lineart", QByteArray("P5\n2 1\n255\n\x7f\x80", 13), QImage::Format_Mono,
                 qRgb(0, 0, 0), qRgb(255, 255, 255)},
        // 16-bit samples are scaled to 8 bits by their maximum.
        ModeCase{"WideGreyAsGray", "Gray", QByteArray("P5\n2 1\n1000\n\x00\x00\x03\xe8", 16),
                 QImage::Format_Grayscale8, qRgb(0, 0, 0), qRgb(255, 255, 255)},
        ModeCase{"PixmapAsColor", "Color", QByteArray("P6\n2 1\n255\n\xff\x00\x00\x00\x80\xff", 17),
                 QImage::Format_RGB888, qRgb(255, 0, 0), qRgb(0, 128, 255)},
        ModeCase{"PixmapAsGray", "Gray", QByteArray("P6\n2 1\n255\n\xff\x00\x00\xff\xff\xff", 17),
                 QImage::Format_Grayscale8, qRgb(76, 76, 76), qRgb(255, 255, 255)}),
    [](const auto& p) { return std::string(p.param.name); });

struct BadCase {
  const char* name;
  QByteArray file;
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class DemoFeederBadSheets : public DemoFeeder, public ::testing::WithParamInterface<BadCase> {};

TEST_P(DemoFeederBadSheets, EndTheBatchWithAnErrorAfterTheGoodOnes) {
  const Greymap good{12, 9, 4};
  Sheet("1.pgm", good.File());
  Sheet("2.pgm", GetParam().file);
  Sheet("3.pgm", good.File());
  const Batch b = Scan(kDevice, Feeder());
  EXPECT_EQ(b.status, Status::IoError) << b.message.toStdString();
  EXPECT_TRUE(b.message.contains("page 2")) << b.message.toStdString();
  ASSERT_EQ(b.pages.size(), 1);
  ExpectPage(b.pages.at(0), good);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DemoFeederBadSheets,
    ::testing::Values(BadCase{"Empty", ""}, BadCase{"Text", "hello"}, BadCase{"AsciiGreymap", "P2\n1 1\n255\n0\n"},
                      BadCase{"NoMaximum", "P5\n4 4\n"}, BadCase{"CutShort", "P5\n4 4\n255\n0123456789"},
                      BadCase{"ZeroWidth", "P5\n0 4\n255\n"}, BadCase{"NegativeHeight", "P5\n4 -4\n255\n0000"},
                      BadCase{"Huge", "P6\n60000 60000\n255\n\x01\x02"},
                      BadCase{"NumberOverflow", "P5\n99999999999999999999 1\n255\n0"},
                      BadCase{"MaximumTooLarge", "P5\n1 1\n65536\n\x00\x00"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace pyxa
