// A specialist's consult note as an electronic record exports it to PDF for e-mail: a coloured
// letterhead band, crisp text, an electronic signature instead of ink.
#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

constexpr qreal kLeft = 56;
constexpr qreal kRight = Sheet::kWidth - 56;
const QColor kInk(28, 58, 110);

void Band(Sheet& s, int page) {
  s.Fill(QRectF(0, 0, Sheet::kWidth, 64), kInk);
  s.SetColor(Qt::white);
  s.SetFont(Face::Sans, 16, true);
  s.Text(kLeft, 32, QStringLiteral("Lakeshore Endocrine Associates"));
  s.SetFont(Face::Sans, 8.5);
  s.Text(kLeft, 48, QStringLiteral("Dr. Rohan Mehta, MD, FRCPC  -  Endocrinology and Metabolism"));
  s.Text(kRight, 32, QStringLiteral("1580 Queen St E, Suite 210, Toronto ON"), Qt::AlignRight);
  s.Text(kRight, 48, QStringLiteral("Tel 416-555-0233  -  Fax 416-555-0234"), Qt::AlignRight);
  s.SetColor(QColor(90, 90, 90));
  s.SetFont(Face::Sans, 7.5);
  s.Text(
      kLeft, Sheet::kHeight - 30,
      QStringLiteral("Confidential personal health information. Sent by secure e-mail to the named recipient only."));
  s.Text(kRight, Sheet::kHeight - 30, QStringLiteral("Page %1 of 2").arg(page), Qt::AlignRight);
  s.SetColor(Qt::black);
}

qreal Heading(Sheet& s, qreal y, const QString& text) {
  s.SetColor(kInk);
  s.SetFont(Face::Sans, 10, true);
  s.Text(kLeft, y, text);
  s.SetColor(Qt::black);
  return y + 6;
}

qreal Body(Sheet& s, qreal y, const QString& text) {
  s.SetFont(Face::Sans, 9.5);
  return s.Paragraph(kLeft, y, kRight - kLeft, text) + 12;
}

}  // namespace

std::vector<PageDrawing> ConsultNotePages(const PaperCast& cast, const QDate& today) {
  const PaperPatient p = cast.consultPatient;
  const PaperPhysician to = cast.familyPhysician;
  const QDate seen = today.addDays(-4);

  const PageDrawing first = [=](Sheet& s) {
    Band(s, 1);
    s.SetFont(Face::Sans, 14, true);
    s.Text(kLeft, 98, QStringLiteral("CONSULTATION NOTE"));
    s.SetFont(Face::Sans, 9.5);
    const QStringList left = {QStringLiteral("Patient: %1").arg(ListName(p)),
                              QStringLiteral("DOB: %1 (%2 y)").arg(BirthDate(p)).arg(AgeOn(p, seen)),
                              QStringLiteral("HCN: %1").arg(HealthCard(p))};
    const QStringList right = {QStringLiteral("Date of visit: %1").arg(LongDate(seen)),
                               QStringLiteral("Referred by: %1").arg(DoctorName(to)),
                               QStringLiteral("cc: %1").arg(DoctorName(cast.secondFamilyPhysician))};
    for (int i = 0; i < 3; ++i) {
      s.Text(kLeft, 120 + i * 14, left[i]);
      s.Text(kLeft + 270, 120 + i * 14, right[i]);
    }
    s.Rule(kLeft, 160, kRight, 160, 0.5);
    qreal y = Heading(s, 180, QStringLiteral("Reason for referral"));
    y = Body(s, y,
             QStringLiteral("Type 2 diabetes with rising HbA1c (8.6%) despite metformin and gliclazide; advice on "
                            "intensification requested."));
    y = Heading(s, y + 4, QStringLiteral("History"));
    y = Body(s, y,
             QStringLiteral("Diabetes diagnosed in 2017. Home glucose readings 8 to 12 mmol/L fasting. No severe "
                            "hypoglycemia. Mild tingling of both feet at night for a year. No chest pain, no "
                            "claudication. Last eye examination two years ago. Works as a restaurant manager; "
                            "irregular meals; walks 20 minutes most days. Non-smoker, alcohol rarely. Mother with "
                            "type 2 diabetes and a stroke at 70."));
    y = Heading(s, y + 4, QStringLiteral("Medications"));
    y = Body(s, y,
             QStringLiteral("Metformin 1000 mg twice daily; gliclazide MR 60 mg once daily; rosuvastatin 10 mg "
                            "daily; perindopril 4 mg daily. Allergies: none known."));
    y = Heading(s, y + 4, QStringLiteral("Examination"));
    y = Body(s, y,
             QStringLiteral("Weight 84.2 kg, BMI 30.9, waist 104 cm. Blood pressure 138/84, pulse 76 regular. No "
                            "acanthosis. Monofilament sensation reduced at both great toes; pedal pulses "
                            "present. No foot ulceration. Thyroid not enlarged."));
    y = Heading(s, y + 4, QStringLiteral("Investigations"));
    Body(s, y,
         QStringLiteral("HbA1c 8.6% (6 months ago 7.9%); fasting glucose 9.8 mmol/L; creatinine 74 µmol/L, eGFR "
                        "98; urine albumin-to-creatinine ratio 4.1 mg/mmol (raised); LDL cholesterol 2.2 mmol/L; "
                        "ALT 41 U/L."));
  };

  const PageDrawing second = [=](Sheet& s) {
    Band(s, 2);
    s.SetFont(Face::Sans, 8.5, false, true);
    s.Text(
        kLeft, 90,
        QStringLiteral("%1, DOB %2  -  consultation of %3 (continued)").arg(ListName(p), BirthDate(p), LongDate(seen)));
    qreal y = Heading(s, 116, QStringLiteral("Assessment"));
    y = Body(s, y,
             QStringLiteral("Type 2 diabetes above target, with early diabetic kidney disease (microalbuminuria) "
                            "and probable peripheral neuropathy. Cardiovascular risk is high. Both a kidney and a "
                            "cardiovascular benefit favour adding an SGLT2 inhibitor; weight favours a GLP-1 "
                            "receptor agonist as the next step."));
    y = Heading(s, y + 4, QStringLiteral("Plan"));
    y = Body(s, y,
             QStringLiteral("1. Start empagliflozin 10 mg once daily. Sick-day rules explained: hold during "
                            "vomiting, diarrhea or poor intake.\n"
                            "2. Reduce gliclazide MR to 30 mg daily to lower the risk of hypoglycemia.\n"
                            "3. Continue metformin, perindopril and rosuvastatin.\n"
                            "4. Referral to the diabetes education centre; foot care teaching given today.\n"
                            "5. Please arrange a retinal examination.\n"
                            "6. Repeat HbA1c, creatinine, potassium and urine ACR in 3 months.\n"
                            "7. If HbA1c remains above 7% at follow-up, add semaglutide weekly."));
    y = Heading(s, y + 4, QStringLiteral("Follow-up"));
    y = Body(s, y,
             QStringLiteral("I will see the patient again in 4 months with the repeat tests. Thank you for this "
                            "referral; please call with any questions."));
    s.SetFont(Face::Sans, 9.5);
    s.Text(kLeft, y + 16, QStringLiteral("Dr. Rohan Mehta, MD, FRCPC"));
    s.Text(kLeft, y + 30, QStringLiteral("Endocrinology and Metabolism"));
    s.SetColor(kInk);
    s.SetFont(Face::Sans, 8.5, false, true);
    s.Text(kLeft, y + 50,
           QStringLiteral("Electronically signed on %1 at 17:05. No handwritten signature required.")
               .arg(LongDate(seen.addDays(1))));
    s.SetColor(Qt::black);
  };
  return {first, second};
}

}  // namespace pyxa
