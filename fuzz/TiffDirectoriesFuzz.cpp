// libFuzzer target for the TIFF directory reader: any bytes must give a result code and records
// that agree with it, never a crash, a hang or runaway memory. The bytes are handed over as an
// in-memory file, since the reader works on a descriptor.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "document/TiffDirectories.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = ::memfd_create("pyxa-fuzz-tiff", 0);
  if (fd < 0 || ::ftruncate(fd, 0) != 0) return 0;
  if (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
  std::vector<pyxa::TIFFPageRecord> pages;
  int count = 0;
  const int code = pyxa::ReadTIFFDirectories(fd, pages, count);
  if (size_t(count) != pages.size() || count > pyxa::kTiffMaxPages) std::abort();
  if (code == 0) {
    for (const pyxa::TIFFPageRecord& page : pages)
      for (size_t i = 0; i < page.stripOffsets.size() && i < page.stripByteCounts.size(); ++i)
        if (uint64_t(page.stripOffsets[i]) + page.stripByteCounts[i] > size) std::abort();
  }
  return 0;
}
