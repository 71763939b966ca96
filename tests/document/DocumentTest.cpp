// The document object's page edits, lock, configuration and imports, on pages without image files
// (a scripted scan control stands in for the import source).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>

#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "platform/Clock.h"

namespace pyxa {
namespace {

// A scan control that records what it was told and answers as scripted.
class ScriptedScanControl final : public ScanControl {
 public:
  QString ReservedSource() const override { return reserved; }
  std::int32_t Reserve(const QString& source) override {
    if (source != offered) return kDocCannotReserve;
    return reserved = source, 0;
  }
  std::int32_t Unreserve() override { return reserved.clear(), ++unreserves, 0; }
  void SetOutput(bool on) override { output = on; }
  bool Output() const override { return output; }
  void SetOutputType(ScanOutputType t) override { type = t; }
  ScanOutputType OutputType() const override { return type; }
  bool CompressionAvailable(int c) const override { return c == 1 || c == 4 || c == 7; }
  std::int32_t SetOutputCompression(int c) override { return compression = c, 0; }
  int OutputCompression() const override { return compression; }
  ImportedPage ImportPage(const QString& source, const QString& target) override {
    imports.push_back({source, target});
    return answer;
  }

  QString offered = QStringLiteral("File Import"), reserved;
  int unreserves = 0;
  bool output = false;
  ScanOutputType type = ScanOutputType::Jpg;
  int compression = 0;
  ImportedPage answer;
  std::vector<std::pair<QString, QString>> imports;
};

class ScriptedImageControl final : public ImageControl {
 public:
  QString ScenarioIniFile() const override { return ini; }
  QString ScenarioSection() const override { return section; }
  void SetScenario(const QString& i, const QString& s) override { ini = i, section = s; }
  QString ini, section;
};

class DocumentTest : public ::testing::Test {
 protected:
  DocumentTest() : doc(dir.path(), clock, {}, DocumentFileRoutines{}) {}

  // Pages named "1".."n" (their FileName) with the page types of types, e.g. "1212".
  void Fill(const char* types) {
    doc.StartNew();
    auto pages = std::make_shared<cPages>();
    for (int i = 0; types[i]; ++i) pages->Add(types[i] - '0', i + 1, 200, 200, 2, 4)->FileName = QString::number(i + 1);
    doc.SetPages(pages);
  }
  QString Order() const {
    QStringList names;
    for (const auto& page : *doc.Pages()) names << page->FileName;
    return names.join(QLatin1Char(','));
  }
  // Every page of the document is there exactly once.
  static QString Sorted(QString order) {
    QStringList names = order.split(QLatin1Char(','));
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.toInt() < b.toInt(); });
    return names.join(QLatin1Char(','));
  }
  void Configure() {
    doc.SetFileImportSource(QStringLiteral("File Import"));
    doc.SetFileImportIni(QStringLiteral("import.ini"));
    doc.SetScanCtrl(&scan);
    doc.SetImageCtrl(&image);
  }

  QTemporaryDir dir;
  ManualClock clock;
  ScriptedScanControl scan;
  ScriptedImageControl image;
  cDocument doc;
  std::int32_t result = -99;
};

struct DeleteCase {
  const char* types;
  int current, start, count;
  std::int32_t expected;
  const char* remaining;
};

TEST_F(DocumentTest, DeletePagesChecksRangeAndDuplexSheets) {
  const DeleteCase cases[] = {
      {"00000", 0, 2, 2, 0, "1,4,5"},
      {"00000", 3, 0, 1, 0, "1,2,4,5"},  // start 0: the current page
      {"00000", 0, 5, 1, 0, "1,2,3,4"},
      {"00000", 0, 2, 0, 0, "1,2,3,4,5"},
      {"00000", 0, -1, 1, kDocNoSuchPage, "1,2,3,4,5"},
      {"00000", 0, 6, 1, kDocNoSuchPage, "1,2,3,4,5"},
      {"00000", 0, 0, 1, kDocNoSuchPage, "1,2,3,4,5"},  // no current page
      {"00000", 0, 2, -1, kDocRangeOutside, "1,2,3,4,5"},
      {"00000", 0, 4, 3, kDocRangeOutside, "1,2,3,4,5"},
      {"00000", 0, 2, INT_MAX, kDocRangeOutside, "1,2,3,4,5"},
      {"", 0, 1, 1, kDocNoDocument, ""},
      {"121212", 0, 3, 2, 0, "1,2,5,6"},
      {"121212", 0, 2, 2, kDocMissingDuplexFront, "1,2,3,4,5,6"},
      {"121212", 0, 3, 1, kDocMissingDuplexBack, "1,2,3,4,5,6"},
  };
  for (const DeleteCase& c : cases) {
    Fill(c.types);
    doc.SetAltered(false);
    if (c.current) doc.SetCurrentPage(c.current);
    doc.DeletePages(c.start, c.count, result);
    EXPECT_EQ(result, c.expected) << c.types << " " << c.start << "+" << c.count;
    EXPECT_EQ(Order(), QLatin1String(c.remaining)) << c.types << " " << c.start << "+" << c.count;
    EXPECT_EQ(doc.Altered(), c.expected == 0) << c.types << " " << c.start << "+" << c.count;
  }
}

TEST_F(DocumentTest, UndoRestoresOnlyTheLastDeletionOnce) {
  Fill("0000000");
  EXPECT_FALSE(doc.PageIsDeleted());
  doc.DeletePages(2, 2, result);  // 1,4,5,6,7
  doc.DeletePages(3, 2, result);  // 1,4,7
  ASSERT_EQ(Order(), QStringLiteral("1,4,7"));
  EXPECT_TRUE(doc.PageIsDeleted());
  doc.DeletePages(1, 0, result);  // deletes nothing and keeps the undo
  doc.UndoDeletePage(result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Order(), QStringLiteral("1,4,5,6,7"));
  EXPECT_FALSE(doc.PageIsDeleted());
  doc.UndoDeletePage(result);
  EXPECT_EQ(result, kDocNothingCut);
  EXPECT_EQ(Order(), QStringLiteral("1,4,5,6,7"));
}

TEST_F(DocumentTest, UndoWithNothingDeletedOrNoPlaceLeft) {
  Fill("00000");
  doc.UndoDeletePage(result);  // nothing deleted yet: only marks the document
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(doc.Altered());
  EXPECT_EQ(Order(), QStringLiteral("1,2,3,4,5"));
  doc.DeletePages(4, 2, result);
  doc.Pages()->Remove(1);  // the collection itself shrank meanwhile
  doc.UndoDeletePage(result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Order(), QStringLiteral("2,3,4,5"));
}

struct PasteCase {
  const char* types;
  int cut, target;
  bool before;
  const char* expected;
};

TEST_F(DocumentTest, PasteMovesTheCutUnitAndKeepsEveryPageOnce) {
  const PasteCase cases[] = {
      {"121212", 4, 1, true, "3,4,1,2,5,6"},                                          // a back cuts its front too
      {"121212", 3, 6, false, "1,2,5,6,3,4"}, {"121212", 5, 2, true, "5,6,1,2,3,4"},  // before a back: before its sheet
      {"121212", 1, 3, false, "3,4,1,2,5,6"},                                         // after a front: after its sheet
      {"121212", 3, 4, true, "1,2,3,4,5,6"},                                          // onto the cut sheet itself
      {"121212", 3, 4, false, "1,2,3,4,5,6"}, {"121212", 3, 3, false, "1,2,3,4,5,6"},
      {"00000", 2, 4, false, "1,3,4,2,5"},    {"00000", 4, 2, true, "1,4,2,3,5"},
      {"00000", 3, 3, true, "1,2,3,4,5"},     {"00000", 3, 3, false, "1,2,3,4,5"},
      {"00000", 1, 5, false, "2,3,4,5,1"},    {"2000", 1, 3, false, "2,3,1,4"},  // a back without a front before it
      {"0200", 2, 4, false, "3,4,1,2"},  // a back after a simplex page takes it along
      {"0001", 4, 1, true, "4,1,2,3"},   // a front on the last page
  };
  for (const PasteCase& c : cases) {
    Fill(c.types);
    const QString before = Order();
    doc.CutPage(c.cut, result);
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(doc.PageIsCut());
    EXPECT_EQ(Order(), before) << "cutting only marks";
    doc.PastePage(c.target, c.before, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Order(), QLatin1String(c.expected)) << c.types << " cut " << c.cut << " to " << c.target << c.before;
    EXPECT_EQ(Sorted(Order()), Sorted(before));
    EXPECT_FALSE(doc.PageIsCut());
    EXPECT_TRUE(doc.Altered());
  }
}

TEST_F(DocumentTest, PasteRefusesNothingCutAndPagesNoLongerThere) {
  Fill("00000");
  doc.PastePage(1, true, result);  // fresh document: an empty cut collection
  EXPECT_EQ(result, kDocNothingCut);
  doc.CutPage(6, result);
  EXPECT_EQ(result, kDocNoSuchPage);
  doc.CutPage(2, result);
  doc.PastePage(6, true, result);
  EXPECT_EQ(result, kDocNoSuchPage);
  doc.PastePage(0, true, result);
  EXPECT_EQ(result, kDocNoSuchPage);

  // Pages moved since the cut: the cut page is found where it is now.
  doc.DeletePages(1, 1, result);  // 2,3,4,5
  doc.PastePage(4, false, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Order(), QStringLiteral("3,4,5,2"));
  doc.PastePage(1, true, result);
  EXPECT_EQ(result, kDocNothingCut);

  // A cut page deleted afterwards cannot be pasted until it is back.
  doc.CutPage(2, result);  // page "4"
  doc.DeletePages(2, 1, result);
  doc.PastePage(1, true, result);
  EXPECT_EQ(result, kDocNoSuchPage);
  EXPECT_EQ(Order(), QStringLiteral("3,5,2"));
  doc.UndoDeletePage(result);
  doc.PastePage(1, true, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(Order(), QStringLiteral("4,3,5,2"));
}

TEST_F(DocumentTest, CurrentPageOutsideTheDocumentThrowsAndKeepsTheValue) {
  Fill("000");
  doc.SetCurrentPage(2);
  for (int page : {0, 4, -1}) {
    try {
      doc.SetCurrentPage(page);
      ADD_FAILURE() << page;
    } catch (const DocumentError& error) {
      EXPECT_EQ(error.Number(), kDocNoSuchPage);
      EXPECT_EQ(error.Source(), QStringLiteral("Pyxadesk"));
      EXPECT_EQ(error.Description(), QStringLiteral("The page does not exist in the document."));
    }
    EXPECT_EQ(doc.CurrentPage(), 2);
  }
}

TEST_F(DocumentTest, ConfiguredNeedsSourceIniAndBothControls) {
  for (int mask = 0; mask < 16; ++mask) {
    doc.SetFileImportSource(mask & 1 ? QStringLiteral("File Import") : QString());
    doc.SetFileImportIni(mask & 2 ? QStringLiteral("import.ini") : QString());
    doc.SetScanCtrl(mask & 4 ? &scan : nullptr);
    doc.SetImageCtrl(mask & 8 ? &image : nullptr);
    EXPECT_EQ(doc.Configured(), mask == 15) << mask;
  }
}

TEST_F(DocumentTest, PropertiesAndAnnotation) {
  doc.SetAlias(QStringLiteral("Scan 1"));
  doc.SetFileName(QStringLiteral("/tmp/x.tif"));
  EXPECT_EQ(doc.Alias(), QString());
  struct {
    const char* text;
    bool flag;
    bool manual;
  } cases[] = {{"", false, false}, {"   ", false, false}, {"", true, true}, {" Received ", false, true}};
  for (const auto& c : cases) {
    doc.SetManualAnnotate(QLatin1String(c.text), c.flag, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(doc.AnnotationText(), QLatin1String(c.text).trimmed());
    EXPECT_EQ(doc.ManualAnnotate(), c.manual) << c.text << c.flag;
  }
}

TEST_F(DocumentTest, FileLockKeepsOtherHoldersOut) {
  const QString file = dir.filePath(QStringLiteral("doc.tif"));
  QFile(file).open(QIODevice::WriteOnly);
  doc.SetFileName(file);
  doc.ReserveCurrentFile(result);
  ASSERT_EQ(result, 0);
  doc.ReserveCurrentFile(result);  // held already
  EXPECT_EQ(result, 0);

  const int other = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
  EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
  cPage page;
  page.FileName = file;
  std::int64_t size = 0;
  page.GetImageFileSize(size, result);
  EXPECT_EQ(result, -1) << "the page file reader keeps off a locked file";

  doc.ReleaseCurrentFile(result);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(doc.FileLocked());
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  doc.ReserveCurrentFile(result);
  EXPECT_EQ(result, kDocCannotLock);
  EXPECT_FALSE(doc.FileLocked());
  ::close(other);

  doc.SetFileName(dir.filePath(QStringLiteral("missing.tif")));
  doc.ReserveCurrentFile(result);
  EXPECT_EQ(result, kDocCannotLock);
}

TEST_F(DocumentTest, CloseFileDeletesEveryPageFile) {
  auto pages = std::make_shared<cPages>();
  for (int i = 0; i < 4; ++i) {
    auto page = pages->Add(0, i + 1, 200, 200, 2, 4);
    page->CreateTempFile(dir.path(), result);
    ASSERT_EQ(result, 0);
  }
  doc.SetPages(pages);
  doc.DeletePages(1, 1, result);
  doc.CutPage(2, result);
  doc.CloseFile(result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
  EXPECT_EQ(doc.PageCount(), 0);
  EXPECT_FALSE(doc.PageIsDeleted());
}

TEST_F(DocumentTest, OpenFileRefusesAnOddDuplexDocument) {
  const QString file = dir.filePath(QStringLiteral("duplex.tif"));
  QFile(file).open(QIODevice::WriteOnly);
  DocumentFileRoutines routines;
  routines.load = [](const QString&, cPages& pages, const QString&, const TiffStamp&, const StatusReporter&) {
    for (int i = 0; i < 5; ++i) pages.Add(i == 0 ? 1 : 0, i + 1, 200, 200, 2, 4);
    return 0;
  };
  cDocument duplex(dir.path(), clock, {}, routines);
  duplex.SetFileImportSource(QStringLiteral("File Import"));
  duplex.SetFileImportIni(QStringLiteral("import.ini"));
  duplex.SetScanCtrl(&scan);
  duplex.SetImageCtrl(&image);
  duplex.OpenFile(file, dir.path(), result);
  EXPECT_EQ(result, kDocOddDuplex);
  EXPECT_EQ(duplex.PageCount(), 0);
  EXPECT_EQ(duplex.FileName(), QString());
  EXPECT_FALSE(duplex.FileLocked());
  EXPECT_FALSE(duplex.Altered());
}

TEST_F(DocumentTest, ProcessPageImportsThePageIntoItsOwnFile) {
  Fill("00");
  doc.ProcessPage(1, true, result);
  EXPECT_EQ(result, kDocNotConfigured);
  Configure();
  scan.reserved = QStringLiteral("Scanner A");
  doc.Pages()->Item(2)->ColourModel = 3;
  scan.answer = {0, {}, true, 300, 300, 7, 3};
  doc.ProcessPage(2, false, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(scan.unreserves, 1);
  EXPECT_EQ(scan.reserved, QStringLiteral("File Import"));
  EXPECT_FALSE(scan.output);
  EXPECT_EQ(scan.type, ScanOutputType::Jpg);
  EXPECT_EQ(scan.compression, kScanCompressionJpeg);
  ASSERT_EQ(scan.imports.size(), 1u);
  EXPECT_EQ(scan.imports[0], std::make_pair(QStringLiteral("2"), QStringLiteral("2")));
  EXPECT_EQ(doc.Pages()->Item(2)->XResolution, 300);
  EXPECT_EQ(doc.Pages()->Item(2)->CompressionType, -1);
  EXPECT_TRUE(doc.Altered());

  scan.answer = {-9, QStringLiteral("cannot read"), false, 0, 0, 0, 0};
  doc.ProcessPage(1, true, result);
  EXPECT_EQ(result, kDocScanFailed);
  EXPECT_EQ(doc.LastErrorMsg(), QStringLiteral("-9-cannot read"));
  EXPECT_EQ(scan.type, ScanOutputType::Tiff);
  EXPECT_EQ(scan.compression, kScanCompressionGroup4);
  EXPECT_EQ(doc.Pages()->Item(1)->XResolution, 200);
  doc.ProcessPage(3, true, result);
  EXPECT_EQ(result, kDocNoSuchPage);
}

TEST_F(DocumentTest, RecompressLeavesNoFileBehindOnFailure) {
  Fill("00");
  Configure();
  struct {
    QString offered;
    int compression;
    ImportedPage answer;
    std::int32_t expected;
  } cases[] = {
      {QStringLiteral("File Import"), 4, {}, 0},
      {QStringLiteral("File Import"), 3, {}, kDocCompressionUnavailable},  // not offered by this control
      {QStringLiteral("File Import"), 7, {}, kDocCompressionUnavailable},  // not a TIFF compression
      {QStringLiteral("Other"), 4, {}, kDocCannotReserve},
      {QStringLiteral("File Import"), 1, {5, QStringLiteral("disk full")}, kDocScanFailed},
  };
  for (const auto& c : cases) {
    scan.offered = c.offered;
    scan.reserved.clear();
    scan.answer = c.answer;
    QString temp = QStringLiteral("stale");
    doc.RecompressPgAsTemp(1, dir.path(), c.compression, temp, result);
    EXPECT_EQ(result, c.expected) << c.compression;
    EXPECT_EQ(temp.isEmpty(), c.expected != 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), c.expected == 0 ? 1 : 0);
    if (!temp.isEmpty()) {
      EXPECT_TRUE(temp.endsWith(QStringLiteral(".TIF")));
      EXPECT_EQ(scan.compression, c.compression);
      QFile::remove(temp);
    }
  }
}

}  // namespace
}  // namespace pyxa
