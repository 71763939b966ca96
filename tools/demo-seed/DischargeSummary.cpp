// A hospital discharge summary as health records print it: letterhead, the patient's addressograph
// label, admission and discharge dates, diagnoses, hospital course, medications, follow-up.
#include <QPainter>
#include <QPainterPath>

#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

constexpr qreal kLeft = 54;
constexpr qreal kRight = Sheet::kWidth - 54;
constexpr int kPages = 3;

struct Stay {
  PaperPatient patient;
  PaperPhysician familyPhysician;
  QDate admitted;
  QDate discharged;
};

void Letterhead(Sheet& s, const Stay& stay) {
  QPainter& painter = s.Painter();
  // The hospital's emblem: a cross on a shield.
  QPainterPath shield;
  shield.moveTo(kLeft, 40);
  shield.lineTo(kLeft + 34, 40);
  shield.lineTo(kLeft + 34, 62);
  shield.quadTo(kLeft + 34, 80, kLeft + 17, 88);
  shield.quadTo(kLeft, 80, kLeft, 62);
  shield.closeSubpath();
  painter.setPen(QPen(Qt::black, 1.4));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(shield);
  painter.fillRect(QRectF(kLeft + 14, 46, 6, 34), Qt::black);
  painter.fillRect(QRectF(kLeft + 5, 56, 24, 6), Qt::black);
  s.SetFont(Face::Serif, 16, true);
  s.Text(kLeft + 44, 58, QStringLiteral("ST. BRIGID'S HOSPITAL"));
  s.SetFont(Face::Serif, 8.5);
  s.Text(kLeft + 44, 71, QStringLiteral("Department of Medicine  -  Health Records"));
  s.Text(kLeft + 44, 82, QStringLiteral("77 Mercy Crescent, Hamilton ON L8N 4A6"));
  s.Text(kLeft + 44, 93, QStringLiteral("Tel 905-555-0300  -  Fax 905-555-0301"));

  // The addressograph label stuck on every page, a little off square as labels are.
  painter.save();
  painter.translate(kRight - 190, 34);
  painter.rotate(-0.8);
  s.Frame(QRectF(0, 0, 190, 66), 0.8);
  s.SetFont(Face::Mono, 7.5, true);
  s.Text(6, 12, ListName(stay.patient).left(30));
  s.SetFont(Face::Mono, 7.5);
  s.Text(6, 24, QStringLiteral("MRN: SB0048213   DOB: %1").arg(BirthDate(stay.patient)));
  s.Text(6, 36, QStringLiteral("HCN: %1").arg(HealthCard(stay.patient)));
  s.Text(6, 48, QStringLiteral("ADM: %1  ATT: REYES, F").arg(ShortDate(stay.admitted).toUpper()));
  s.Text(6, 60, QStringLiteral("UNIT: 5 WEST   ENC: 2611-77120"));
  painter.restore();
  s.Rule(kLeft, 108, kRight, 108, 1.4);
}

void Footer(Sheet& s, int page) {
  s.Rule(kLeft, Sheet::kHeight - 48, kRight, Sheet::kHeight - 48, 0.5);
  s.SetFont(Face::Serif, 7.5);
  s.Text(kLeft, Sheet::kHeight - 37, QStringLiteral("St. Brigid's Hospital  -  Discharge Summary  -  CONFIDENTIAL"));
  s.Text(kRight, Sheet::kHeight - 37, QStringLiteral("Page %1 of %2").arg(page).arg(kPages), Qt::AlignRight);
}

qreal Heading(Sheet& s, qreal y, const QString& text) {
  s.SetFont(Face::Sans, 9.5, true);
  s.Text(kLeft, y, text.toUpper());
  s.Rule(kLeft, y + 3, kLeft + 200, y + 3, 0.5);
  return y + 8;
}

qreal Body(Sheet& s, qreal y, const QString& text) {
  s.SetFont(Face::Serif, 10);
  return s.Paragraph(kLeft, y, kRight - kLeft, text) + 10;
}

qreal Field(Sheet& s, qreal y, const QString& label, const QString& value) {
  s.SetFont(Face::Sans, 9, true);
  s.Text(kLeft, y, label);
  s.SetFont(Face::Serif, 10);
  s.Text(kLeft + 150, y, value);
  return y + 15;
}

void FirstPage(Sheet& s, const Stay& stay) {
  Letterhead(s, stay);
  s.SetFont(Face::Sans, 15, true);
  s.Text(Sheet::kWidth / 2, 134, QStringLiteral("DISCHARGE SUMMARY"), Qt::AlignHCenter);
  qreal y = 162;
  y = Field(s, y, QStringLiteral("Patient:"), PlainName(stay.patient));
  y = Field(s, y, QStringLiteral("Admission date:"), LongDate(stay.admitted));
  y = Field(s, y, QStringLiteral("Discharge date:"), LongDate(stay.discharged));
  y = Field(s, y, QStringLiteral("Length of stay:"),
            QStringLiteral("%1 days").arg(stay.admitted.daysTo(stay.discharged)));
  y = Field(s, y, QStringLiteral("Attending physician:"), QStringLiteral("Dr. Fionnuala Reyes, Internal Medicine"));
  y = Field(s, y, QStringLiteral("Family physician:"), DoctorName(stay.familyPhysician));
  y = Field(s, y, QStringLiteral("Discharged to:"), QStringLiteral("Home, with home-care nursing"));
  y = Heading(s, y + 14, QStringLiteral("Most responsible diagnosis"));
  y = Body(s, y, QStringLiteral("Community-acquired pneumonia, right lower lobe (J18.1)."));
  y = Heading(s, y + 6, QStringLiteral("Secondary diagnoses"));
  y = Body(s, y,
           QStringLiteral("1. Acute exacerbation of chronic obstructive pulmonary disease (J44.1).\n"
                          "2. Acute kidney injury, prerenal, resolved (N17.9).\n"
                          "3. Type 2 diabetes mellitus with hyperglycemia (E11.65).\n"
                          "4. Essential hypertension (I10)."));
  y = Heading(s, y + 6, QStringLiteral("History of present illness"));
  Body(s, y,
       QStringLiteral("%1, aged %2, presented to the emergency department with four days of productive cough, "
                      "fever to 38.9 °C, increasing shortness of breath and poor oral intake. Baseline function: "
                      "independent, walks one block, home oxygen not required. On arrival the oxygen saturation "
                      "was 86% on room air, respiratory rate 28, blood pressure 104/62 and heart rate 112. The "
                      "chest X-ray showed right lower lobe consolidation. White cell count 16.4 x10^9/L, "
                      "creatinine 162 µmol/L (baseline 85) and glucose 17.2 mmol/L.")
           .arg(PlainName(stay.patient))
           .arg(AgeOn(stay.patient, stay.admitted)));
  Footer(s, 1);
}

void SecondPage(Sheet& s, const Stay& stay) {
  Letterhead(s, stay);
  qreal y = Heading(s, 138, QStringLiteral("Hospital course"));
  y = Body(s, y,
           QStringLiteral("1. Pneumonia. Started on ceftriaxone 1 g IV daily and azithromycin 500 mg daily. Blood "
                          "cultures remained negative; sputum grew normal flora. Fever settled within 48 hours and "
                          "oxygen was weaned to room air by day 4. Switched to oral amoxicillin-clavulanate on day "
                          "3 to complete seven days in total."));
  y = Body(s, y,
           QStringLiteral("2. COPD exacerbation. Treated with prednisone 40 mg daily for five days and scheduled "
                          "bronchodilators. Spirometry is recommended once recovered. Inhaler technique was "
                          "reviewed by respiratory therapy."));
  y = Body(s, y,
           QStringLiteral("3. Acute kidney injury. Prerenal from poor intake and sepsis. Ramipril and metformin "
                          "were held; creatinine returned to 91 µmol/L with IV fluids by day 3. Metformin was "
                          "restarted; ramipril is to be resumed at follow-up (see below)."));
  y = Body(s, y,
           QStringLiteral("4. Diabetes. Hyperglycemia on steroids was managed with a sliding scale and basal "
                          "insulin; insulin was stopped at discharge. HbA1c 8.1%."));
  y = Heading(s, y + 6, QStringLiteral("Investigations and procedures"));
  Body(s, y,
       QStringLiteral("Chest X-ray (%1): right lower lobe consolidation, no effusion. Repeat chest X-ray "
                      "recommended in 6 to 8 weeks to document resolution. ECG: sinus tachycardia, no acute "
                      "ischemic changes. No procedures performed.")
           .arg(IsoDate(stay.admitted)));
  Footer(s, 2);
}

void ThirdPage(Sheet& s, const Stay& stay) {
  Letterhead(s, stay);
  qreal y = Heading(s, 138, QStringLiteral("Discharge medications"));
  struct Medication {
    const char* name;
    const char* dose;
    const char* how;
    const char* status;
  };
  const Medication medications[] = {
      {"Amoxicillin-clavulanate", "875/125 mg", "PO twice daily x 3 more days", "NEW"},
      {"Tiotropium inhaler", "18 mcg", "inhaled once daily", "NEW"},
      {"Salbutamol inhaler", "100 mcg", "2 puffs every 4 h as needed", "CONTINUED"},
      {"Metformin", "1000 mg", "PO twice daily", "CONTINUED"},
      {"Amlodipine", "5 mg", "PO once daily", "CONTINUED"},
      {"Ramipril", "5 mg", "PO once daily", "ON HOLD"},
      {"Prednisone", "40 mg", "completed in hospital", "STOPPED"},
  };
  s.Fill(QRectF(kLeft, y + 2, kRight - kLeft, 14), QColor(210, 210, 210));
  s.SetFont(Face::Sans, 8.5, true);
  s.Text(kLeft + 4, y + 12, QStringLiteral("Medication"));
  s.Text(kLeft + 170, y + 12, QStringLiteral("Dose"));
  s.Text(kLeft + 250, y + 12, QStringLiteral("Route and frequency"));
  s.Text(kLeft + 430, y + 12, QStringLiteral("Status"));
  y += 16;
  s.SetFont(Face::Serif, 10);
  for (const Medication& m : medications) {
    y += 15;
    s.Text(kLeft + 4, y, Utf8(m.name));
    s.Text(kLeft + 170, y, Utf8(m.dose));
    s.Text(kLeft + 250, y, Utf8(m.how));
    s.Text(kLeft + 430, y, Utf8(m.status));
  }
  s.Rule(kLeft, y + 6, kRight, y + 6, 0.5);
  y = Heading(s, y + 28, QStringLiteral("Follow-up"));
  y = Body(s, y,
           QStringLiteral("Family physician (%1) within 7 days: repeat creatinine and potassium, resume ramipril "
                          "if creatinine is stable, review blood glucose. Repeat chest X-ray in 6 to 8 weeks. "
                          "Outpatient spirometry has been requested. Home-care nursing for 2 weeks.")
               .arg(DoctorName(stay.familyPhysician)));
  y = Heading(s, y + 6, QStringLiteral("Results pending at discharge"));
  y = Body(s, y, QStringLiteral("Legionella urinary antigen."));
  y = Heading(s, y + 6, QStringLiteral("Condition at discharge"));
  y = Body(s, y, QStringLiteral("Stable. Saturation 94% on room air at rest, walking independently on the ward."));
  s.Signature(kLeft + 4, y + 46, 140, 34);
  s.SetFont(Face::Serif, 10);
  s.Text(kLeft, y + 62, QStringLiteral("Dr. Fionnuala Reyes, MD, FRCPC  -  Internal Medicine"));
  s.SetFont(Face::Mono, 8);
  s.Text(kLeft, y + 82,
         QStringLiteral("D: %1   T: %2   Job #: 48213-SB")
             .arg(ShortDate(stay.discharged).toUpper(), ShortDate(stay.discharged.addDays(1)).toUpper()));
  s.Text(kLeft, y + 94, QStringLiteral("cc: %1 (family physician)").arg(DoctorName(stay.familyPhysician)));
  Footer(s, 3);
}

}  // namespace

std::vector<PageDrawing> DischargeSummaryPages(const PaperCast& cast, const QDate& today) {
  Stay stay{cast.dischargePatient, cast.secondFamilyPhysician, today.addDays(-12), today.addDays(-7)};
  return {[stay](Sheet& s) { FirstPage(s, stay); }, [stay](Sheet& s) { SecondPage(s, stay); },
          [stay](Sheet& s) { ThirdPage(s, stay); }};
}

}  // namespace pyxa
