#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "components/DemoClinic.h"
#include "platform/Clock.h"
#include "platform/Sql.h"
#include "reading/PageIdentifiers.h"

namespace pyxa {
namespace {

// Kind and value of each identifier found, as "kind=value" in the order found.
QStringList Found(const QString& text, const QString& country = QStringLiteral("CA")) {
  static const char* kNames[] = {"card", "chart", "dob", "name", "date"};
  QStringList found;
  for (const PageIdentifier& identifier : FindIdentifiers(text, RulesFor(country))) {
    QString entry = QString::fromLatin1(kNames[static_cast<int>(identifier.kind)]) + QLatin1Char('=') + identifier.value;
    if (identifier.kind == IdentifierKind::HealthCard) {
      entry += QLatin1Char('/') + identifier.region + (identifier.checked ? QString() : QStringLiteral("?"));
    }
    if (identifier.kind == IdentifierKind::PatientName) entry += QLatin1Char('/') + identifier.lastName;
    // Where it stands must be where the value is printed: that is what the page highlights.
    EXPECT_TRUE(text.mid(identifier.start, identifier.length).contains(identifier.value.left(3), Qt::CaseInsensitive) ||
                identifier.kind == IdentifierKind::HealthCard || identifier.date.isValid())
        << entry.toStdString();
    found << entry;
  }
  return found;
}

// The headers the demo's paper prints, and the misreadings a scan gives them.
TEST(PageIdentifiers, LabelledValuesOfEachKindAreFoundAndNormalised) {
  const struct {
    const char* what;
    QString text;
    QStringList expected;
  } cases[] = {
      {"consult note", QStringLiteral("Patient: NGUYEN, MINH          Date of visit: December 4, 2026\n"
                                      "DOB: 1957-03-14 (69 y)\nHCN: 4532 019 876"),
       {QStringLiteral("name=NGUYEN, MINH/NGUYEN"), QStringLiteral("date=2026-12-04"), QStringLiteral("dob=1957-03-14"),
        QStringLiteral("card=4532019876/ON")}},
      {"discharge summary", QStringLiteral("MRN: SB0048213   DOB: 14/03/1957\nPatient:  Siobhan O'Brien"),
       {QStringLiteral("chart=SB0048213"), QStringLiteral("dob=1957-03-14"),
        QStringLiteral("name=Siobhan O'Brien/O'Brien")}},
      {"referral fax", QStringLiteral("Re: Jürgen Müller    DOB: 1962-07-29    HCN: 3141 592 654"),
       {QStringLiteral("name=Jürgen Müller/Müller"), QStringLiteral("dob=1962-07-29"),
        QStringLiteral("card=3141592654/ON?")}},
      {"lab report", QStringLiteral("Health card: 1414 213 569\nCollected: 2026-12-01 08:42\nDate of birth: 5 mars 1940"),
       {QStringLiteral("card=1414213569/ON"), QStringLiteral("date=2026-12-01"), QStringLiteral("dob=1940-03-05")}},
      {"british columbia and quebec cards", QStringLiteral("PHN: 9698 658 215\nNAM: OBRS 5703 1412"),
       {QStringLiteral("card=9698658215/BC"), QStringLiteral("card=OBRS57031412/QC")}},
      {"a heading over its column, values below",
       QStringLiteral("ORDERED BY     PATIENT  SPECIMEN\nDr. Ada Okafor   O'BRIEN, SIOBHAN  Accession: L-2231\n"),
       {QStringLiteral("name=O'BRIEN, SIOBHAN/O'BRIEN")}},
      {"a heading over its column, values below",
       QStringLiteral("PATIENT  ORDERING PHYSICIAN  SPECIMEN\nO'BRIEN, SIOBHAN  Dr. Ada Okafor  Accession: L-2231\n"
                      "DOB: 1957-03-14  Internal Medicine  Collected: 2026-12-01 08:42"),
       {QStringLiteral("name=O'BRIEN, SIOBHAN/O'BRIEN"), QStringLiteral("dob=1957-03-14"),
        QStringLiteral("date=2026-12-01")}},
      {"a hospital's address label: the name alone in capitals above the birth date",
       QStringLiteral("HOSPITAL COURSE\nBOUCHARD, GENEVIEVE\nMRN:  SB0048213  DOB:  1962-09-13"),
       {QStringLiteral("chart=SB0048213"), QStringLiteral("dob=1962-09-13"),
        QStringLiteral("name=BOUCHARD, GENEVIEVE/BOUCHARD")}},
      {"a letter's running header", QStringLiteral("Dr. Samir Haddad - Re: Jürgen Müller (DOB 1962-07-29) - page 2"),
       {QStringLiteral("name=Jürgen Müller/Müller"), QStringLiteral("dob=1962-07-29")}},
      {"a form read as a column of labels, then a heading and a column of values",
       QStringLiteral("Patient:\nAdmission date:\nDischarge date:\nLength of stay:\nDISCHARGE SUMMARY\n"
                      "Genevieve Bouchard\nNovember 26, 2026\nDecember 1, 2026\n5 days\nMOST RESPONSIBLE DIAGNOSIS"),
       {QStringLiteral("name=Genevieve Bouchard/Bouchard"), QStringLiteral("date=2026-11-26"),
        QStringLiteral("date=2026-12-01")}},
      {"a column of labels without as many values after it",
       QStringLiteral("Patient:\nDate of birth:\nGenevieve Bouchard\nDischarged to:  Home"), {}},
      {"short labels need their colon", QStringLiteral("The id of the patient is 12\nRe the results, born in the spring"),
       {}},
      {"impossible dates and numbers in names are dropped",
       QStringLiteral("DOB: 1957-02-30\nPatient: 4532 019 876\nChart: 7"), {QStringLiteral("card=4532019876/ON")}},
  };
  for (const auto& c : cases) EXPECT_EQ(Found(c.text), c.expected) << c.what;
}

// A number without its label counts only when a region's check holds: a misread digit breaks the
// check, and a stray run of digits (a phone or an order number) is not a card.
TEST(PageIdentifiers, UnlabelledCardsMustPassTheirCheck) {
  EXPECT_EQ(Found(QStringLiteral("Requisition 4532 019 876 received")),
            QStringList{QStringLiteral("card=4532019876/ON")});
  EXPECT_TRUE(Found(QStringLiteral("Requisition 4532 019 875 received")).isEmpty());
  EXPECT_TRUE(Found(QStringLiteral("Tel 905-555-0147 ext 1234567890")).isEmpty());
  // The label keeps a card whose check fails, marked unchecked, for the search fields only.
  EXPECT_EQ(Found(QStringLiteral("HCN: 4532 019 875")), QStringList{QStringLiteral("card=4532019875/ON?")});
}

// The demo clinic's cards are numbered as the province numbers them, so that the card read on a page
// passes its check and finds its patient.
TEST(PageIdentifiers, TheDemoClinicsCardsPassTheirRegionsCheck) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("clinic.sqlite"));
  ManualClock clock(QDateTime(QDate(2026, 11, 30), QTime(9, 0)));
  QString error;
  ASSERT_TRUE(CreateDemoClinic(path, clock, error, {64})) << error.toStdString();
  SqlConnection clinic(path, SqlConnection::Mode::ReadOnly);
  auto row = clinic.Prepare(QStringLiteral("SELECT hcn FROM patients WHERE hcn IS NOT NULL"));
  int cards = 0;
  while (row.Step()) {
    ++cards;
    const QString number = row.Text(QStringLiteral("hcn"));
    const QStringList found = Found(QStringLiteral("HCN: ") + number);
    ASSERT_EQ(found.size(), 1) << number.toStdString();
    EXPECT_FALSE(found.first().endsWith(QLatin1Char('?'))) << number.toStdString();
  }
  EXPECT_GT(cards, 250);
}

TEST(PageIdentifiers, NumericDatesFollowTheCountrysOrder) {
  const struct {
    QString text;
    bool dayFirst;
    QDate expected;
  } cases[] = {
      {QStringLiteral("05/01/2026"), true, QDate(2026, 1, 5)},
      {QStringLiteral("05/01/2026"), false, QDate(2026, 5, 1)},
      {QStringLiteral("13/01/2026"), false, QDate()},
      {QStringLiteral("2026-1-5"), false, QDate(2026, 1, 5)},
      {QStringLiteral("Mar. 14, 1957"), true, QDate(1957, 3, 14)},
      {QStringLiteral("14-Mar-1957"), true, QDate(1957, 3, 14)},
      {QStringLiteral("1er janvier 2026"), true, QDate(2026, 1, 1)},
      {QStringLiteral("Monday"), true, QDate()},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadPrintedDate(c.text, c.dayFirst), c.expected) << c.text.toStdString();
  EXPECT_EQ(Found(QStringLiteral("DOB: 03/14/1957"), QStringLiteral("US")), QStringList{QStringLiteral("dob=1957-03-14")});
}

}  // namespace
}  // namespace pyxa
