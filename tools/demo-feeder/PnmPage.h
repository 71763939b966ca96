// Reads one binary PNM page (P4 bitmap, P5 greymap, P6 pixmap) for the demo feeder and gives it in the
// form a scan was asked for. Plain C++: it runs inside a SANE backend, so it never throws into SANE
// and never trusts a file's header beyond the bytes the file really has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pyxa::demofeeder {

enum class ScanMode { Lineart, Gray, Color };

struct PnmPage {
  int width = 0;
  int height = 0;
  bool color = false;                // samples are R, G, B; otherwise one grey sample per pixel
  std::vector<std::uint8_t> samples;  // 8 bits a sample, 0 black, 255 white, row after row
};

// Larger files than this are refused rather than read: a letter page at 600 dpi in colour is ~100 MB.
constexpr std::size_t kMaxFileBytes = std::size_t{512} << 20;
constexpr long kMaxSide = 65000;
constexpr long kMaxPixels = 200'000'000;  // a letter page at 1200 dpi is 135 million

// Parses the file's bytes; false (and why) when they are not a whole binary PNM image.
bool ParsePnm(const std::vector<std::uint8_t>& bytes, PnmPage& page, std::string& why);
// Reads and parses a file; false (and why) when it cannot be read or is not a whole PNM image.
bool ReadPnmFile(const std::string& path, PnmPage& page, std::string& why);

// The page's rows as SANE sends them in the mode: lineart 1 bit a pixel with 1 for black, grey 8 bits,
// colour 8-bit R, G, B; bytesPerLine receives the row length.
std::vector<std::uint8_t> Render(const PnmPage& page, ScanMode mode, int& bytesPerLine);

}  // namespace pyxa::demofeeder
