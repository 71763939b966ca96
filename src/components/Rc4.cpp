#include "components/Rc4.h"

#include <QStringDecoder>
#include <array>
#include <cstdint>
#include <utility>

namespace pyxa {

QByteArray Rc4(const QByteArray& text, const QByteArray& key) {
  if (key.isEmpty()) return {};
  std::array<std::uint8_t, 256> state{};
  for (int i = 0; i < 256; ++i) state[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  std::size_t j = 0;
  const auto keyLength = static_cast<std::size_t>(key.size());
  for (std::size_t i = 0; i < 256; ++i) {
    j = (j + state[i] + static_cast<std::uint8_t>(key[static_cast<qsizetype>(i % keyLength)])) & 0xff;
    std::swap(state[i], state[j]);
  }
  QByteArray out(text.size(), Qt::Uninitialized);
  std::size_t i = 0;
  j = 0;
  for (qsizetype n = 0; n < text.size(); ++n) {
    i = (i + 1) & 0xff;
    j = (j + state[i]) & 0xff;
    std::swap(state[i], state[j]);
    const std::uint8_t k = state[(state[i] + state[j]) & 0xff];
    out[n] = static_cast<char>(static_cast<std::uint8_t>(text[n]) ^ k);
  }
  return out;
}

QString Base64Encode(const QByteArray& value) { return QString::fromLatin1(value.toBase64()); }

QString EncipherCredential(const QString& text) { return Base64Encode(Rc4(text.toUtf8(), kCredentialKey)); }

std::optional<QString> DecipherCredential(const QString& enciphered) {
  const auto decoded = QByteArray::fromBase64Encoding(enciphered.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  const QByteArray plain = Rc4(*decoded, kCredentialKey);
  QStringDecoder toUtf16(QStringDecoder::Utf8);
  QString text = toUtf16(plain);
  if (toUtf16.hasError()) return std::nullopt;
  return text;
}

}  // namespace pyxa
