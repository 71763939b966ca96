// The output byte buffer: capacity, writes at offsets, reads back, failed growth, text, files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "document/MemoryClass.h"

namespace pyxa {
namespace {

constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();

std::string Data(const MemoryClass& m) {
  return std::string(reinterpret_cast<const char*>(m.GetMemoryAddress()), static_cast<std::size_t>(m.GetDataLength()));
}

MemoryClass& Holding(MemoryClass& m, const std::string& text) {
  m.AppendToMemory(text.data(), static_cast<std::int64_t>(text.size()));
  return m;
}

TEST(MemoryClassTest, CapacityGrowsToTheSizeAskedAndZeroFreesTheBlock) {
  MemoryClass m;
  for (auto [size, capacity] : {std::pair{10, 10}, {5, 10}, {-1, 10}, {11, 11}}) EXPECT_EQ(m.GetMemory(size), capacity);
  Holding(m, "abc").Reset();
  EXPECT_EQ(m.GetDataLength(), 0);
  EXPECT_EQ(m.GetMemory(1), 11);  // Reset kept the block
  EXPECT_EQ(m.GetMemory(0), 0);
  EXPECT_EQ(m.GetMemoryAddress(), nullptr);
}

TEST(MemoryClassTest, SizesThatCannotBeHadKeepTheBlockAndItsData) {
  MemoryClass m;
  Holding(m, "kept");
  const std::int64_t capacity = m.GetMemory(1);
  for (std::int64_t size : {MemoryClass::kMaxSize + 1, kHuge}) {
    EXPECT_EQ(m.GetMemory(size), MemoryClass::kAllocationFailed) << size;
    EXPECT_EQ(m.AppendToMemory("x", size), 0) << size;
    EXPECT_EQ(m.ReadFromFile(0, size), MemoryClass::kAllocationFailed) << size;
  }
  EXPECT_EQ(m.MoveToMemory(kHuge, "x", kHuge), 0);
  EXPECT_EQ(Data(m), "kept");
  EXPECT_EQ(m.GetMemory(1), capacity);
  EXPECT_EQ(Data(Holding(m, "!")), "kept!");
}

TEST(MemoryClassTest, MoveToMemoryWritesAtItsOffsetAndDropsWhatLayBehind) {
  struct Case {
    std::int64_t offset;
    std::string text;
    std::int64_t result;
    std::string data;
  };
  const Case cases[] = {
      {2, "XY", 2, "abXY"},      {0, "Z", 1, "Z"},
      {6, "gh", 2, "abcdefgh"},  {8, "Z", 1, std::string("abcdef\0\0Z", 9)},
      {3, "", 0, "abc"},         {-1, "Z", 0, "abcdef"},
      {kHuge, "Z", 0, "abcdef"},
  };
  for (const Case& c : cases) {
    MemoryClass m;
    Holding(m, "abcdef");
    EXPECT_EQ(m.MoveToMemory(c.offset, c.text.data(), static_cast<std::int64_t>(c.text.size())), c.result) << c.offset;
    EXPECT_EQ(Data(m), c.data) << c.offset;
  }
  MemoryClass m;
  EXPECT_EQ(Holding(m, "abc").MoveToMemory(0, "Z", -1) + m.AppendToMemory(nullptr, 1), 0);
  EXPECT_EQ(Data(m), "abc");
}

TEST(MemoryClassTest, MoveFromMemoryCopiesOnlyRangesWithinTheData) {
  struct Case {
    std::int64_t offset, count, result;
    std::string copied;
  };
  const Case cases[] = {{0, 6, 6, "abcdef.."},     {4, 2, 2, "ef......"},    {6, 0, 0, "........"},
                        {5, 2, 0, "........"},     {-1, 1, 0, "........"},   {1, -1, 0, "........"},
                        {kHuge, 1, 0, "........"}, {1, kHuge, 0, "........"}};
  MemoryClass m;
  Holding(m, "abcdef");
  for (const Case& c : cases) {
    std::string out(8, '.');
    EXPECT_EQ(m.MoveFromMemory(c.offset, out.data(), c.count), c.result) << c.offset << "," << c.count;
    EXPECT_EQ(out, c.copied) << c.offset << "," << c.count;
  }
}

TEST(MemoryClassTest, AppendingItsOwnDataSurvivesTheBlockMoving) {
  MemoryClass m;
  Holding(m, "ab");
  std::string expected = "ab";
  for (int i = 0; i < 4; ++i, expected += expected) {
    const std::int64_t length = m.GetDataLength();
    EXPECT_EQ(m.AppendToMemory(m.GetMemoryAddress(), length), length);
  }
  EXPECT_EQ(Data(m), expected);
}

TEST(MemoryClassTest, OneByteAppendsReallocateOnlyLogarithmicallyOften) {
  MemoryClass m;
  int moves = 0;
  const std::byte* last = nullptr;
  for (int i = 0; i < 4'000'000; ++i) {  // more than a 100-page document
    ASSERT_EQ(m.AppendToMemory("x", 1), 1);
    if (m.GetMemoryAddress() != last) ++moves, last = m.GetMemoryAddress();
  }
  EXPECT_LE(moves, 30);
  EXPECT_EQ(m.GetMemory(1), 4'000'000);  // the capacity callers see is still the size asked for
}

TEST(MemoryClassTest, TextIsAppendedOneWindows1252BytePerCharacter) {
  MemoryClass m;
  EXPECT_EQ(m.AppendToMemoryFromString(QString()), 1);
  EXPECT_EQ(m.GetDataLength(), 0);
  const QString text =
      QStringLiteral("A,1") + QChar(0xFF) + QChar(0x20AC) + QChar(0x03A9) + QString::fromUcs4(U"\U0001F600");
  EXPECT_EQ(m.AppendToMemoryFromString(text), 7);
  EXPECT_EQ(Data(m), "A,1\xFF\x80??");
}

TEST(MemoryClassTest, WritesItsDataToAFileAndReadsItBackBehindWhatItHolds) {
  QTemporaryDir dir;
  const int fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral("out.bin"))).constData(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  MemoryClass out, in;
  EXPECT_EQ(out.WriteToFile(fd), 0);
  EXPECT_EQ(Holding(out, std::string("II*\0page", 8)).WriteToFile(-1), 0);
  EXPECT_EQ(out.WriteToFile(fd), 8);
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(Holding(in, ">").ReadFromFile(fd, 100), 8);
  EXPECT_EQ(in.ReadFromFile(fd, 100), 0);
  EXPECT_EQ(in.ReadFromFile(-1, 1), MemoryClass::kReadFailed);
  EXPECT_EQ(in.ReadFromFile(fd, -1), MemoryClass::kReadFailed);
  EXPECT_EQ(Data(in), ">" + Data(out));
  ::close(fd);
}

}  // namespace
}  // namespace pyxa
