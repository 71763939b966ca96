#include "reading/IdentifierRules.h"

namespace pyxa {
namespace {

// Labels common to English and French paper, longest first so that "date of birth" wins over "date".
QVector<LabelWords> CommonLabels() {
  return {
      {IdentifierKind::DateOfBirth,
       {QStringLiteral("date of birth"), QStringLiteral("date de naissance"), QStringLiteral("birth date"),
        QStringLiteral("d.o.b."), QStringLiteral("dob"), QStringLiteral("ddn"), QStringLiteral("born"),
        QStringLiteral("né(e) le"), QStringLiteral("née le"), QStringLiteral("né le")}},
      {IdentifierKind::HealthCard,
       {QStringLiteral("health card number"), QStringLiteral("health card"), QStringLiteral("health number"),
        QStringLiteral("carte santé"), QStringLiteral("hcn"), QStringLiteral("phn"), QStringLiteral("nam"),
        QStringLiteral("ohip")}},
      {IdentifierKind::Chart,
       {QStringLiteral("chart number"), QStringLiteral("chart #"), QStringLiteral("chart no"), QStringLiteral("chart"),
        QStringLiteral("mrn"), QStringLiteral("dossier"), QStringLiteral("id")}},
      {IdentifierKind::PatientName,
       {QStringLiteral("patient name"), QStringLiteral("patient"), QStringLiteral("name"), QStringLiteral("nom"),
        QStringLiteral("re")}},
      {IdentifierKind::ReportDate,
       {QStringLiteral("date of visit"), QStringLiteral("date of service"), QStringLiteral("collected"),
        QStringLiteral("collection date"), QStringLiteral("reported"), QStringLiteral("date du rapport"),
        QStringLiteral("admitted"), QStringLiteral("admission date"), QStringLiteral("discharged"),
        QStringLiteral("discharge date"), QStringLiteral("exam date"), QStringLiteral("date")}},
  };
}

}  // namespace

const CountryRules& RulesFor(const QString& country) {
  static const CountryRules canada{
      QStringLiteral("CA"),
      {{QStringLiteral("BC"), 0, 10, QStringLiteral("9"), HealthCardFormat::Check::BritishColumbia},
       {QStringLiteral("ON"), 0, 10, QString(), HealthCardFormat::Check::Luhn},
       {QStringLiteral("QC"), 4, 8, QString(), HealthCardFormat::Check::None}},
      true,
      CommonLabels()};
  static const CountryRules unitedStates{QStringLiteral("US"), {}, false, CommonLabels()};
  return country.compare(QStringLiteral("US"), Qt::CaseInsensitive) == 0 ? unitedStates : canada;
}

bool PassesCheck(const HealthCardFormat& format, const QString& number) {
  const QString digits = number.mid(format.letters);
  if (digits.size() != format.digits) return false;
  for (const QChar c : digits) {
    if (!c.isDigit()) return false;
  }
  if (!format.firstDigits.isEmpty() && !format.firstDigits.contains(digits.at(0))) return false;
  switch (format.check) {
    case HealthCardFormat::Check::None:
      return true;
    case HealthCardFormat::Check::Luhn: {
      // The last digit is the Luhn digit of the others: every second digit from the right doubled.
      int sum = 0;
      for (int i = 0; i < digits.size(); ++i) {
        int d = digits.at(digits.size() - 1 - i).digitValue();
        if (i % 2 == 1) {
          d *= 2;
          if (d > 9) d -= 9;
        }
        sum += d;
      }
      return sum % 10 == 0;
    }
    case HealthCardFormat::Check::BritishColumbia: {
      // Digits 2 to 9 weighted 2, 4, 8, 5, 10, 9, 7, 3 (modulo 11); the tenth is 11 less the remainder.
      static constexpr int kWeights[] = {2, 4, 8, 5, 10, 9, 7, 3};
      int sum = 0;
      for (int i = 0; i < 8; ++i) sum += (digits.at(i + 1).digitValue() * kWeights[i]) % 11;
      const int check = 11 - sum % 11;
      return check < 10 && check == digits.at(9).digitValue();
    }
  }
  return false;
}

}  // namespace pyxa
