#include "ContractFixture.h"

namespace pyxa::clinictest {
namespace {

class QueryTest : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    clinic_ = Login();
  }

  // FindPatient with named criteria; returns the "szLast, szFirst" of each row.
  struct Criteria {
    QString first{}, last{}, chart{}, area{}, phone1{}, phone2{}, hcn{}, dob{};
  };
  QStringList Find(const Criteria& c) {
    QString dob = c.dob;
    clinic_->FindPatient(c.first, c.last, c.chart, c.area, c.phone1, c.phone2, c.hcn, dob, names_, values_);
    QStringList found;
    for (int row = 0; row < RowCount(values_); ++row) {
      found << Field(row, QStringLiteral("szLast")) + QStringLiteral(", ") + Field(row, QStringLiteral("szFirst"));
    }
    return found;
  }
  QString Field(int row, const QString& name) const { return FieldText(names_, values_, row, name); }

  std::unique_ptr<ClinicalService> clinic_;
  QStringList names_;
  ValuesTable values_;
};

TEST_P(QueryTest, ReferenceListsCarryTheirFieldNames) {
  QStringList labNames, physicianNames, labTypeNames;
  ValuesTable labs, physicians, labTypes, categories;
  clinic_->GetCategories(labNames, labs, physicianNames, physicians, labTypeNames, labTypes, categories);
  EXPECT_EQ(labNames, (QStringList{QStringLiteral("LID"), QStringLiteral("szLaboratory")}));
  EXPECT_GE(RowCount(labs), 3);
  EXPECT_EQ(physicianNames, (QStringList{QStringLiteral("lid"), QStringLiteral("physName")}));
  ASSERT_EQ(RowCount(physicians), 6);
  EXPECT_EQ(FieldText(physicianNames, physicians, 0, QStringLiteral("physName")), QStringLiteral("Okafor, Adaeze"));
  EXPECT_EQ(labTypeNames, (QStringList{QStringLiteral("lid"), QStringLiteral("szName")}));
  EXPECT_GE(RowCount(labTypes), 3);
  const QStringList expected = {QStringLiteral("Lab Report"), QStringLiteral("DI Report"), QStringLiteral("ER Report"),
                                QStringLiteral("Correspondence"), QStringLiteral("Clinical Notes")};
  ASSERT_EQ(RowCount(categories), 5);
  for (int row = 0; row < 5; ++row) {
    // A category's identifier is its position in the table.
    EXPECT_EQ(FieldText(kCategoryFields, categories, row, QStringLiteral("ID")), QString::number(row));
    EXPECT_EQ(FieldText(kCategoryFields, categories, row, QStringLiteral("Name")), expected.at(row));
  }

  clinic_->GetUsersCountry(kDemoUserId, names_, values_);
  EXPECT_EQ(values_->at(0).at(0).toString(), QStringLiteral("1"));
  clinic_->GetUsersCountry(kDemoQuebecUserId, names_, values_);
  EXPECT_EQ(values_->at(0).at(0).toString(), QStringLiteral("2"));

  const QStringList typeFields = {QStringLiteral("lid"), QStringLiteral("szName")};
  clinic_->GetDITypes(kDemoOfficeId, names_, values_);
  EXPECT_EQ(names_, typeFields);
  EXPECT_GE(RowCount(values_), 5);
  clinic_->GetDITypes(999, names_, values_);
  EXPECT_FALSE(values_.has_value());
  clinic_->GetCorrespondenceTypes(kDemoFirstPhysicianId, names_, values_);
  EXPECT_EQ(names_, typeFields);
  EXPECT_GE(RowCount(values_), 3);
  clinic_->GetCorrespondenceTypes(kDemoPhysicianWithoutCorrespondence, names_, values_);
  EXPECT_FALSE(values_.has_value());
  clinic_->GetVisitTypes(kDemoFirstPhysicianId + 2, names_, values_);
  EXPECT_EQ(names_, typeFields);
  EXPECT_GE(RowCount(values_), 4);
}

TEST_P(QueryTest, NamesMatchByPrefixWhateverTheCaseAndSortByLastThenFirst) {
  const QStringList nguyens = Find({.last = QStringLiteral("nguy")});
  ASSERT_GE(nguyens.size(), 12);
  QStringList sorted = nguyens;
  std::sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return a.toCaseFolded() < b.toCaseFolded(); });
  EXPECT_EQ(nguyens, sorted);
  const QStringList minhs = Find({.first = QStringLiteral("MINH"), .last = QStringLiteral("NGUYEN")});
  EXPECT_GE(minhs.size(), 2);
  EXPECT_EQ(minhs.count(QStringLiteral("Nguyen, Minh")), minhs.size());
  EXPECT_EQ(names_,
            (QStringList{QStringLiteral("lID"), QStringLiteral("szLast"), QStringLiteral("szFirst"),
                         QStringLiteral("dDOB"), QStringLiteral("sValue"), QStringLiteral("szChartNum"),
                         QStringLiteral("szPhoneArea"), QStringLiteral("szPhone1"), QStringLiteral("szPhone2")}));
}

TEST_P(QueryTest, NamesMatchByPrefixWhateverTheirAccentsCaseAndApostrophes) {
  struct Case {
    const char* first;
    const char* last;
    const char* found;  // nullptr: no row
  };
  const Case cases[] = {
      {"sio", "o'bri", "O'Brien, Siobhan"},
      {"siobhan", "OBrien", "O'Brien, Siobhan"},
      {"Siobhan", "O\u2019Brien", "O'Brien, Siobhan"},  // the typographic apostrophe
      {"Siobhan", "OB", "O'Brien, Siobhan"},
      {"Emilie", "Gagne", "Gagné, Émilie"},
      {"EMI", "GAGNÉ", "Gagné, Émilie"},
      {"E\u0301mi", "Gagne\u0301", "Gagné, Émilie"},  // base letters and combining accents
      {"", "cote", "Côté"},
      {"", "levesque", "Lévesque"},
      {"", "Sorensen", "Sørensen"},
      {"", "wisniewski", "Wiśniewski"},
      {"JURGEN", "muller", "Müller, Jürgen"},
      {"", "damico", "D'Amico"},
      {"", "Nguyễn", "Nguyen"},  // an accent typed where the record has none
      {"", "st-pi", "St-Pierre"},
      {"", "st pierre", nullptr},  // hyphens and spaces stay what they are
      {"", "agne", nullptr},       // a prefix, not anywhere in the name
      {"", "'", nullptr},          // nothing left to look for
  };
  for (const Case& c : cases) {
    const QStringList found = Find({.first = QString::fromUtf8(c.first), .last = QString::fromUtf8(c.last)});
    const std::string label = std::string(c.first) + " " + c.last;
    if (!c.found) {
      EXPECT_TRUE(found.isEmpty()) << label;
      continue;
    }
    const QString expected = QString::fromUtf8(c.found);
    EXPECT_FALSE(found.isEmpty()) << label;
    for (const QString& row : found) EXPECT_TRUE(row.startsWith(expected)) << label << ": " << row.toStdString();
  }
}

TEST(ClinicNameKey, FoldsCaseAccentsApostrophesAndPlainLetterVariants) {
  const std::pair<const char*, const char*> cases[] = {
      {"  Gagné ", "gagne"}, {"E\u0301MILIE", "emilie"}, {"O\u2019Brien", "obrien"}, {"D'Amico", "damico"},
      {"WEIß", "weiss"},     {"\u0130lker", "ilker"},    {"SØRENSEN", "sorensen"},   {"Łukasz", "lukasz"},
      {"Æsa", "aesa"},       {"St-Pierre", "st-pierre"}, {"De Luca", "de luca"},     {"김민준", "김민준"},
  };
  for (const auto& [name, key] : cases)
    EXPECT_EQ(ClinicNameKey(QString::fromUtf8(name)), QString::fromUtf8(key)) << name;
}

TEST_P(QueryTest, NamesMatchInClinicFilesWrittenWithOlderKeys) {
  {
    SqlConnection connection(path_);
    SqlTransaction transaction(connection);
    connection.Prepare(QStringLiteral("UPDATE patients SET last_key = lower(last_name), first_key = lower(first_name)"))
        .Run();
    transaction.Commit();
  }
  EXPECT_EQ(Find({.first = QStringLiteral("emilie"), .last = QStringLiteral("gagne")}),
            QStringList{QStringLiteral("Gagné, Émilie")});
  EXPECT_EQ(Find({.first = QStringLiteral("Siobhan"), .last = QStringLiteral("OBrien")}),
            QStringList{QStringLiteral("O'Brien, Siobhan")});
}

TEST_P(QueryTest, TypedNamesAreTakenLiterally) {
  // Wildcards and quotes find nothing rather than everything (or an SQL error).
  for (const QString& odd : {QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("O%"), QStringLiteral("N_uyen"),
                             QStringLiteral("\\"), QStringLiteral("' OR '1'='1")}) {
    EXPECT_TRUE(Find({.last = odd}).isEmpty()) << odd.toStdString();
    EXPECT_FALSE(values_.has_value());
  }
}

TEST_P(QueryTest, EachCriterionIsReadFromItsOwnArgument) {
  ASSERT_EQ(Find({.first = QStringLiteral("Siobhan"), .last = QStringLiteral("O'Brien")}).size(), 1);
  const QString chart = Field(0, QStringLiteral("szChartNum"));
  EXPECT_EQ(Field(0, QStringLiteral("lID")), QString::number(kDemoFirstPatientId));
  EXPECT_EQ(Field(0, QStringLiteral("dDOB")), QStringLiteral("1957-03-14 00:00:00"));
  EXPECT_EQ(Field(0, QStringLiteral("sValue")), QStringLiteral("4532019876"));

  EXPECT_EQ(Find({.chart = chart}), QStringList{QStringLiteral("O'Brien, Siobhan")});
  EXPECT_TRUE(Find({.hcn = chart}).isEmpty());
  EXPECT_EQ(Find({.hcn = QStringLiteral("4532019876")}).size(), 1);
  EXPECT_EQ(Find({.area = QStringLiteral("416"), .phone1 = QStringLiteral("555"), .phone2 = QStringLiteral("0143")}),
            QStringList{QStringLiteral("O'Brien, Siobhan")});
  EXPECT_TRUE(Find({.area = QStringLiteral("555"), .phone1 = QStringLiteral("416"), .phone2 = QStringLiteral("0143")})
                  .isEmpty());
  EXPECT_TRUE(Find({.phone2 = QStringLiteral("0199")}).contains(QStringLiteral("Gagné, Émilie")));
  EXPECT_EQ(Field(0, QStringLiteral("szPhoneArea")), QString());  // she has no area code

  // The date of birth comes month first, with or without leading zeros.
  EXPECT_EQ(Find({.dob = QStringLiteral("3/14/1957")}).size(), 1);
  EXPECT_EQ(Find({.dob = QStringLiteral("03/14/1957")}).size(), 1);
  EXPECT_EQ(Find({.last = QStringLiteral("Nguyen"), .dob = QStringLiteral("1/15/1990")}),
            QStringList{QStringLiteral("Nguyen, Minh")});
  EXPECT_TRUE(Find({.last = QStringLiteral("O'Brien"), .dob = QStringLiteral("14/3/1957")}).isEmpty());
  EXPECT_TRUE(Find({.last = QStringLiteral("O'Brien"), .dob = QStringLiteral("2/30/1957")}).isEmpty());
  EXPECT_EQ(Find({.last = QStringLiteral("O'Brien"), .dob = QStringLiteral("  ")}).size(),
            Find({.last = QStringLiteral("O'Brien")}).size());  // an empty date is no criterion
  // Nothing to look for: no rows, not the whole register.
  EXPECT_TRUE(Find({.last = QStringLiteral("  ")}).isEmpty());
  EXPECT_FALSE(values_.has_value());
}

TEST_P(QueryTest, NameLookupsPutTheNameWhereReadersExpectIt) {
  clinic_->GetPatientNameByID(kDemoFirstPatientId, names_, values_);
  ASSERT_EQ(RowCount(values_), 1);
  const auto& patient = values_->at(0);
  ASSERT_GE(patient.size(), 7);
  EXPECT_EQ(patient.at(1).toString(), QStringLiteral("O'Brien"));
  EXPECT_EQ(patient.at(2).toString(), QStringLiteral("Siobhan"));
  EXPECT_FALSE(patient.at(3).toString().isEmpty());  // chart
  EXPECT_EQ(patient.at(4).toString(), QStringLiteral("416"));
  EXPECT_EQ(patient.at(5).toString(), QStringLiteral("555"));
  EXPECT_EQ(patient.at(6).toString(), QStringLiteral("0143"));

  clinic_->GetUserNameByID(kDemoClerkUserId, names_, values_);
  ASSERT_EQ(RowCount(values_), 1);
  EXPECT_EQ(values_->at(0).at(3).toString(), QStringLiteral("Lavoie"));
  EXPECT_EQ(values_->at(0).at(2).toString(), QStringLiteral("Chris"));

  clinic_->GetPhysicianInfo(kDemoFirstPhysicianId, names_, values_);
  ASSERT_EQ(RowCount(values_), 1);
  EXPECT_EQ(values_->at(0).at(3).toString(), QStringLiteral("Okafor"));
  EXPECT_EQ(values_->at(0).at(4).toString(), QStringLiteral("Adaeze"));

  clinic_->GetPatientNameByID(5, names_, values_);
  EXPECT_FALSE(values_.has_value());
  clinic_->GetUserNameByID(5, names_, values_);
  EXPECT_FALSE(values_.has_value());
  clinic_->GetPhysicianInfo(5, names_, values_);
  EXPECT_FALSE(values_.has_value());
}

PYXA_ON_BOTH_CLINICS(QueryTest);

}  // namespace
}  // namespace pyxa::clinictest
