// Bar codes: the symbology table both ways, Enabled, and the text form a page's bar codes take in
// a TIFF file (round trip, short parts, values with "," or the separator, the byte form).
#include <gtest/gtest.h>

#include "document/BarCodes.h"

namespace pyxa {
namespace {

const QChar kSep(kBarCodeSeparator);

TEST(BarCodesTest, SymbologyTableBothWays) {
  const std::vector<std::pair<int, const char*>> table = {
      {0, "Codabar"},       {1, "Code 128"}, {2, "Code 39"}, {3, "Code 93"}, {4, "EAN"}, {5, "Interleaved 2 of 5"},
      {6, "Linear 2 of 5"}, {7, "POSTNET"},  {8, "UPC A"},   {9, "UPC E"}};
  for (const auto& [code, name] : table) {
    EXPECT_EQ(BarCodeTypeName(code), QLatin1String(name));
    EXPECT_EQ(BarCodeTypeFromName(QLatin1String(name)), code) << name;
  }
  for (int code : {-1, 10, 255}) EXPECT_EQ(BarCodeTypeName(code), QStringLiteral("Unknown")) << code;
  for (const char* name : {"Unknown", "ean", "", "EAN "})
    EXPECT_EQ(BarCodeTypeFromName(QLatin1String(name)), -1) << name;
}

TEST(BarCodesTest, AddEnablesAndDisablingDiscards) {
  cBarCodes codes;
  EXPECT_FALSE(codes.Enabled());
  auto first = codes.Add(4, 1.5, 2.5, QStringLiteral("123"), QStringLiteral("k"));
  ASSERT_TRUE(first);
  EXPECT_TRUE(codes.Enabled());
  EXPECT_EQ(first->BarCodeTypeName(), QStringLiteral("EAN"));
  EXPECT_EQ(codes.Item(QStringLiteral("k")), first);
  EXPECT_FALSE(codes.Add(1, 0, 0, QStringLiteral("dup"), QStringLiteral("k")));
  EXPECT_EQ(codes.Count(), 1);

  codes.SetEnabled(false);
  EXPECT_EQ(codes.Count(), 0);
  EXPECT_FALSE(codes.Item(QStringLiteral("k")));
  codes.SetEnabled(true);  // reading ran and found nothing
  EXPECT_TRUE(codes.Enabled());
  EXPECT_EQ(codes.Count(), 0);
}

// Each bar code read from text as "value|left|top|type".
QStringList Read(const cBarCodes& codes) {
  QStringList out;
  for (const auto& c : codes)
    out << QStringLiteral("%1|%2|%3|%4").arg(c->Value).arg(c->LeftPosition).arg(c->TopPosition).arg(c->BarCodeType);
  return out;
}
QStringList Read(const QString& text) {
  cBarCodes codes;
  ReadBarCodesText(text, codes);
  return Read(codes);
}

TEST(BarCodesTest, ReadingTextParts) {
  const struct {
    QString text;
    QStringList codes;
  } cases[] = {
      {QString(), {}},
      {QStringLiteral("4006381333931,12.5,300,EAN"), {"4006381333931|12.5|300|4"}},
      {QStringLiteral("A1,10,20") + kSep + QStringLiteral("B2,1,2,Code 39"), {"B2|1|2|2"}},
      {QStringLiteral("X,1,2,Unknown") + kSep + kSep, {"X|1|2|-1"}},
      {QStringLiteral("a,b,c,1,2,UPC A"), {"a,b,c|1|2|8"}},
      {QStringLiteral("V,left,2,EAN") + kSep + QStringLiteral("W,1,nan,EAN") + kSep + QStringLiteral("Z,-1e3,0.25,EAN"),
       {"Z|-1000|0.25|4"}},
      {QStringLiteral(",0,0,POSTNET"), {"|0|0|7"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.text), c.codes) << c.text.toStdString();
}

TEST(BarCodesTest, RoundTripKeepsEveryCodeAndMendsWhatCannotBeCarried) {
  cBarCodes codes;
  codes.Add(4, 12.5, 300, QStringLiteral("4006381333931"));
  codes.Add(1, 0.1, 1e-7, QStringLiteral("a,b"));
  codes.Add(1, 3, 4, QStringLiteral("x") + kSep + QStringLiteral("y\u00e9\u20ac"));
  codes.Add(42, -2, 7, QStringLiteral("odd"));
  const QString text = BarCodesToText(codes);
  EXPECT_EQ(text.section(kSep, 0, 0), QStringLiteral("4006381333931,12.5,300,EAN"));
  const QStringList expected = {"4006381333931|12.5|300|4", "a,b|0.1|1e-07|1", QStringLiteral("x?y\u00e9?|3|4|1"),
                                "odd|-2|7|-1"};
  EXPECT_EQ(Read(text), expected);

  // The file form: one byte per character, the separator 0xFF, a TIFF text's closing NUL ignored.
  const QByteArray bytes = BarCodesToBytes(codes);
  EXPECT_EQ(bytes.count('\xFF'), 3);
  EXPECT_EQ(bytes.size(), text.size());
  cBarCodes fromBytes;
  ReadBarCodesBytes(bytes + QByteArray(1, '\0'), fromBytes);
  EXPECT_EQ(Read(fromBytes), expected);
}

}  // namespace
}  // namespace pyxa
