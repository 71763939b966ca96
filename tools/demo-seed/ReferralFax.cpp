// A referral letter from an outside family practice, received by fax: letterhead, date, address,
// "Re:" line, several paragraphs running onto a second page, signature.
#include "FaxHeader.h"
#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

constexpr qreal kLeft = 72;
constexpr qreal kWidth = Sheet::kWidth - 2 * kLeft;
const QString kPractice = QStringLiteral("Harbourview Family Practice");
const QString kFaxNumber = QStringLiteral("905 555 0148");

void Letterhead(Sheet& s) {
  s.SetFont(Face::Serif, 17, true);
  s.Text(Sheet::kWidth / 2, 58, kPractice, Qt::AlignHCenter);
  s.SetFont(Face::Serif, 9, false, true);
  s.Text(Sheet::kWidth / 2, 73, Utf8("Dr. Margaret Ellison, MD, CCFP  ·  Dr. Thomas Baptiste, MD, CCFP"),
         Qt::AlignHCenter);
  s.SetFont(Face::Serif, 8.5);
  s.Text(Sheet::kWidth / 2, 85,
         Utf8("2250 Lakeshore Road West, Unit 6, Oakville ON L6L 1H3  ·  Tel 905-555-0147  ·  Fax 905-555-0148"),
         Qt::AlignHCenter);
  s.Rule(kLeft, 93, kLeft + kWidth, 93, 1.2);
  s.Rule(kLeft, 96, kLeft + kWidth, 96, 0.4);
}

qreal Paragraphs(Sheet& s, qreal y, const QStringList& paragraphs) {
  s.SetFont(Face::Serif, 10.5);
  for (const QString& text : paragraphs) y = s.Paragraph(kLeft, y, kWidth, text) + 9;
  return y;
}

}  // namespace

std::vector<PageDrawing> ReferralFaxPages(const PaperCast& cast, const QDateTime& received) {
  const PaperPatient patient = cast.referralPatient;
  const PaperPhysician to = cast.cardiologist;
  const QDate written = received.date().addDays(-1);
  const QString name = PlainName(patient);
  const QString reLine =
      QStringLiteral("Re: %1    DOB: %2    HCN: %3").arg(name, BirthDate(patient), HealthCard(patient));

  const PageDrawing first = [=](Sheet& s) {
    FaxHeader(s, received, kPractice, kFaxNumber, 1, 2);
    Letterhead(s);
    s.SetFont(Face::Serif, 10.5);
    s.Text(kLeft, 126, LongDate(written));
    s.Text(kLeft, 152, DoctorName(to));
    s.Text(kLeft, 165, to.specialty);
    s.Text(kLeft, 178, QStringLiteral("By fax: 416-555-0123"));
    s.SetFont(Face::Serif, 10.5, true);
    s.Text(kLeft, 206, reLine);
    s.Text(kLeft, 220, QStringLiteral("Reason for referral: exertional chest discomfort and palpitations"));
    s.SetFont(Face::Serif, 10.5);
    s.Text(kLeft, 248, QStringLiteral("Dear Dr. %1,").arg(to.lastName));
    qreal y = Paragraphs(
        s, 258,
        {QStringLiteral("Thank you for seeing %1, aged %2, whom I have followed in this practice for many years. "
                        "For about two months there has been a pressure-like discomfort in the central chest that "
                        "comes on when climbing two flights of stairs or walking briskly in the cold, and settles "
                        "within five minutes of rest. There has been no discomfort at rest and no syncope.")
             .arg(name)
             .arg(AgeOn(patient, written)),
         QStringLiteral("Over the same period there have been episodes of a fast, irregular heartbeat lasting up to "
                        "an hour, about twice a week, sometimes with light-headedness. An office ECG on %1 showed "
                        "sinus rhythm at 78 per minute with nonspecific T-wave flattening in the lateral leads; a "
                        "copy is enclosed.")
             .arg(LongDate(written.addDays(-6))),
         QStringLiteral("Cardiovascular risk factors include hypertension for ten years, dyslipidemia, a 30 "
                        "pack-year smoking history (quit in 2015) and a father who had a myocardial infarction at "
                        "58. At the last visit the blood pressure was 148/88, the heart rate 84 and irregular, and "
                        "the BMI 29.4. Heart sounds were normal without murmurs; there was no peripheral edema and "
                        "the chest was clear."),
         QStringLiteral("Recent blood work: LDL cholesterol 3.9 mmol/L, HbA1c 5.9%, creatinine 88 µmol/L, "
                        "TSH 1.6 mU/L and hemoglobin 141 g/L.")});
    s.SetFont(Face::Serif, 10.5, true);
    s.Text(kLeft, y + 4, QStringLiteral("Current medications"));
    s.SetFont(Face::Serif, 10.5);
    const QStringList medications = {
        Utf8("•  Ramipril 10 mg by mouth once daily"), Utf8("•  Atorvastatin 20 mg by mouth at bedtime"),
        Utf8("•  ASA 81 mg by mouth once daily (started at the last visit)"),
        Utf8("•  Nitroglycerin spray 0.4 mg under the tongue as needed for chest pain (new)")};
    y += 20;
    for (const QString& line : medications) {
      s.Text(kLeft + 12, y, line);
      y += 15;
    }
  };

  const PageDrawing second = [=](Sheet& s) {
    FaxHeader(s, received, kPractice, kFaxNumber, 2, 2);
    s.SetFont(Face::Serif, 9, false, true);
    s.Text(kLeft, 60,
           QStringLiteral("%1  -  Re: %2 (DOB %3)  -  page 2").arg(DoctorName(to), name, BirthDate(patient)));
    s.Rule(kLeft, 66, kLeft + kWidth, 66, 0.4);
    s.SetFont(Face::Serif, 10.5, true);
    const qreal label = s.Text(kLeft, 100, QStringLiteral("Allergies:"));
    s.SetFont(Face::Serif, 10.5);
    s.Text(kLeft + label + 5, 100, QStringLiteral("penicillin (rash)"));
    const qreal y = Paragraphs(
        s, 116,
        {QStringLiteral("I would appreciate your assessment, including an exercise stress test and Holter "
                        "monitoring as you see fit, and your advice on anticoagulation should atrial fibrillation be "
                        "confirmed. I have advised going to the nearest emergency department for any chest pain at "
                        "rest or lasting more than 15 minutes."),
         QStringLiteral("Thank you for your help in the care of this patient. Please do not hesitate to call me "
                        "with any questions.")});
    s.Text(kLeft, y + 6, QStringLiteral("Sincerely,"));
    s.Signature(kLeft + 4, y + 58, 150, 36);
    s.Text(kLeft, y + 76, QStringLiteral("Margaret Ellison, MD, CCFP"));
    s.Text(kLeft, y + 90, kPractice);
    s.SetFont(Face::Serif, 9);
    s.Text(kLeft, y + 118, QStringLiteral("Encl.: ECG tracing, laboratory results"));
    s.Text(kLeft, y + 131, QStringLiteral("cc: chart"));
    s.SetFont(Face::Sans, 7, false, true);
    s.Paragraph(kLeft, Sheet::kHeight - 70, kWidth,
                QStringLiteral("This facsimile contains confidential personal health information. If you have "
                               "received it in error, please notify the sender at 905-555-0147 and destroy all "
                               "copies."));
  };
  return {first, second};
}

}  // namespace pyxa
