// A growable byte buffer that collects TIFF output before it goes to disk. Nothing here throws:
// every operation answers with a count or a negative code.
//
// Callers see the capacity as the largest size asked for since the block was last freed; the block
// behind it grows geometrically, so appending in small pieces stays linear. A request that cannot
// be met leaves the block and its data as they were.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace pyxa {

class MemoryClass {
 public:
  static constexpr std::int64_t kAllocationFailed = -3;  // GetMemory and ReadFromFile
  static constexpr std::int64_t kReadFailed = -1;        // ReadFromFile
  // The block never exceeds this: the TIFF files assembled here have 32-bit offsets, and refusing
  // larger sizes up front keeps a runaway size away from the allocator.
  static constexpr std::int64_t kMaxSize = 0xFFFFFFFF;

  MemoryClass() = default;
  MemoryClass(const MemoryClass&) = delete;
  MemoryClass& operator=(const MemoryClass&) = delete;

  // The block's address (nullptr before the first allocation and after GetMemory(0)). It may move
  // whenever the buffer grows.
  const std::byte* GetMemoryAddress() const { return block_.get(); }
  std::int64_t GetDataLength() const { return length_; }

  // Data length 0; the block stays allocated.
  void Reset() { length_ = 0; }

  // Size 0 frees the block (capacity and length 0); a size above the capacity makes it the
  // capacity. Returns the capacity, or kAllocationFailed with block, data and capacity unchanged.
  std::int64_t GetMemory(std::int64_t size);

  // Reads up to count bytes from the current position of the POSIX file descriptor fd and appends
  // them. Returns the bytes read; kReadFailed (nothing added) when the read fails or count is
  // negative; kAllocationFailed when the room cannot be had.
  std::int64_t ReadFromFile(int fd, std::int64_t count);

  // Copies count bytes to offset and sets the data length to offset + count, dropping what lay
  // behind. An offset past the data leaves zero bytes in the gap. The source may lie in this
  // buffer. Returns count, or 0 (nothing changed) for a negative or too large offset or count, a
  // null source or a block that cannot be had.
  std::int64_t MoveToMemory(std::int64_t offset, const void* source, std::int64_t count);
  std::int64_t AppendToMemory(const void* source, std::int64_t count) { return MoveToMemory(length_, source, count); }

  // Appends the text in the Windows-1252 ("ANSI") code page, one byte per character; characters it
  // lacks become "?". Returns the bytes appended, 0 on failure, and 1 for an empty text (which
  // appends nothing) so that callers treating 0 as failure accept it.
  std::int64_t AppendToMemoryFromString(const QString& text);

  // Copies count bytes from offset when offset + count lies within the data and returns count;
  // otherwise copies nothing and returns 0.
  std::int64_t MoveFromMemory(std::int64_t offset, void* destination, std::int64_t count) const;

  // Writes the whole data at the current position of fd. Returns the bytes written (fewer than the
  // data length when the write fails part-way); 0 without data or with a negative descriptor.
  std::int64_t WriteToFile(int fd) const;

 private:
  // Makes the capacity at least size; false, changing nothing, when that cannot be had.
  bool Grow(std::int64_t size);

  std::unique_ptr<std::byte[]> block_;
  std::int64_t length_ = 0;     // bytes in use
  std::int64_t capacity_ = 0;   // what callers were promised
  std::int64_t allocated_ = 0;  // the block's real size, at least capacity_
};

}  // namespace pyxa
