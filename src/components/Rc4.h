// RC4 and Base64, the two utilities of the document database, and the credential cipher built on
// them: the upload account and password are handed to the store as Base64(RC4(UTF-8 text, key)).
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace pyxa {

// The fixed key under which the upload credentials are enciphered.
inline const QByteArray kCredentialKey = QByteArrayLiteral("ka5917opw362rtvs0482m");

// Standard RC4 (key schedule, then the keystream XORed over the text); deciphering is the same
// call. An empty key has no key schedule: the result is empty rather than the text in clear.
QByteArray Rc4(const QByteArray& text, const QByteArray& key);

// Standard Base64 with padding.
QString Base64Encode(const QByteArray& value);

// Base64(RC4(text as UTF-8, kCredentialKey)), and back. Deciphering answers nothing for text
// that is not Base64 or not UTF-8 after deciphering.
QString EncipherCredential(const QString& text);
std::optional<QString> DecipherCredential(const QString& enciphered);

}  // namespace pyxa
