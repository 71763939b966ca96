#include <gtest/gtest.h>

#include "components/Rc4.h"
#include "components/SqliteDatabase.h"

namespace pyxa {
namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

TEST(Rc4, MatchesPublishedVectorsAndDeciphersWithTheSameCall) {
  struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Vector vectors[] = {
      {"Key", "Plaintext", "BBF316E8D940AF0AD3"},
      {"Wiki", "pedia", "1021BF0420"},
      {"Secret", "Attack at dawn", "45A01F645FC35B383552544B9BF5"},
  };
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.key);
    EXPECT_EQ(Rc4(QByteArray(v.plain), QByteArray(v.key)), Hex(v.cipher));
    EXPECT_EQ(Rc4(Hex(v.cipher), QByteArray(v.key)), QByteArray(v.plain));
  }
  // A key longer than the text and bytes above 0x7f pass through unchanged in length.
  const QByteArray binary = QByteArray::fromHex("00ff807f");
  EXPECT_EQ(Rc4(Rc4(binary, kCredentialKey), kCredentialKey), binary);
  EXPECT_EQ(Rc4(QByteArray(), kCredentialKey), QByteArray());
  // No key, no cipher: never hand back the text in clear.
  EXPECT_TRUE(Rc4(QByteArray("secret"), QByteArray()).isEmpty());
}

TEST(Rc4, Base64AndTheComponentMembers) {
  EXPECT_EQ(Base64Encode(QByteArray()), QString());
  EXPECT_EQ(Base64Encode(QByteArray("f")), QStringLiteral("Zg=="));
  EXPECT_EQ(Base64Encode(QByteArray("foobar")), QStringLiteral("Zm9vYmFy"));
  EXPECT_EQ(Base64Encode(Hex("fbff")), QStringLiteral("+/8="));

  SqliteDatabase db;
  EXPECT_EQ(db.Base64Encoding(db.RC4(QByteArray("Plaintext"), QByteArray("Key"))),
            Base64Encode(Hex("BBF316E8D940AF0AD3")));
  EXPECT_EQ(kCredentialKey.size(), 21);
}

TEST(Rc4, CredentialsRoundTripAndRejectDamagedText) {
  for (const QString& text : {QStringLiteral("jmoreau"), QStringLiteral("pässwörd €"), QString()}) {
    const QString enciphered = EncipherCredential(text);
    EXPECT_EQ(enciphered, Base64Encode(Rc4(text.toUtf8(), kCredentialKey)));
    const auto back = DecipherCredential(enciphered);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, text);
  }
  EXPECT_NE(EncipherCredential(QStringLiteral("jmoreau")), QStringLiteral("jmoreau"));
  EXPECT_FALSE(DecipherCredential(QStringLiteral("not base64!")).has_value());
  EXPECT_FALSE(DecipherCredential(QStringLiteral("ü")).has_value());
}

}  // namespace
}  // namespace pyxa
