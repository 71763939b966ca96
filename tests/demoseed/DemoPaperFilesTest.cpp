// The demo paper as the program will meet it: Group 4 letter-size TIFFs of the right pages and
// resolutions, a colour photo, a two-page PDF, all private to their owner.
#include <sys/stat.h>
#include <tiffio.h>

#include <QImage>
#include <bit>

#include "DemoPaperFixture.h"

namespace pyxa::papertest {
namespace {

struct TiffPage {
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t compression = 0;
  uint16_t bitsPerSample = 0;
  uint16_t samplesPerPixel = 0;
  uint16_t photometric = 0;
  uint16_t resolutionUnit = 0;
  float xResolution = 0;
  float yResolution = 0;
  double black = 0;  // share of black pixels
};

// Reads every page through libtiff, decoding the pixels, as the program's viewer will.
std::vector<TiffPage> ReadTiff(const QString& path) {
  std::vector<TiffPage> pages;
  TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
  if (tiff == nullptr) {
    ADD_FAILURE() << "libtiff cannot open " << path.toStdString();
    return pages;
  }
  do {
    TiffPage page;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.height);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &page.compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &page.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &page.samplesPerPixel);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &page.photometric);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &page.resolutionUnit);
    TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &page.xResolution);
    TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &page.yResolution);
    std::vector<unsigned char> row(static_cast<size_t>(TIFFScanlineSize(tiff)));
    quint64 black = 0;
    for (uint32_t y = 0; y < page.height; ++y) {
      if (TIFFReadScanline(tiff, row.data(), y) != 1) {
        ADD_FAILURE() << "undecodable row " << y << " in " << path.toStdString();
        break;
      }
      for (const unsigned char byte : row) black += static_cast<quint64>(std::popcount(byte));
    }
    page.black = static_cast<double>(black) / (static_cast<double>(page.width) * page.height);
    pages.push_back(page);
  } while (TIFFReadDirectory(tiff) == 1);
  TIFFClose(tiff);
  return pages;
}

mode_t Mode(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) return 0;
  return status.st_mode & 07777;
}

TEST(DemoPaperFiles, TheFolderHoldsBatchesFaxesAPhotoAndAPdfPrivately) {
  const QDir paper(Paper());
  EXPECT_EQ(paper.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList({QStringLiteral("Batch_20261129_161522.tif"), QStringLiteral("Batch_20261129_163047.tif"),
                         QStringLiteral("Consult Note - Nguyen.pdf"), QStringLiteral("Fax_20261129_175208.tif"),
                         QStringLiteral("IMG_20261129_142233.jpg"), QStringLiteral("Referral_Haddad.tif")}));
  EXPECT_EQ(Mode(paper.absolutePath()), 0700u);
  for (const QString& name : paper.entryList(QDir::Files))
    EXPECT_EQ(Mode(paper.filePath(name)), 0600u) << name.toStdString();
  // Nothing of the making is left beside the folder.
  EXPECT_EQ(QDir(WorldFolder().path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({QStringLiteral("Available Files"), QStringLiteral("clinic.sqlite")}));
}

TEST(DemoPaperFiles, EveryTiffIsALetterSizeGroup4BilevelScanWithTheExpectedPages) {
  struct Expected {
    const char* name;
    size_t pages;
    int dpi;
  };
  const Expected expected[] = {{"Batch_20261129_161522.tif", 4, 300},
                               {"Batch_20261129_163047.tif", 3, 300},
                               {"Referral_Haddad.tif", 2, 200},
                               {"Fax_20261129_175208.tif", 2, 200}};
  for (const Expected& file : expected) {
    SCOPED_TRACE(file.name);
    const auto pages = ReadTiff(QDir(Paper()).filePath(QString::fromLatin1(file.name)));
    ASSERT_EQ(pages.size(), file.pages);
    for (const TiffPage& page : pages) {
      EXPECT_EQ(page.compression, COMPRESSION_CCITTFAX4);
      EXPECT_EQ(page.bitsPerSample, 1);
      EXPECT_EQ(page.samplesPerPixel, 1);
      EXPECT_EQ(page.photometric, PHOTOMETRIC_MINISWHITE);
      EXPECT_EQ(page.resolutionUnit, RESUNIT_INCH);
      EXPECT_FLOAT_EQ(page.xResolution, static_cast<float>(file.dpi));
      EXPECT_FLOAT_EQ(page.yResolution, static_cast<float>(file.dpi));
      EXPECT_EQ(page.width, static_cast<uint32_t>(file.dpi * 17 / 2));
      EXPECT_EQ(page.height, static_cast<uint32_t>(file.dpi * 11));
      // Printed paper: some ink, mostly white (an inverted or blank page would fail here).
      EXPECT_GT(page.black, 0.005);
      EXPECT_LT(page.black, 0.15);
    }
  }
}

TEST(DemoPaperFiles, ThePhotoIsAColourJpegAndTheConsultNoteATwoPagePdf) {
  const QDir paper(Paper());
  QImage photo;
  ASSERT_TRUE(photo.load(paper.filePath(QStringLiteral("IMG_20261129_142233.jpg")), "JPG"));
  EXPECT_EQ(photo.size(), QSize(2000, 1500));
  EXPECT_FALSE(photo.allGray());

  QFile pdf(paper.filePath(QStringLiteral("Consult Note - Nguyen.pdf")));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray bytes = pdf.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
  // Page objects, not the page tree ("/Type /Pages").
  int pages = 0;
  for (qsizetype at = bytes.indexOf("/Type /Page"); at >= 0; at = bytes.indexOf("/Type /Page", at + 1)) {
    if (bytes.mid(at + 11, 1) != "s") ++pages;
  }
  EXPECT_EQ(pages, 2);
}

// As a fax server stores it: every TIFF a fine-mode Group 3 fax, 204 x 196 dpi on letter paper. The
// facts the benchmarks judge readings by name each of those files' pages.
TEST(DemoPaperFiles, TheFaxServersPaperIsGroup3AtFineResolutionAndItsFactsNameEveryPage) {
  QTemporaryDir faxServer;
  const QString folder = faxServer.filePath(QStringLiteral("fax"));
  ManualClock clock(kPaperDay);
  QString error;
  ASSERT_TRUE(CreateDemoPaper(folder, Cast(), clock, error, {0, true})) << error.toStdString();
  const std::vector<PaperPageFacts> facts = DemoPaperFacts(Cast(), kPaperDay.date());
  const QStringList tiffs = QDir(folder).entryList({QStringLiteral("*.tif")}, QDir::Files);
  EXPECT_EQ(tiffs.size(), 4);
  size_t pagesSeen = 0;
  for (const QString& name : tiffs) {
    SCOPED_TRACE(name.toStdString());
    const auto pages = ReadTiff(QDir(folder).filePath(name));
    pagesSeen += pages.size();
    for (const TiffPage& page : pages) {
      EXPECT_EQ(page.compression, COMPRESSION_CCITTFAX3);
      EXPECT_FLOAT_EQ(page.xResolution, 204.0f);
      EXPECT_FLOAT_EQ(page.yResolution, 196.0f);
      EXPECT_EQ(page.width, 1734u);
      EXPECT_EQ(page.height, 2156u);
      EXPECT_GT(page.black, 0.005);
    }
    for (size_t page = 0; page < pages.size(); ++page) {
      EXPECT_TRUE(std::any_of(facts.begin(), facts.end(), [&](const PaperPageFacts& f) {
        return f.file == name && f.page == static_cast<int>(page);
      })) << "page " << page;
    }
  }
  EXPECT_EQ(pagesSeen, facts.size());
  // Only the imaging fax's cover sheet names nobody.
  EXPECT_EQ(std::count_if(facts.begin(), facts.end(), [](const PaperPageFacts& f) { return !f.namesPatient; }), 1);
}

}  // namespace
}  // namespace pyxa::papertest
