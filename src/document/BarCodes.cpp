#include "document/BarCodes.h"

#include <QLocale>
#include <QStringList>
#include <array>
#include <cmath>

namespace pyxa {

namespace {

constexpr std::array<const char*, 10> kTypeNames = {
    "Codabar",       "Code 128", "Code 39", "Code 93", "EAN", "Interleaved 2 of 5",
    "Linear 2 of 5", "POSTNET",  "UPC A",   "UPC E"};

QString Number(double value) { return QString::number(value, 'g', QLocale::FloatingPointShortest); }

// What the file can carry of a value: Latin-1 without the separator.
QString Carried(const QString& value) {
  QString out = value;
  for (QChar& c : out) {
    if (c.unicode() >= kBarCodeSeparator) c = QLatin1Char('?');
  }
  return out;
}

bool ReadNumber(const QString& field, double& value) {
  bool ok = false;
  value = field.toDouble(&ok);
  return ok && std::isfinite(value);
}

}  // namespace

QString BarCodeTypeName(std::int32_t code) {
  if (code < 0 || code >= static_cast<std::int32_t>(kTypeNames.size())) return QStringLiteral("Unknown");
  return QString::fromLatin1(kTypeNames[static_cast<std::size_t>(code)]);
}

std::int32_t BarCodeTypeFromName(const QString& name) {
  for (std::size_t code = 0; code < kTypeNames.size(); ++code) {
    if (name == QLatin1String(kTypeNames[code])) return static_cast<std::int32_t>(code);
  }
  return -1;
}

std::shared_ptr<cBarCode> cBarCodes::Add(std::int32_t type, double leftPosition, double topPosition,
                                         const QString& value, const QString& key) {
  auto code = std::make_shared<cBarCode>();
  code->BarCodeType = type;
  code->LeftPosition = leftPosition;
  code->TopPosition = topPosition;
  code->Value = value;
  auto added = codes_.Insert(std::move(code), key, 0);
  if (added) enabled_ = true;
  return added;
}

void cBarCodes::SetEnabled(bool value) {
  enabled_ = value;
  if (!value) codes_.Clear();
}

QString BarCodesToText(const cBarCodes& codes) {
  QStringList parts;
  for (const auto& code : codes) {
    parts << QStringList{Carried(code->Value), Number(code->LeftPosition), Number(code->TopPosition),
                         code->BarCodeTypeName()}
                 .join(QLatin1Char(','));
  }
  return parts.join(QChar(kBarCodeSeparator));
}

QByteArray BarCodesToBytes(const cBarCodes& codes) { return BarCodesToText(codes).toLatin1(); }

void ReadBarCodesText(const QString& text, cBarCodes& codes) {
  for (const QString& part : text.split(QChar(kBarCodeSeparator))) {
    QStringList fields = part.split(QLatin1Char(','));
    if (fields.size() < 4) continue;
    // Positions and type names never hold ",", so any extra field belongs to the value.
    const QString typeName = fields.takeLast();
    const QString top = fields.takeLast();
    const QString left = fields.takeLast();
    double leftPosition = 0;
    double topPosition = 0;
    if (!ReadNumber(left, leftPosition) || !ReadNumber(top, topPosition)) continue;
    codes.Add(BarCodeTypeFromName(typeName), leftPosition, topPosition, fields.join(QLatin1Char(',')));
  }
}

void ReadBarCodesBytes(const QByteArray& bytes, cBarCodes& codes) {
  QByteArray text = bytes;
  // A TIFF text value ends in a NUL; it is no part of the last bar code.
  while (text.endsWith('\0')) text.chop(1);
  ReadBarCodesText(QString::fromLatin1(text), codes);
}

}  // namespace pyxa
