// A TIFF file opened through libtiff for adding pages after its end, holding every change in memory
// until Commit writes it in a crash-safe order: the new pages and directories after the old end
// first, synced, and only then the few bytes that link the old last directory to them. Until that
// link lands, readers see the old pages; after it, all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct tiff;
struct TIFFOpenOptions;

namespace pyxa {

// Whether the disk refused a write, and the system error it gave.
struct TiffIoState {
  bool failed = false;
  int error = 0;
};

class TiffAppendFile {
 public:
  // fd: the file, open for reading and writing; the caller keeps it and closes it.
  explicit TiffAppendFile(int fd);
  TiffAppendFile(const TiffAppendFile&) = delete;
  TiffAppendFile& operator=(const TiffAppendFile&) = delete;

  // libtiff's handle in append mode over this file; null when the file is not a TIFF.
  tiff* Open(const char* name, TIFFOpenOptions* options);
  // Writes the held changes; 0, or the system error (the file then still holds its old pages).
  int Commit();
  TiffIoState& Io() { return io_; }

 private:
  struct Patch {
    std::uint64_t offset;
    std::string bytes;
  };
  static std::int64_t Read(void* h, void* data, std::int64_t size);
  static std::int64_t Write(void* h, void* data, std::int64_t size);
  static std::uint64_t Seek(void* h, std::uint64_t offset, int whence);
  static int Close(void*);
  static std::uint64_t Size(void* h);
  static int Map(void*, void**, std::uint64_t*);
  static void Unmap(void*, void*, std::uint64_t);

  int fd_;
  std::uint64_t base_ = 0;  // the file's size when opened: everything past it is new
  std::uint64_t pos_ = 0;
  std::string tail_;
  std::vector<Patch> patches_;
  TiffIoState io_;
};

}  // namespace pyxa
