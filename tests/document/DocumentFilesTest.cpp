// The document object on real files: opening a TIFF into page files, saving page ranges, lists and
// recompressed pages, and saving over its own file without ever losing it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "TestTiffs.h"
#include "document/Document.h"
#include "document/DocumentErrors.h"
#include "document/FileImportControl.h"
#include "platform/Clock.h"

namespace pyxa {
namespace {

using testing::Decoded;
using testing::TestPage;
using testing::WriteTiff;

class FixedImageControl final : public ImageControl {
 public:
  QString ScenarioIniFile() const override { return ini; }
  QString ScenarioSection() const override { return section; }
  void SetScenario(const QString& i, const QString& s) override { ini = i, section = s; }
  QString ini, section;
};

class DocumentFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    available = root.filePath(QStringLiteral("Available Files"));
    ASSERT_TRUE(QDir().mkpath(available));
    source = root.filePath(QStringLiteral("scan.tif"));
    std::vector<TestPage> pages;
    for (int i = 0; i < 5; ++i) pages.push_back(TestPage{.seed = i + 1});
    ASSERT_TRUE(WriteTiff(source, pages));
    reference = root.filePath(QStringLiteral("reference.tif"));
    ASSERT_TRUE(QFile::copy(source, reference));
  }
  void Configure(cDocument& doc, bool configured = true) {
    doc.SetFileImportSource(configured ? QStringLiteral("File Import") : QString());
    doc.SetFileImportIni(QStringLiteral("import.ini"));
    doc.SetScanCtrl(&import);
    doc.SetImageCtrl(&image);
  }
  QStringList PageFiles() const { return QDir(available).entryList(QDir::Files); }
  static QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // Page i of path shows page sourcePages[i] of the scan as first written.
  void ExpectPages(const QString& path, const std::vector<int>& sourcePages) {
    TiffPages written;
    ASSERT_TRUE(written.Open(path).Ok()) << path.toStdString();
    ASSERT_EQ(written.PageCount(), int(sourcePages.size()));
    for (std::size_t i = 0; i < sourcePages.size(); ++i)
      EXPECT_EQ(Decoded(path, int(i)), Decoded(reference, sourcePages[i] - 1)) << "page " << i + 1;
  }

  QTemporaryDir root;
  QString available, source, reference;
  ManualClock clock;
  FileImportControl import{QStringLiteral("File Import")};
  FixedImageControl image;
  std::int32_t result = -99;
};

TEST_F(DocumentFilesTest, OpenSplitsIntoPageFilesAndCloseDeletesThem) {
  cDocument opened(available, clock);
  Configure(opened);
  opened.DeletePages(1, 1, result);
  opened.OpenFile(source, available, result);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(opened.PageCount(), 5);
  EXPECT_EQ(opened.FileName(), source);
  EXPECT_TRUE(opened.FileLocked());
  EXPECT_FALSE(opened.Altered());
  EXPECT_EQ(PageFiles().size(), 5);
  EXPECT_EQ(opened.Pages()->Item(3)->PageType, 0);
  EXPECT_EQ(Decoded(opened.Pages()->Item(3)->FileName, 0), Decoded(source, 2));

  opened.CloseFile(result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(PageFiles(), QStringList());
  EXPECT_FALSE(opened.FileLocked());
  EXPECT_EQ(opened.FileName(), QString());
}

TEST_F(DocumentFilesTest, OpenFailuresLeaveAnEmptyUnlockedDocument) {
  cDocument opened(available, clock);
  const QString notTiff = root.filePath(QStringLiteral("note.tif"));
  QFile note(notTiff);
  ASSERT_TRUE(note.open(QIODevice::WriteOnly));
  note.write("not an image at all");
  note.close();
  const QString locked = root.filePath(QStringLiteral("locked.tif"));
  ASSERT_TRUE(QFile::copy(source, locked));
  const int holder = ::open(QFile::encodeName(locked).constData(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);

  struct {
    QString file;
    bool configured;
    std::int32_t expected;
  } cases[] = {
      {QString(), true, kDocNoFileName},
      {root.filePath(QStringLiteral("missing.tif")), true, kDocFileMissing},
      {locked, true, kDocCannotLock},
      {source, false, kDocNotConfigured},
      {notTiff, true, -3},
  };
  for (const auto& c : cases) {
    Configure(opened, c.configured);
    opened.OpenFile(c.file, available, result);
    EXPECT_EQ(result, c.expected) << c.file.toStdString();
    EXPECT_EQ(opened.PageCount(), 0);
    EXPECT_EQ(opened.FileName(), QString());
    EXPECT_FALSE(opened.FileLocked());
    EXPECT_EQ(PageFiles(), QStringList());
  }
  ::close(holder);
}

class OpenedDocumentTest : public DocumentFilesTest {
 protected:
  void SetUp() override {
    DocumentFilesTest::SetUp();
    opened = std::make_unique<cDocument>(available, clock);
    Configure(*opened);
    opened->OpenFile(source, available, result);
    ASSERT_EQ(result, 0);
    target = root.filePath(QStringLiteral("out.tif"));
  }
  void TearDown() override {
    opened->CloseFile(result);
    EXPECT_EQ(PageFiles(), QStringList()) << "no backup or temporary copy is left behind";
  }
  std::unique_ptr<cDocument> opened;
  QString target;
};

TEST_F(OpenedDocumentTest, SaveWritesTheChosenPages) {
  opened->Save(target, 1, 4, 3, -1, QVariant(), result);
  ASSERT_EQ(result, 0);
  ExpectPages(target, {3, 4, 5});
  opened->Save(target, 1, 4, 2, 2, QVariant(QStringLiteral("no table")), result);
  ASSERT_EQ(result, 0);
  ExpectPages(target, {2, 3});
  opened->Save(target, 1, 4, 1, 1, SaveOptionTable({QStringLiteral("pAGES")}, {QVariant(QVariantList{5, 1, 5})}),
               result);
  ASSERT_EQ(result, 0);
  ExpectPages(target, {5, 1, 5});
  EXPECT_EQ(opened->FileName(), source) << "saving elsewhere keeps the document's file";

  const QByteArray saved = Bytes(target);
  struct {
    std::int32_t fileType, start, count;
    QVariant options;
    std::int32_t expected;
  } refused[] = {
      {1, 4, 3, QVariant(), kDocRangeOutside},
      {1, 0, -1, QVariant(), kDocRangeOutside},
      {1, 6, -1, QVariant(), kDocRangeOutside},
      {1, 1, 0, QVariant(), kDocRangeOutside},
      {1, 1, 1, SaveOptionTable({QStringLiteral("Pages")}, {QVariant(QVariantList{2, 6})}), kDocRangeOutside},
      {1, 1, 1, SaveOptionTable({QStringLiteral("Pages")}, {QVariant(QVariantList{})}), kDocRangeOutside},
      {3, 1, 1, QVariant(), kDocFormatUnsupported},
  };
  for (const auto& c : refused) {
    opened->Save(target, c.fileType, 4, c.start, c.count, c.options, result);
    EXPECT_EQ(result, c.expected) << c.start << " " << c.count;
  }
  EXPECT_EQ(Bytes(target), saved);

  const int holder = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
  opened->Save(target, 1, 4, 1, -1, QVariant(), result);
  EXPECT_EQ(result, kDocCannotLock) << "another document has the target open";
  ::close(holder);
  EXPECT_EQ(Bytes(target), saved);

  QFile::setPermissions(target, QFileDevice::ReadOwner);
  opened->Save(target, 1, 4, 1, -1, QVariant(), result);
  EXPECT_EQ(result, kDocReadOnly);
  EXPECT_EQ(Bytes(target), saved);
  opened->SetScanCtrl(nullptr);
  opened->Save(target, 1, 4, 1, -1, QVariant(), result);
  EXPECT_EQ(result, kDocNotConfigured);
  opened->SetScanCtrl(&import);
}

TEST_F(OpenedDocumentTest, SaveRecompressesThroughTheImportSource) {
  opened->Save(target, 1, 3, 1, 2, QVariant(), result);
  ASSERT_EQ(result, 0);
  TiffPages written;
  ASSERT_TRUE(written.Open(target).Ok());
  ASSERT_EQ(written.PageCount(), 2);
  EXPECT_EQ(written.Pages()[0].compression, 3);
  EXPECT_EQ(written.Pages()[1].compression, 3);
  ExpectPages(target, {1, 2});
  EXPECT_EQ(opened->Pages()->Item(1)->CompressionType, 4) << "the page itself is not changed";
}

TEST_F(OpenedDocumentTest, SaveOverItsOwnFileNeverLosesIt) {
  const QByteArray original = Bytes(source);
  opened->DeletePages(2, 1, result);
  ASSERT_TRUE(opened->Altered());
  // The writer fails: a page file has gone.
  const QString gone = opened->Pages()->Item(3)->FileName;
  const QString kept = root.filePath(QStringLiteral("kept"));
  ASSERT_TRUE(QFile::rename(gone, kept));
  opened->Save(source, 1, 4, 1, -1, QVariant(), result);
  EXPECT_EQ(result, kTiffCannotOpen);
  EXPECT_EQ(opened->LastErrorMsg(), QStringLiteral("SaveTIFFFile returned (-4)"));
  EXPECT_EQ(Bytes(source), original);
  EXPECT_TRUE(opened->FileLocked());
  EXPECT_TRUE(opened->Altered());
  EXPECT_EQ(PageFiles().size(), 4) << "the backup went back to its name";  // 3 pages and the deleted one

  ASSERT_TRUE(QFile::rename(kept, gone));
  opened->Save(source, 1, 4, 1, -1, QVariant(), result);
  ASSERT_EQ(result, 0);
  EXPECT_FALSE(opened->Altered());
  EXPECT_TRUE(opened->FileLocked());
  ExpectPages(source, {1, 3, 4, 5});
}

TEST_F(OpenedDocumentTest, ProcessPageRewritesThePageFileInPlace) {
  const QString file = opened->Pages()->Item(2)->FileName;
  const QImage before = Decoded(file, 0);
  opened->ProcessPage(2, true, result);
  ASSERT_EQ(result, 0) << opened->LastErrorMsg().toStdString();
  EXPECT_EQ(opened->Pages()->Item(2)->FileName, file);
  EXPECT_EQ(opened->Pages()->Item(2)->CompressionType, 4);
  EXPECT_EQ(opened->Pages()->Item(2)->ColourModel, 1);
  EXPECT_EQ(Decoded(file, 0), before);
  EXPECT_TRUE(opened->Altered());
  EXPECT_EQ(import.ReservedSource(), QStringLiteral("File Import"));
  EXPECT_EQ(import.Reserve(QStringLiteral("Scanner")), kDocCannotReserve);
  EXPECT_EQ(import.Reserve(QStringLiteral("file import")), 0);
}

}  // namespace
}  // namespace pyxa
