// The bar codes found on a page, their symbology names, and the text form in which a page's bar
// codes travel inside a TIFF file.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

#include "document/KeyedCollection.h"

namespace pyxa {

// Symbology codes 0..9 and their names; any other code is named "Unknown".
QString BarCodeTypeName(std::int32_t code);
// The code for a name of the table (exact match); -1 for any other name, "Unknown" included.
std::int32_t BarCodeTypeFromName(const QString& name);

class cBarCode {
 public:
  QString Value;
  double TopPosition = 0;  // where the recogniser found the code on the page
  double LeftPosition = 0;
  std::int32_t BarCodeType = -1;

  QString BarCodeTypeName() const { return pyxa::BarCodeTypeName(BarCodeType); }
};

class cBarCodes {
 public:
  // Appends a new bar code (stored under key when non-empty) and sets Enabled. nullptr, adding
  // nothing and leaving Enabled as it was, when the key is already in use.
  std::shared_ptr<cBarCode> Add(std::int32_t type, double leftPosition, double topPosition, const QString& value,
                                const QString& key = QString());

  std::shared_ptr<cBarCode> Item(int index) const { return codes_.Item(index); }
  std::shared_ptr<cBarCode> Item(const QString& key) const { return codes_.Item(key); }
  int Count() const { return codes_.Count(); }
  bool Remove(int index) { return codes_.Remove(index); }
  bool Remove(const QString& key) { return codes_.Remove(key); }
  auto begin() const { return codes_.begin(); }
  auto end() const { return codes_.end(); }

  // True when bar-code reading was active for the page, even if it found nothing. Setting it
  // false discards the bar codes.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

 private:
  KeyedCollection<cBarCode> codes_;
  bool enabled_ = false;
};

// The text form: each bar code as value, left, top and type name joined by ",", the bar codes
// joined by the character of code 255.
//
// In the file the text is Latin-1 bytes, one byte per character, so the separator is the byte
// 0xFF; in a QString it is U+00FF. The symbologies of the table carry Latin-1 at most, so this is
// lossless for them, except that a value's own U+00FF (and any character beyond Latin-1) cannot
// be carried and is written as "?": the text stays readable and the other bar codes intact.
// A value may hold ",": the reader takes the last three fields as left, top and type name.
inline constexpr char16_t kBarCodeSeparator = 0x00FF;

QString BarCodesToText(const cBarCodes& codes);
QByteArray BarCodesToBytes(const cBarCodes& codes);  // the text as Latin-1 bytes

// Adds the bar codes of the text, with empty keys. A part with fewer than four fields, or whose
// positions are not finite numbers, adds nothing; the other parts are still read.
void ReadBarCodesText(const QString& text, cBarCodes& codes);
void ReadBarCodesBytes(const QByteArray& bytes, cBarCodes& codes);

}  // namespace pyxa
