// A scanned bilevel page (1 bit, 1 = black) and the multi-page CCITT TIFF writer that stores such
// pages the way document scanners (Group 4) and fax servers (Group 3) do: one page per directory.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace pyxa {

struct BilevelPage {
  int width = 0;
  int height = 0;
  int dpi = 0;   // across
  int yDpi = 0;  // down; 0: as across (a fax's fine mode is 204 x 196)
  int bytesPerLine = 0;  // rows packed most significant bit first
  QByteArray bits;       // height * bytesPerLine bytes; a set bit is black

  bool IsBlack(int x, int y) const {
    return (static_cast<unsigned char>(bits.at(y * bytesPerLine + x / 8)) >> (7 - x % 8)) & 1;
  }
};

struct TiffInfo {
  QString software;  // the scanning program, as scanners name themselves
  QDateTime scanned;
  bool group3 = false;  // one-dimensional Group 3, as fax servers store received pages; else Group 4
};

// Writes the pages to the open file descriptor fd (not closed; name is for libtiff's messages).
// Returns false with a reason in error.
bool WriteBilevelTiff(int fd, const QString& name, const std::vector<BilevelPage>& pages, const TiffInfo& info,
                      QString& error);

}  // namespace pyxa
