#include "document/TiffAppendFile.h"

#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace pyxa {
namespace {

// Old bytes libtiff may change in place: a directory link (4 bytes, 8 in BigTIFF). Anything larger
// would rewrite existing pages, which this file never does.
constexpr std::size_t kMaxPatch = 8;

int WriteAll(int fd, const char* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return 0;
}

}  // namespace

TiffAppendFile::TiffAppendFile(int fd) : fd_(fd) {
  struct stat st {};
  if (::fstat(fd, &st) == 0) base_ = static_cast<std::uint64_t>(st.st_size);
}

TIFF* TiffAppendFile::Open(const char* name, TIFFOpenOptions* options) {
  return TIFFClientOpenExt(name, "a", this, Read, Write, Seek, Close, Size, Map, Unmap, options);
}

std::int64_t TiffAppendFile::Read(void* h, void* data, std::int64_t size) {
  auto* f = static_cast<TiffAppendFile*>(h);
  auto* out = static_cast<char*>(data);
  std::int64_t done = 0;
  while (done < size) {
    const std::uint64_t at = f->pos_;
    std::int64_t got = 0;
    if (at < f->base_) {
      // What libtiff changed itself comes back as it wrote it.
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(std::uint64_t(size - done), f->base_ - at));
      const ssize_t n = ::pread(f->fd_, out + done, want, static_cast<off_t>(at));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got = n;
      for (const Patch& p : f->patches_) {
        const std::uint64_t from = std::max(p.offset, at);
        const std::uint64_t to = std::min(p.offset + p.bytes.size(), at + std::uint64_t(got));
        if (from < to) std::memcpy(out + done + (from - at), p.bytes.data() + (from - p.offset), to - from);
      }
    } else {
      const std::uint64_t inTail = at - f->base_;
      if (inTail >= f->tail_.size()) break;
      got = static_cast<std::int64_t>(std::min<std::uint64_t>(std::uint64_t(size - done), f->tail_.size() - inTail));
      std::memcpy(out + done, f->tail_.data() + inTail, std::size_t(got));
    }
    done += got;
    f->pos_ += std::uint64_t(got);
  }
  return done;
}

std::int64_t TiffAppendFile::Write(void* h, void* data, std::int64_t size) {
  auto* f = static_cast<TiffAppendFile*>(h);
  const auto* in = static_cast<const char*>(data);
  const auto n = static_cast<std::uint64_t>(size);
  if (f->pos_ >= f->base_) {
    const std::uint64_t at = f->pos_ - f->base_;
    if (f->tail_.size() < at + n) f->tail_.resize(at + n);
    std::memcpy(f->tail_.data() + at, in, n);
  } else if (f->pos_ + n <= f->base_ && n <= kMaxPatch) {
    f->patches_.push_back({f->pos_, std::string(in, n)});
  } else {
    f->io_ = {true, EINVAL};  // an old page would be overwritten
    return -1;
  }
  f->pos_ += n;
  return size;
}

std::uint64_t TiffAppendFile::Seek(void* h, std::uint64_t offset, int whence) {
  auto* f = static_cast<TiffAppendFile*>(h);
  switch (whence) {
    case SEEK_SET:
      f->pos_ = offset;
      break;
    case SEEK_CUR:
      f->pos_ += offset;
      break;
    case SEEK_END:
      f->pos_ = f->base_ + f->tail_.size() + offset;
      break;
    default:
      return static_cast<std::uint64_t>(-1);
  }
  return f->pos_;
}

int TiffAppendFile::Close(void*) { return 0; }
std::uint64_t TiffAppendFile::Size(void* h) {
  auto* f = static_cast<TiffAppendFile*>(h);
  return f->base_ + f->tail_.size();
}
int TiffAppendFile::Map(void*, void**, std::uint64_t*) { return 0; }
void TiffAppendFile::Unmap(void*, void*, std::uint64_t) {}

int TiffAppendFile::Commit() {
  if (io_.failed) return io_.error;
  if (tail_.empty()) return 0;
  if (int error = WriteAll(fd_, tail_.data(), tail_.size(), base_); error != 0 || ::fsync(fd_) != 0) {
    if (error == 0) error = errno;
    // Unlinked bytes past the old end are harmless, but a full disk should get its room back.
    if (::ftruncate(fd_, static_cast<off_t>(base_)) == 0) ::fsync(fd_);
    return error;
  }
  for (const Patch& p : patches_) {
    if (const int error = WriteAll(fd_, p.bytes.data(), p.bytes.size(), p.offset); error != 0) return error;
  }
  return ::fsync(fd_) == 0 ? 0 : errno;
}

}  // namespace pyxa
