#include "components/ClinicalService.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

TEST(FieldText, ReadsByExactNameAndTreatsNullAndMissingAsEmpty) {
  const QStringList names{QStringLiteral("lID"), QStringLiteral("szLast")};
  ValuesTable values = ValueRows{{QVariant(7), QVariant()}, {QVariant(8), QVariant(QStringLiteral("Moreau"))}};
  EXPECT_EQ(FieldText(names, values, 1, QStringLiteral("szLast")), QStringLiteral("Moreau"));
  EXPECT_EQ(FieldText(names, values, 0, QStringLiteral("szLast")), QString());
  EXPECT_EQ(FieldText(names, values, 0, QStringLiteral("szlast")), QString());  // exact, case-sensitive
  EXPECT_EQ(FieldText(names, values, 2, QStringLiteral("lID")), QString());
  EXPECT_EQ(FieldText(names, std::nullopt, 0, QStringLiteral("lID")), QString());
  EXPECT_EQ(RowCount(values), 2);
  EXPECT_EQ(RowCount(std::nullopt), 0);
}

}  // namespace
}  // namespace pyxa
