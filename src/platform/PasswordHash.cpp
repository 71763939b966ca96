#include "platform/PasswordHash.h"

#include <QCryptographicHash>

namespace pyxa {
namespace {

constexpr int kShaBlock = 64;

// HMAC-SHA256 with the key's pads prepared once: PBKDF2 calls it for every iteration.
class HmacSha256 {
 public:
  explicit HmacSha256(QByteArray key) {
    if (key.size() > kShaBlock) key = QCryptographicHash::hash(key, QCryptographicHash::Sha256);
    key.resize(kShaBlock, '\0');
    inner_ = key;
    outer_ = key;
    for (int i = 0; i < kShaBlock; ++i) {
      inner_[i] = static_cast<char>(inner_[i] ^ 0x36);
      outer_[i] = static_cast<char>(outer_[i] ^ 0x5c);
    }
  }
  QByteArray Sign(const QByteArray& message) {
    hash_.reset();
    hash_.addData(inner_);
    hash_.addData(message);
    const QByteArray innerDigest = hash_.result();
    hash_.reset();
    hash_.addData(outer_);
    hash_.addData(innerDigest);
    return hash_.result();
  }

 private:
  QByteArray inner_;
  QByteArray outer_;
  QCryptographicHash hash_{QCryptographicHash::Sha256};
};

}  // namespace

QByteArray Pbkdf2Sha256(const QString& password, const QByteArray& salt, int iterations) {
  HmacSha256 hmac(password.toUtf8());
  QByteArray u = hmac.Sign(salt + QByteArray("\x00\x00\x00\x01", 4));  // block index 1, big-endian
  QByteArray result = u;
  for (int i = 1; i < iterations; ++i) {
    u = hmac.Sign(u);
    for (int b = 0; b < result.size(); ++b) result[b] = static_cast<char>(result[b] ^ u[b]);
  }
  return result;
}

bool SameDigest(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (int i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

}  // namespace pyxa
