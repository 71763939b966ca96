// Laboratory reports as a community laboratory prints them: letterhead, patient block, results
// table with reference ranges and H/L flags, comments, page footer.
#include <QStringList>

#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

struct Result {
  const char* test;
  const char* value;
  const char* flag;  // "", "H" or "L"
  const char* range;
  const char* units;
};

struct Section {
  const char* title;
  std::vector<Result> rows;
};

struct LabPage {
  PaperPatient patient;
  PaperPhysician orderer;
  QString laboratory;
  QString accession;
  QDate collected;
  int page = 1;
  int pages = 1;
  std::vector<Section> sections;
  QStringList comments;
};

constexpr qreal kLeft = 48;
constexpr qreal kRight = Sheet::kWidth - 48;

void Letterhead(Sheet& s, const LabPage& p) {
  QPainter& painter = s.Painter();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  painter.drawEllipse(QPointF(kLeft + 17, 58), 17, 17);
  s.SetColor(Qt::white);
  s.SetFont(Face::Sans, 9, true);
  s.Text(kLeft + 17, 61.5, p.laboratory.left(1) + QStringLiteral("ML"), Qt::AlignHCenter);
  s.SetColor(Qt::black);
  s.SetFont(Face::Sans, 14, true);
  s.Text(kLeft + 44, 54, p.laboratory.toUpper());
  s.SetFont(Face::Sans, 7.5);
  s.Text(kLeft + 44, 66, Utf8("Licensed medical laboratory · 1200 Dundas Street West, Suite 4, Toronto ON M6J 1X7"));
  s.Text(kLeft + 44, 76, Utf8("Client services 416-555-0190 · Fax 416-555-0191 · Results line 1-800-555-0177"));
  s.SetFont(Face::Sans, 11, true);
  s.Text(kRight, 92, QStringLiteral("FINAL REPORT"), Qt::AlignRight);
  s.Rule(kLeft, 98, kRight, 98, 1.6);
}

void PatientBlock(Sheet& s, const LabPage& p) {
  const qreal top = 106;
  s.Frame(QRectF(kLeft, top, kRight - kLeft, 74), 0.8);
  const qreal c1 = kLeft + 8;
  const qreal c2 = kLeft + 200;
  const qreal c3 = kLeft + 370;
  s.SetFont(Face::Sans, 7);
  s.Text(c1, top + 12, QStringLiteral("PATIENT"));
  s.Text(c2, top + 12, QStringLiteral("ORDERING PHYSICIAN"));
  s.Text(c3, top + 12, QStringLiteral("SPECIMEN"));
  s.SetFont(Face::Sans, 11, true);
  s.Text(c1, top + 27, ListName(p.patient));
  s.SetFont(Face::Sans, 9, true);
  s.Text(c2, top + 26, DoctorName(p.orderer));
  s.SetFont(Face::Sans, 8.5);
  s.Text(c1, top + 41,
         QStringLiteral("DOB: %1   Age: %2 y").arg(BirthDate(p.patient)).arg(AgeOn(p.patient, p.collected)));
  s.Text(c1, top + 53, QStringLiteral("Health card: %1").arg(HealthCard(p.patient)));
  s.Text(c1, top + 65, QStringLiteral("Clinic chart #: %1").arg(p.patient.chart));
  s.Text(c2, top + 39, p.orderer.specialty);
  s.Text(c2, top + 53, QStringLiteral("Copy to: none"));
  const QDate received = p.collected;
  const QDate reported = p.collected.addDays(1);
  s.Text(c3, top + 27, QStringLiteral("Accession: %1").arg(p.accession));
  s.Text(c3, top + 41, QStringLiteral("Collected: %1 08:42").arg(IsoDate(p.collected)));
  s.Text(c3, top + 53, QStringLiteral("Received:  %1 10:15").arg(IsoDate(received)));
  s.Text(c3, top + 65, QStringLiteral("Reported:  %1 14:03").arg(IsoDate(reported)));
}

constexpr qreal kTest = kLeft + 6;
constexpr qreal kValue = kLeft + 210;  // right edge of the result column
constexpr qreal kFlag = kLeft + 232;
constexpr qreal kRange = kLeft + 280;
constexpr qreal kUnits = kLeft + 420;

qreal Table(Sheet& s, const Section& section, qreal y) {
  s.SetFont(Face::Sans, 10, true);
  s.Text(kLeft, y, Utf8(section.title));
  y += 8;
  s.Fill(QRectF(kLeft, y, kRight - kLeft, 15), QColor(205, 205, 205));
  s.SetFont(Face::Sans, 8, true);
  s.Text(kTest, y + 11, QStringLiteral("Test"));
  s.Text(kValue, y + 11, QStringLiteral("Result"), Qt::AlignRight);
  s.Text(kFlag, y + 11, QStringLiteral("Flag"));
  s.Text(kRange, y + 11, QStringLiteral("Reference range"));
  s.Text(kUnits, y + 11, QStringLiteral("Units"));
  y += 15;
  for (const Result& r : section.rows) {
    y += 15;
    const bool flagged = r.flag[0] != '\0';
    s.SetFont(Face::Mono, 9.5, flagged);
    s.Text(kTest, y, Utf8(r.test));
    s.Text(kValue, y, Utf8(r.value), Qt::AlignRight);
    s.Text(kFlag + 6, y, Utf8(r.flag));
    s.SetFont(Face::Mono, 9.5);
    s.Text(kRange, y, Utf8(r.range));
    s.Text(kUnits, y, Utf8(r.units));
  }
  s.Rule(kLeft, y + 6, kRight, y + 6, 0.5);
  return y + 30;
}

void Footer(Sheet& s, const LabPage& p) {
  const qreal y = Sheet::kHeight - 52;
  s.Rule(kLeft, y, kRight, y, 0.6);
  s.SetFont(Face::Sans, 7);
  s.Text(
      kLeft, y + 11,
      QStringLiteral("Laboratory director: Dr. Helena Voss, MD, FRCPC.  Results relate only to the specimen tested."));
  s.Text(
      kLeft, y + 20,
      QStringLiteral("CONFIDENTIAL: intended for the ordering practitioner. If received in error, call 416-555-0190."));
  s.SetFont(Face::Sans, 8, true);
  s.Text(kRight, y + 11, QStringLiteral("%1  %2").arg(ListName(p.patient), p.accession), Qt::AlignRight);
  s.Text(kRight, y + 22, QStringLiteral("Page %1 of %2").arg(p.page).arg(p.pages), Qt::AlignRight);
}

void DrawLabPage(Sheet& s, const LabPage& p) {
  Letterhead(s, p);
  PatientBlock(s, p);
  qreal y = 206;
  if (p.page > 1) {
    s.SetFont(Face::Sans, 8, false, true);
    s.Text(kLeft, y - 6, QStringLiteral("(continued from page %1)").arg(p.page - 1));
    y += 10;
  }
  for (const Section& section : p.sections) y = Table(s, section, y);
  if (!p.comments.isEmpty()) {
    s.SetFont(Face::Sans, 9, true);
    s.Text(kLeft, y, QStringLiteral("Comments"));
    s.SetFont(Face::Sans, 8.5);
    y += 4;
    for (const QString& comment : p.comments) y = s.Paragraph(kLeft + 8, y, kRight - kLeft - 16, comment) + 3;
    y += 12;
  }
  if (p.page == p.pages) {
    s.SetFont(Face::Mono, 9, true);
    s.Text(Sheet::kWidth / 2, y + 8, QStringLiteral("*** END OF REPORT ***"), Qt::AlignHCenter);
  }
  Footer(s, p);
}

PageDrawing Draw(LabPage page) {
  return [page](Sheet& s) { DrawLabPage(s, page); };
}

}  // namespace

std::vector<PageDrawing> LabBatchPages(const PaperCast& cast, const QDate& today) {
  const QDate collected = today.addDays(-3);
  const QString day = collected.toString(QStringLiteral("yyMMdd"));

  LabPage first;
  first.patient = cast.labPatient;
  first.orderer = cast.familyPhysician;
  first.laboratory = cast.laboratory;
  first.accession = QStringLiteral("NW%1-04412").arg(day);
  first.collected = collected;
  first.pages = 2;
  first.sections = {{"HEMATOLOGY",
                     {{"WBC", "7.8", "", "4.0 - 11.0", "x10^9/L"},
                      {"RBC", "3.86", "L", "4.00 - 5.10", "x10^12/L"},
                      {"Hemoglobin", "112", "L", "120 - 160", "g/L"},
                      {"Hematocrit", "0.34", "L", "0.36 - 0.46", "L/L"},
                      {"MCV", "86", "", "80 - 100", "fL"},
                      {"MCH", "29.0", "", "27.0 - 33.0", "pg"},
                      {"RDW", "15.8", "H", "11.5 - 14.5", "%"},
                      {"Platelets", "412", "H", "150 - 400", "x10^9/L"},
                      {"Neutrophils", "5.1", "", "2.0 - 7.5", "x10^9/L"},
                      {"Lymphocytes", "1.9", "", "1.0 - 3.5", "x10^9/L"},
                      {"Monocytes", "0.6", "", "0.2 - 0.8", "x10^9/L"},
                      {"Eosinophils", "0.2", "", "0.0 - 0.5", "x10^9/L"}}}};
  first.comments = {QStringLiteral("Mild normocytic anemia. Suggest iron studies if not recently done.")};

  LabPage second = first;
  second.page = 2;
  second.sections = {{"CHEMISTRY",
                      {{"Glucose, fasting", "7.9", "H", "3.6 - 6.0", "mmol/L"},
                       {"Hemoglobin A1c", "7.4", "H", "< 6.0", "%"},
                       {"Creatinine", "98", "H", "50 - 97", "µmol/L"},
                       {"eGFR (CKD-EPI)", "54", "L", "> 60", "mL/min/1.73m2"},
                       {"Sodium", "139", "", "135 - 145", "mmol/L"},
                       {"Potassium", "5.3", "H", "3.5 - 5.1", "mmol/L"},
                       {"Chloride", "103", "", "98 - 107", "mmol/L"},
                       {"ALT", "22", "", "< 36", "U/L"},
                       {"TSH", "2.10", "", "0.32 - 4.00", "mU/L"},
                       {"Cholesterol, total", "5.6", "H", "< 5.2", "mmol/L"}}}};
  second.comments = {
      QStringLiteral("Specimen slightly hemolyzed: potassium may be falsely elevated. Repeat if clinically indicated."),
      QStringLiteral("eGFR below 60 mL/min/1.73m2: consistent with CKD stage 3a if persistent for more than 3 "
                     "months.")};

  LabPage lipids;
  lipids.patient = cast.lipidPatient;
  lipids.orderer = cast.secondFamilyPhysician;
  lipids.laboratory = cast.laboratory;
  lipids.accession = QStringLiteral("NW%1-04437").arg(day);
  lipids.collected = collected;
  lipids.sections = {{"LIPID PANEL (FASTING 12 H)",
                      {{"Cholesterol, total", "6.4", "H", "< 5.2", "mmol/L"},
                       {"Triglycerides", "2.6", "H", "< 1.7", "mmol/L"},
                       {"HDL cholesterol", "0.9", "L", "> 1.0", "mmol/L"},
                       {"LDL cholesterol", "4.3", "H", "< 3.5", "mmol/L"},
                       {"Non-HDL cholesterol", "5.5", "H", "< 4.2", "mmol/L"},
                       {"Apolipoprotein B", "1.32", "H", "< 1.05", "g/L"},
                       {"Glucose, fasting", "5.4", "", "3.6 - 6.0", "mmol/L"}}}};
  lipids.comments = {QStringLiteral("LDL cholesterol calculated (Martin/Hopkins).")};

  LabPage prenatal;
  prenatal.patient = cast.prenatalPatient;
  prenatal.orderer = cast.obstetrician;
  prenatal.laboratory = cast.laboratory;
  prenatal.accession = QStringLiteral("NW%1-04451").arg(day);
  prenatal.collected = collected;
  prenatal.sections = {{"ENDOCRINOLOGY / SPECIAL CHEMISTRY",
                        {{"hCG, quantitative", "18450", "", "see comment", "IU/L"},
                         {"TSH", "5.80", "H", "0.32 - 4.00", "mU/L"},
                         {"Free T4", "11.2", "L", "12.0 - 22.0", "pmol/L"},
                         {"Ferritin", "9", "L", "15 - 247", "µg/L"},
                         {"Vitamin B12", "240", "", "> 220", "pmol/L"}}},
                       {"SEROLOGY",
                        {{"Rubella IgG", "Immune", "", "Immune", ""},
                         {"HBsAg", "Non-reactive", "", "Non-reactive", ""},
                         {"HIV 1/2 Ag/Ab", "Non-reactive", "", "Non-reactive", ""}}}};
  prenatal.comments = {
      QStringLiteral("hCG consistent with an intrauterine pregnancy of about 5 to 6 weeks; "
                     "correlate with ultrasound. Pregnancy-specific TSH range applies.")};
  return {Draw(first), Draw(second), Draw(lipids), Draw(prenatal)};
}

}  // namespace pyxa
