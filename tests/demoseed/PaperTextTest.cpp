// How the paper prints ages and health cards: a wrong age or a garbled number would send the
// clerk to the wrong patient.
#include <gtest/gtest.h>

#include "PaperText.h"

namespace pyxa {
namespace {

TEST(PaperText, AgesTurnOnTheBirthdayAndUnknownsSayUnknown) {
  PaperPatient p;
  p.birthDate = QDate(1957, 3, 14);
  EXPECT_EQ(AgeOn(p, QDate(2026, 3, 13)), 68);
  EXPECT_EQ(AgeOn(p, QDate(2026, 3, 14)), 69);
  EXPECT_EQ(AgeOn(p, QDate(2026, 2, 28)), 68);
  p.birthDate = QDate(2000, 2, 29);
  EXPECT_EQ(AgeOn(p, QDate(2026, 2, 28)), 25);
  EXPECT_EQ(AgeOn(p, QDate(2026, 3, 1)), 26);
  p.birthDate = QDate();
  EXPECT_EQ(AgeOn(p, QDate(2026, 3, 1)), 0);
  EXPECT_EQ(BirthDate(p), QStringLiteral("unknown"));
}

TEST(PaperText, HealthCardsAreGroupedOnlyWhenTheyHaveTenDigits) {
  PaperPatient p;
  p.healthCard = QStringLiteral("4532019876");
  EXPECT_EQ(HealthCard(p), QStringLiteral("4532 019 876"));
  p.healthCard = QStringLiteral("12345");
  EXPECT_EQ(HealthCard(p), QStringLiteral("12345"));
  p.healthCard.clear();
  EXPECT_EQ(HealthCard(p), QStringLiteral("not provided"));
}

TEST(PaperText, NamesAndDatesAreEnglishWhateverTheMachinesLanguage) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::French, QLocale::Canada));
  PaperPatient p;
  p.lastName = QStringLiteral("Gagné");
  p.firstName = QStringLiteral("Émilie");
  EXPECT_EQ(ListName(p), QStringLiteral("GAGNÉ, ÉMILIE"));
  EXPECT_EQ(PlainName(p), QStringLiteral("Émilie Gagné"));
  EXPECT_EQ(LongDate(QDate(2026, 11, 30)), QStringLiteral("November 30, 2026"));
  EXPECT_EQ(ShortDate(QDate(2026, 11, 3)), QStringLiteral("03-Nov-2026"));
  QLocale::setDefault(saved);
}

}  // namespace
}  // namespace pyxa
