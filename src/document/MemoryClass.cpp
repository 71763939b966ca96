#include "document/MemoryClass.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <exception>
#include <functional>
#include <new>
#include <vector>

namespace pyxa {

namespace {

// The characters of Windows-1252 bytes 0x80-0x9F; its five unassigned bytes carry the control
// character of the same number, as Windows converts them.
constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  const auto* found = std::find(kCp1252High.begin(), kCp1252High.end(), c);
  return found == kCp1252High.end() ? '?' : static_cast<char>(0x80 + (found - kCp1252High.begin()));
}

}  // namespace

bool MemoryClass::Grow(std::int64_t size) {
  if (size > kMaxSize) return false;
  if (size > allocated_) {
    // Doubling keeps a long run of small appends linear; allocated_ <= kMaxSize, so no overflow.
    const std::int64_t target = std::max(size, std::min(kMaxSize, allocated_ * 2));
    std::unique_ptr<std::byte[]> fresh(new (std::nothrow) std::byte[static_cast<std::size_t>(target)]);
    if (!fresh) return false;
    if (length_ > 0) std::memcpy(fresh.get(), block_.get(), static_cast<std::size_t>(length_));
    block_ = std::move(fresh);
    allocated_ = target;
  }
  capacity_ = std::max(capacity_, size);
  return true;
}

std::int64_t MemoryClass::GetMemory(std::int64_t size) {
  if (size == 0) {
    block_.reset();
    length_ = capacity_ = allocated_ = 0;
    return 0;
  }
  if (size > capacity_ && !Grow(size)) return kAllocationFailed;
  return capacity_;
}

std::int64_t MemoryClass::ReadFromFile(int fd, std::int64_t count) {
  if (count < 0 || fd < 0) return kReadFailed;
  if (count > kMaxSize - length_ || !Grow(length_ + count)) return kAllocationFailed;
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd, block_.get() + length_ + done, static_cast<std::size_t>(count - done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return kReadFailed;
    if (got == 0) break;  // end of file
    done += got;
  }
  length_ += done;
  return done;
}

std::int64_t MemoryClass::MoveToMemory(std::int64_t offset, const void* source, std::int64_t count) {
  if (offset < 0 || count < 0 || offset > kMaxSize - count) return 0;
  if (count > 0 && source == nullptr) return 0;
  // A source inside the block would dangle once the block moves: keep its place as an offset.
  const auto* from = static_cast<const std::byte*>(source);
  const std::byte* base = block_.get();
  const bool inside = base && std::less_equal<>()(base, from) && std::less<>()(from, base + allocated_);
  const std::int64_t sourceOffset = inside ? from - base : 0;
  if (!Grow(offset + count)) return 0;
  if (inside) from = block_.get() + sourceOffset;
  if (offset > length_) std::memset(block_.get() + length_, 0, static_cast<std::size_t>(offset - length_));
  if (count > 0) std::memmove(block_.get() + offset, from, static_cast<std::size_t>(count));
  length_ = offset + count;
  return count;
}

std::int64_t MemoryClass::AppendToMemoryFromString(const QString& text) {
  if (text.isEmpty()) return 1;
  std::vector<char> bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(text.size()));
  } catch (const std::exception&) {
    return 0;
  }
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    // A character outside the 16-bit range is one character, however it is stored.
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ++i;
    bytes.push_back(c.isSurrogate() ? '?' : ToCp1252(c.unicode()));
  }
  return AppendToMemory(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

std::int64_t MemoryClass::MoveFromMemory(std::int64_t offset, void* destination, std::int64_t count) const {
  if (offset < 0 || count < 0 || offset > length_ - count) return 0;
  if (count > 0 && destination == nullptr) return 0;
  if (count > 0) std::memcpy(destination, block_.get() + offset, static_cast<std::size_t>(count));
  return count;
}

std::int64_t MemoryClass::WriteToFile(int fd) const {
  if (length_ == 0 || fd < 0) return 0;
  std::int64_t done = 0;
  while (done < length_) {
    const ssize_t wrote = ::write(fd, block_.get() + done, static_cast<std::size_t>(length_ - done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += wrote;
  }
  return done;
}

}  // namespace pyxa
