#include <gtest/gtest.h>

#include "PatientTestSupport.h"
#include "patients/PatientSearch.h"
#include "patients/ResultsPlacement.h"

namespace pyxa {
namespace {

using testing::PatientRow;
using testing::SignedInSession;

SearchCriteria Dob(const QString& one, const QString& two, const QString& year) {
  SearchCriteria criteria;
  criteria.dob1 = one;
  criteria.dob2 = two;
  criteria.dob3 = year;
  return criteria;
}

TEST(PatientSearchRules, WhatCountsAsSearchInformation) {
  EXPECT_FALSE(HasSearchInformation({}));

  SearchCriteria hcn;
  hcn.hcn = QStringLiteral("ABCD");
  EXPECT_FALSE(HasSearchInformation(hcn)) << "a health-card number of letters is no search information";
  hcn.hcn = QStringLiteral("1234567890");
  EXPECT_TRUE(HasSearchInformation(hcn));

  SearchCriteria phone;
  phone.phone2 = QStringLiteral("1234");
  EXPECT_TRUE(HasSearchInformation(phone));
  phone.phone1 = QStringLiteral("x");
  EXPECT_FALSE(HasSearchInformation(phone)) << "the joined phone must be numeric";

  EXPECT_TRUE(HasSearchInformation(Dob(QStringLiteral("31"), QStringLiteral("12"), {})));
  EXPECT_TRUE(HasSearchInformation(Dob({}, {}, QStringLiteral("1970"))));

  for (QString SearchCriteria::*field :
       {&SearchCriteria::lastName, &SearchCriteria::firstName, &SearchCriteria::chart}) {
    SearchCriteria one;
    one.*field = QStringLiteral("a");
    EXPECT_TRUE(HasSearchInformation(one));
  }
}

TEST(PatientSearchRules, DateOfBirthTextIsAlwaysMonthDayYear) {
  EXPECT_EQ(DateOfBirthText(Dob(QStringLiteral("12"), QStringLiteral("31"), QStringLiteral("1970")), true),
            QStringLiteral("12/31/1970"));
  EXPECT_EQ(DateOfBirthText(Dob(QStringLiteral("31"), QStringLiteral("12"), QStringLiteral("1970")), false),
            QStringLiteral("12/31/1970"));
  EXPECT_EQ(DateOfBirthText(Dob(QStringLiteral("31"), QStringLiteral("12"), {}), false), QString());
  EXPECT_EQ(DateOfBirthText(Dob({}, QStringLiteral("12"), QStringLiteral("1970")), true), QString());
}

TEST(PatientSearchRules, SplitServiceDateReadsIsoAndMonthFirstForms) {
  for (const QString& text :
       {QStringLiteral("1970-12-31 00:00:00"), QStringLiteral("1970-12-31"), QStringLiteral("12/31/1970"),
        QStringLiteral("12/31/1970 00:00:00"), QStringLiteral("1970-12-31T08:15:00")}) {
    const auto parts = SplitServiceDate(text);
    ASSERT_TRUE(parts.has_value()) << text.toStdString();
    EXPECT_EQ(parts->day, QStringLiteral("31"));
    EXPECT_EQ(parts->month, QStringLiteral("12"));
    EXPECT_EQ(parts->year, QStringLiteral("1970"));
  }
  const auto single = SplitServiceDate(QStringLiteral("1/5/1970"));
  ASSERT_TRUE(single.has_value());
  EXPECT_EQ(single->day, QStringLiteral("5"));
  EXPECT_EQ(single->month, QStringLiteral("1"));

  EXPECT_FALSE(SplitServiceDate(QString()).has_value());
  EXPECT_FALSE(SplitServiceDate(QStringLiteral("  ")).has_value());
  EXPECT_FALSE(SplitServiceDate(QStringLiteral("not a date")).has_value());
  EXPECT_FALSE(SplitServiceDate(QStringLiteral("13/45/1970")).has_value());
}

TEST(PatientSearchRules, ResultCells) {
  EXPECT_EQ(DateOfBirthCell(QStringLiteral("1970-12-05 00:00:00"), false), QStringLiteral("05/12/1970"));
  EXPECT_EQ(DateOfBirthCell(QStringLiteral("1970-12-05 00:00:00"), true), QStringLiteral("12/05/1970"));
  EXPECT_EQ(DateOfBirthCell(QStringLiteral("3/15/1982"), false), QStringLiteral("15/03/1982"));
  EXPECT_EQ(DateOfBirthCell(QString(), false), QString());

  EXPECT_EQ(PhoneCell(QStringLiteral("416"), QStringLiteral("555"), QStringLiteral("1234")),
            QStringLiteral("(416) 555-1234"));
  EXPECT_EQ(PhoneCell({}, QStringLiteral("555"), QStringLiteral("1234")), QStringLiteral("555-1234"));
  EXPECT_EQ(PhoneCell(QStringLiteral("416"), {}, {}), QStringLiteral("(416) "));
  EXPECT_EQ(PhoneCell(QStringLiteral("416"), QStringLiteral("555"), {}), QStringLiteral("(416) "));
  EXPECT_EQ(PhoneCell({}, {}, {}), QString());
}

TEST(PatientSearchRules, TheResultsWindowGoesBesideThePageNeverOverIt) {
  const QRect screen(0, 0, 1920, 1080);
  const struct {
    QRect page;
    QRect placed;
  } cases[] = {
      {{440, 80, 700, 900}, {1140, 80, 640, 440}},   // more room right: all of it beside the page
      {{900, 80, 700, 900}, {260, 80, 640, 440}},    // more room left
      {{440, 900, 700, 600}, {1140, 640, 640, 440}},  // kept on the screen at the bottom
      {{200, 80, 1500, 900}, {1700, 80, 220, 440}},  // too little room either side: narrowed
      {{100, 80, 1750, 900}, {0, 80, 420, 440}},     // never below its narrowest: overlaps the least
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceBeside(c.page, QSize(640, 440), c.placed.width() < 420 ? 200 : 420, screen), c.placed)
        << c.page.x() << "," << c.page.width();
  }
}

TEST(PatientSearchRules, PatientFromRowReadsFieldsByNameInTheCountrysOrder) {
  PatientResults results;
  results.names = {QStringLiteral("szFirst"), QStringLiteral("lID"), QStringLiteral("szLast"), QStringLiteral("dDOB"),
                   QStringLiteral("szPhone1")};
  results.values =
      ValueRows{{QStringLiteral("Ann"), 7, QStringLiteral("Lee"), QStringLiteral("1970-12-05 00:00:00"), QVariant()},
                {QStringLiteral("Bo"), 8, QStringLiteral("Ng"), QString(), QStringLiteral("555")}};

  const ChosenPatient first = PatientFromRow(results, 0, false);
  EXPECT_EQ(first.patientId, QStringLiteral("7"));
  EXPECT_EQ(first.fields.lastName, QStringLiteral("Lee"));
  EXPECT_EQ(first.fields.firstName, QStringLiteral("Ann"));
  EXPECT_EQ(first.fields.dob1, QStringLiteral("5"));
  EXPECT_EQ(first.fields.dob2, QStringLiteral("12"));
  EXPECT_EQ(first.fields.dob3, QStringLiteral("1970"));
  EXPECT_TRUE(first.fields.phone1.isEmpty()) << "a null field reads as empty";
  EXPECT_TRUE(first.fields.hcn.isEmpty()) << "a missing field reads as empty";

  const ChosenPatient country2 = PatientFromRow(results, 0, true);
  EXPECT_EQ(country2.fields.dob1, QStringLiteral("12"));
  EXPECT_EQ(country2.fields.dob2, QStringLiteral("5"));

  const ChosenPatient second = PatientFromRow(results, 1, false);
  EXPECT_EQ(second.patientId, QStringLiteral("8"));
  EXPECT_EQ(second.fields.phone1, QStringLiteral("555"));
  EXPECT_TRUE((second.fields.dob1 + second.fields.dob2 + second.fields.dob3).isEmpty());
}

TEST(PatientSearchCall, SendsTheFieldsAndTheDateTextUntouched) {
  SignedInSession fixture;
  fixture.log.patients = ValueRows{PatientRow(1, QStringLiteral("O'Brien"), QStringLiteral("Zoë"), {})};

  SearchCriteria criteria;
  criteria.lastName = QStringLiteral("O'Brien");
  criteria.firstName = QStringLiteral("Zoë 100%");
  criteria.chart = QStringLiteral("C-7");
  criteria.hcn = QStringLiteral("99");
  criteria.areaCode = QStringLiteral("416");
  criteria.phone1 = QStringLiteral("555");
  criteria.phone2 = QStringLiteral("1234");
  criteria.dob1 = QStringLiteral("31");
  criteria.dob2 = QStringLiteral("12");
  criteria.dob3 = QStringLiteral("1970");
  const PatientResults results = FindPatient(fixture.session, criteria, false);

  ASSERT_EQ(fixture.log.calls.size(), 1);
  EXPECT_EQ(fixture.log.calls.first(), QStringLiteral("FindPatient(Zoë 100%,O'Brien,C-7,416,555,1234,99,12/31/1970)"));
  EXPECT_EQ(results.Count(), 1);
  EXPECT_EQ(results.Field(0, QStringLiteral("szLast")), QStringLiteral("O'Brien"));

  fixture.log.calls.clear();
  fixture.log.patients.reset();
  const PatientResults none = FindPatient(fixture.session, Dob(QStringLiteral("31"), QStringLiteral("12"), {}), false);
  EXPECT_EQ(fixture.log.calls, QStringList{QStringLiteral("FindPatient(,,,,,,,)")})
      << "day and month alone send no date of birth";
  EXPECT_EQ(none.Count(), 0);
  EXPECT_FALSE(none.values.has_value());
}

TEST(PatientSearchCall, RetriesOnceAfterAnExpiredSessionAndThrowsALostConnection) {
  SignedInSession fixture;
  fixture.log.patients = ValueRows{PatientRow(5, QStringLiteral("Lee"), QStringLiteral("Ann"), {})};
  fixture.log.failures = {QStringLiteral("Your session timed out, please log in")};
  SearchCriteria criteria;
  criteria.lastName = QStringLiteral("Lee");

  const PatientResults results = FindPatient(fixture.session, criteria, false);
  EXPECT_EQ(fixture.log.calls,
            (QStringList{QStringLiteral("FindPatient(,Lee,,,,,,)"), QStringLiteral("Connect(demo,demo,file:///c)"),
                         QStringLiteral("FindPatient(,Lee,,,,,,)")}));
  EXPECT_EQ(results.Count(), 1);

  fixture.log.calls.clear();
  fixture.log.failures = {QStringLiteral("Unable to connect to the remote server")};
  try {
    FindPatient(fixture.session, criteria, false);
    FAIL() << "a lost connection reaches the caller";
  } catch (const ServiceError& error) {
    EXPECT_TRUE(error.Description().contains(kUnableToConnect));
  }
  EXPECT_EQ(fixture.log.calls.size(), 1) << "no retry after a lost connection";
}

}  // namespace
}  // namespace pyxa
