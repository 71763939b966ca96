// Reads the linear bar codes of a page image with ZXing and reports them in this program's symbology
// codes (those of document/BarCodes.h).
#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>

namespace pyxa {

struct FoundBarCode {
  int type = -1;  // a symbology code of document/BarCodes.h
  int left = 0;   // the code's leftmost and topmost corner on the page, in pixels
  int top = 0;
  QString value;  // trimmed

  bool operator==(const FoundBarCode&) const = default;
};

// Whether the installed reader can read a symbology code; Linear 2 of 5 and POSTNET it cannot.
bool BarCodeTypeReadable(int code);

// The codes of the symbologies set in types (bits as BarCodeTypeBit), in any of the four orientations.
// A code that cannot be decoded is not reported; nothing here fails. note (when given) says when none of
// the chosen symbologies can be read.
QList<FoundBarCode> ReadBarCodes(const QImage& page, std::uint32_t types, QString* note = nullptr);

}  // namespace pyxa
