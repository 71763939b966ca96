// Pages: where AddPage and Add place a page, keys, removal and order; the temporary page file's
// name, extension and uniqueness; the image file size and its failures, a lock held elsewhere
// and sizes past 4 GB.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include "document/Pages.h"

namespace pyxa {
namespace {

// The page numbers in collection order.
std::vector<int> Numbers(const cPages& pages) {
  std::vector<int> out;
  for (const auto& page : pages) out.push_back(page->PageNumber);
  return out;
}

TEST(PagesTest, AddPagePlacesByPosition) {
  const struct {
    int position;
    std::vector<int> order;
  } cases[] = {{0, {1, 2, 3, 9}}, {4, {1, 2, 3, 9}}, {-1, {1, 2, 3, 9}}, {1, {9, 1, 2, 3}}, {3, {1, 2, 9, 3}}};
  for (const auto& c : cases) {
    cPages pages;
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(pages.Add(0, n, 200, 200, 2, 4));
    auto page = std::make_shared<cPage>();
    page->PageNumber = 9;
    EXPECT_EQ(pages.AddPage(page, 77, QStringLiteral("k"), c.position), page);
    EXPECT_EQ(Numbers(pages), c.order) << "position " << c.position;
    EXPECT_EQ(pages.Item(QStringLiteral("k")), page);
    EXPECT_EQ(page->PageNumber, 9);  // AddPage's number is not stored
  }
}

TEST(PagesTest, AddSetsPropertiesAndKeysAreUnique) {
  cPages pages;
  auto page = pages.Add(1, 5, 300, 150, 3, -1, QStringLiteral("front"));
  ASSERT_TRUE(page);
  EXPECT_EQ(std::tie(page->PageType, page->PageNumber, page->XResolution, page->YResolution, page->ResolutionUnit,
                     page->CompressionType),
            std::make_tuple(1, 5, 300, 150, 3, -1));
  EXPECT_FALSE(page->BarCodes().Enabled());
  EXPECT_FALSE(pages.Add(0, 6, 1, 1, 2, 1, QStringLiteral("front")));
  EXPECT_FALSE(pages.AddPage(nullptr, 0));
  EXPECT_EQ(pages.Count(), 1);

  pages.Add(0, 6, 1, 1, 2, 1);
  EXPECT_FALSE(pages.Item(0));
  EXPECT_FALSE(pages.Item(3));
  EXPECT_FALSE(pages.Item(QStringLiteral("back")));
  EXPECT_TRUE(pages.Remove(QStringLiteral("front")));
  EXPECT_FALSE(pages.Remove(QStringLiteral("front")));
  EXPECT_EQ(Numbers(pages), std::vector<int>{6});
  EXPECT_FALSE(pages.Remove(2));
  EXPECT_TRUE(pages.Remove(1));
  EXPECT_EQ(pages.Count(), 0);
  EXPECT_EQ(page->PageNumber, 5);  // still held by its caller
}

TEST(PagesTest, CreateTempFileMakesNewUniqueFiles) {
  QTemporaryDir dir;
  QSet<QString> names;
  for (int colour : {1, 2, 3, 0}) {
    for (int i = 0; i < 50; ++i) {
      cPage page;
      page.ColourModel = colour;
      std::int32_t result = -1;
      page.CreateTempFile(i % 2 ? dir.path() : dir.path() + QLatin1Char('/'), result);
      ASSERT_EQ(result, 0);
      const QFileInfo info(page.FileName);
      EXPECT_EQ(info.absolutePath(), QDir(dir.path()).absolutePath());
      EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("zzz")));
      EXPECT_EQ(info.suffix(), colour == 2 || colour == 3 ? QStringLiteral("JPG") : QStringLiteral("TIF"));
      EXPECT_TRUE(info.exists());
      EXPECT_EQ(info.permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
      names.insert(page.FileName);
    }
  }
  EXPECT_EQ(names.size(), 200);

  for (const QString& folder : {dir.filePath(QStringLiteral("missing")), QString()}) {
    cPage page;
    page.FileName = QStringLiteral("old");
    std::int32_t result = 0;
    page.CreateTempFile(folder, result);
    EXPECT_EQ(result, ENOENT);
    EXPECT_TRUE(page.FileName.isEmpty());
  }
}

TEST(PagesTest, GetImageFileSize) {
  QTemporaryDir dir;
  const auto sizeOf = [](const QString& path, std::int64_t& size) {
    cPage page;
    page.FileName = path;
    std::int32_t result = 99;
    size = 99;
    page.GetImageFileSize(size, result);
    return result;
  };
  const QString path = dir.filePath(QStringLiteral("page.TIF"));
  std::int64_t size = 0;
  EXPECT_EQ(sizeOf(path, size), -1);  // missing
  EXPECT_EQ(sizeOf(QString(), size), -1);
  EXPECT_EQ(sizeOf(dir.path(), size), -1);  // a folder is no image file
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(sizeOf(path, size), -2);
  EXPECT_EQ(size, 0);

  // Sparse, so the test costs no disk: 5 GB must not wrap to 1 GB.
  const std::int64_t big = std::int64_t{5} << 30;
  ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), big), 0);
  EXPECT_EQ(sizeOf(path, size), 0);
  EXPECT_EQ(size, big);

  // Another open file description holding the lock stands for another program.
  const int other = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(sizeOf(path, size), -1);
  EXPECT_EQ(size, 0);
  ::close(other);
  EXPECT_EQ(sizeOf(path, size), 0);
  const int again = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(::flock(again, LOCK_EX | LOCK_NB), 0);  // our own lock went with our close
  ::close(again);
}

}  // namespace
}  // namespace pyxa
