#include "PnmPage.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace pyxa::demofeeder {
namespace {

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

class Header {
 public:
  Header(const std::vector<std::uint8_t>& bytes, std::size_t start) : bytes_(bytes), at_(start) {}

  // The next decimal number after white space and comments; false when there is none or it is huge.
  bool Number(long& out) {
    SkipSpaceAndComments();
    if (at_ >= bytes_.size() || bytes_[at_] < '0' || bytes_[at_] > '9') return false;
    long value = 0;
    while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
      value = value * 10 + (bytes_[at_] - '0');
      if (value > 1000000000L) return false;
      ++at_;
    }
    out = value;
    return true;
  }
  // The header ends with exactly one white-space byte; the raster follows it.
  bool EndOfHeader() {
    if (at_ >= bytes_.size() || !IsSpace(bytes_[at_])) return false;
    ++at_;
    return true;
  }
  std::size_t At() const { return at_; }

 private:
  void SkipSpaceAndComments() {
    while (at_ < bytes_.size()) {
      if (IsSpace(bytes_[at_])) {
        ++at_;
      } else if (bytes_[at_] == '#') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') ++at_;
      } else {
        return;
      }
    }
  }

  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_;
};

std::uint8_t Luma(const std::uint8_t* rgb) {
  return static_cast<std::uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

}  // namespace

bool ParsePnm(const std::vector<std::uint8_t>& bytes, PnmPage& page, std::string& why) {
  if (bytes.size() < 3 || bytes[0] != 'P' || (bytes[1] != '4' && bytes[1] != '5' && bytes[1] != '6') ||
      (!IsSpace(bytes[2]) && bytes[2] != '#')) {
    why = "not a binary PNM file (P4, P5 or P6)";
    return false;
  }
  const char kind = static_cast<char>(bytes[1]);
  Header header(bytes, 2);
  long width = 0, height = 0, maxval = 1;
  if (!header.Number(width) || !header.Number(height) || (kind != '4' && !header.Number(maxval)) ||
      !header.EndOfHeader()) {
    why = "its header is incomplete";
    return false;
  }
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels || maxval < 1 ||
      maxval > 65535) {
    why = "its size or sample range is out of bounds";
    return false;
  }
  const auto w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
  const std::size_t channels = kind == '6' ? 3 : 1;
  const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
  const std::size_t rowBytes = kind == '4' ? (w + 7) / 8 : w * channels * sampleBytes;
  const std::size_t raster = rowBytes * h;  // at most 65000 * 6 * 65000: no overflow in 64 bits
  const std::size_t begin = header.At();
  if (raster > kMaxFileBytes || bytes.size() - begin < raster) {
    why = "its pixels are cut short";
    return false;
  }
  page.width = static_cast<int>(width);
  page.height = static_cast<int>(height);
  page.color = channels == 3;
  page.samples.assign(w * h * channels, 0);
  const std::uint8_t* in = bytes.data() + begin;
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* row = in + y * rowBytes;
    std::uint8_t* out = page.samples.data() + y * w * channels;
    if (kind == '4') {
      for (std::size_t x = 0; x < w; ++x) out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;  // 1 is black
      continue;
    }
    for (std::size_t i = 0; i < w * channels; ++i) {
      const unsigned top = static_cast<unsigned>(maxval);
      const unsigned v = sampleBytes == 2 ? (unsigned{row[2 * i]} << 8) | row[2 * i + 1] : row[i];
      out[i] = static_cast<std::uint8_t>((std::min(v, top) * 255 + top / 2) / top);  // samples above maxval: white
    }
  }
  return true;
}

bool ReadPnmFile(const std::string& path, PnmPage& page, std::string& why) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    why = "it cannot be opened";
    return false;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[65536];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    if (got > 0) {
      if (bytes.size() + got > kMaxFileBytes) {
        why = "it is too large";
        return false;
      }
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (got < sizeof chunk) break;
  }
  if (std::ferror(file.get())) {
    why = "it cannot be read";
    return false;
  }
  return ParsePnm(bytes, page, why);
}

std::vector<std::uint8_t> Render(const PnmPage& page, ScanMode mode, int& bytesPerLine) {
  const auto w = static_cast<std::size_t>(page.width), h = static_cast<std::size_t>(page.height);
  const std::size_t channels = page.color ? 3 : 1;
  const std::size_t outLine = mode == ScanMode::Lineart ? (w + 7) / 8 : mode == ScanMode::Gray ? w : 3 * w;
  bytesPerLine = static_cast<int>(outLine);
  std::vector<std::uint8_t> out(outLine * h, 0);
  for (std::size_t y = 0; y < h; ++y) {
    const std::uint8_t* in = page.samples.data() + y * w * channels;
    std::uint8_t* row = out.data() + y * outLine;
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint8_t* px = in + x * channels;
      const std::uint8_t grey = page.color ? Luma(px) : px[0];
      switch (mode) {
        case ScanMode::Lineart:
          if (grey < 128) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));  // 1 is black
          break;
        case ScanMode::Gray:
          row[x] = grey;
          break;
        case ScanMode::Color:
          for (std::size_t c = 0; c < 3; ++c) row[3 * x + c] = page.color ? px[c] : grey;
          break;
      }
    }
  }
  return out;
}

}  // namespace pyxa::demofeeder
