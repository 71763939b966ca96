// Salted, iterated password digests (PBKDF2-HMAC-SHA256) for the stores that check a password
// without keeping it, and a comparison that takes the same time whatever the bytes.
#pragma once

#include <QByteArray>
#include <QString>

namespace pyxa {

// One 32-byte block of PBKDF2-HMAC-SHA256 over the UTF-8 password. iterations below 1 count as 1.
QByteArray Pbkdf2Sha256(const QString& password, const QByteArray& salt, int iterations);

// Compares two digests in constant time for equal sizes.
bool SameDigest(const QByteArray& a, const QByteArray& b);

}  // namespace pyxa
