// Builds a ScannedPage from a scanner's raw lines: 1-bit lineart (1 = black), 8- and 16-bit grey, 8- and
// 16-bit colour, with the page's length known in advance or not (hand scanners).
#pragma once

#include <QByteArray>
#include <optional>
#include <string_view>

#include "scan/ScanWire.h"
#include "scan/ScannedPage.h"

namespace pyxa {

struct PageFormat {
  scanwire::Frame frame = scanwire::Frame::Gray;
  int depth = 8;
  int width = 0;         // pixels per line
  int lines = 0;         // -1 when the scanner does not know before the end
  int bytesPerLine = 0;  // as the scanner sends them, padding included
  double xDpi = 0;
  double yDpi = 0;
};

class ScanPageAssembler {
 public:
  // A page above this many bytes is refused rather than exhausting memory.
  static constexpr qsizetype kMaxPageBytes = qsizetype(1) << 30;

  // false when the description is inconsistent (a line too short for its pixels, sizes out of range).
  bool Begin(const PageFormat& format);
  // false when a page of unknown length outgrows kMaxPageBytes; bytes beyond a known length are dropped.
  bool Append(std::string_view data);
  // Fraction of the page received; -1 when its length is unknown.
  double Fraction() const;
  // The page from the whole lines received; nullopt when not one whole line arrived.
  std::optional<ScannedPage> Finish();

 private:
  PageFormat format_;
  QByteArray data_;
  qsizetype expected_ = -1;
};

}  // namespace pyxa
