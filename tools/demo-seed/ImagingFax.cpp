// An imaging centre's fax: a cover sheet the clerk will throw away, then the ultrasound report.
#include "FaxHeader.h"
#include "PaperDocuments.h"
#include "PaperText.h"

namespace pyxa {
namespace {

constexpr qreal kLeft = 60;
constexpr qreal kRight = Sheet::kWidth - 60;
const QString kFaxNumber = QStringLiteral("416 555 0288");

void Letterhead(Sheet& s, const QString& centre, qreal y) {
  s.Fill(QRectF(kLeft, y - 22, 30, 30), Qt::black);
  s.SetColor(Qt::white);
  s.SetFont(Face::Sans, 15, true);
  s.Text(kLeft + 15, y - 1, centre.left(1), Qt::AlignHCenter);
  s.SetColor(Qt::black);
  s.SetFont(Face::Sans, 14, true);
  s.Text(kLeft + 40, y - 6, centre);
  s.SetFont(Face::Sans, 8);
  s.Text(kLeft + 40, y + 6,
         QStringLiteral("Ultrasound  -  X-ray  -  Bone densitometry  -  3300 Bloor St W, Toronto ON"));
}

struct Box {
  const char* label;
  QString value;
};

void CoverSheet(Sheet& s, const PaperCast& cast, const QDateTime& received) {
  FaxHeader(s, received, cast.imagingCentre, kFaxNumber, 1, 2);
  Letterhead(s, cast.imagingCentre, 70);
  s.SetFont(Face::Sans, 40, true);
  s.Text(kLeft, 160, QStringLiteral("FAX"));
  const Box boxes[] = {
      {"To:", DoctorName(cast.internist)},
      {"Fax:", QStringLiteral("416-555-0123")},
      {"From:", QStringLiteral("Diagnostic Imaging Reports")},
      {"Fax:", QStringLiteral("416-555-0288")},
      {"Date:", LongDate(received.date())},
      {"Pages:", QStringLiteral("2 (including cover)")},
      {"Re:", QStringLiteral("Diagnostic imaging report")},
  };
  qreal y = 190;
  for (const Box& box : boxes) {
    s.Rule(kLeft, y + 20, kRight, y + 20, 0.6);
    s.SetFont(Face::Sans, 11, true);
    s.Text(kLeft, y + 14, QString::fromLatin1(box.label));
    s.SetFont(Face::Sans, 11);
    s.Text(kLeft + 80, y + 14, box.value);
    y += 30;
  }
  const char* checks[] = {"Urgent", "For review", "Please reply", "Please recycle"};
  qreal x = kLeft;
  s.SetFont(Face::Sans, 10);
  for (int i = 0; i < 4; ++i) {
    s.Frame(QRectF(x, y + 22, 10, 10), 0.8);
    if (i == 1) {
      s.Rule(x + 2, y + 24, x + 8, y + 30, 1.2);
      s.Rule(x + 8, y + 24, x + 2, y + 30, 1.2);
    }
    x += 16 + s.Text(x + 16, y + 31, Utf8(checks[i])) + 28;
  }
  s.SetFont(Face::Sans, 9, false, true);
  s.Paragraph(kLeft, y + 70, kRight - kLeft,
              QStringLiteral("CONFIDENTIALITY NOTICE: The documents accompanying this facsimile contain personal "
                             "health information that is confidential and protected by law. They are intended only "
                             "for the person named above. If you are not the intended recipient, any review, "
                             "disclosure, copying or distribution is prohibited. If you have received this fax in "
                             "error, please notify us immediately at 416-555-0280 and destroy the pages."));
}

void Report(Sheet& s, const PaperCast& cast, const QDateTime& received) {
  const PaperPatient& p = cast.ultrasoundPatient;
  const QDate examined = received.date();
  FaxHeader(s, received, cast.imagingCentre, kFaxNumber, 2, 2);
  Letterhead(s, cast.imagingCentre, 70);
  s.Rule(kLeft, 90, kRight, 90, 1.0);
  s.SetFont(Face::Sans, 9);
  s.Text(kLeft, 108, QStringLiteral("Patient: "));
  s.Text(kLeft, 121, QStringLiteral("DOB: %1      HCN: %2").arg(BirthDate(p), HealthCard(p)));
  s.Text(kLeft, 134, QStringLiteral("Referring: %1").arg(DoctorName(cast.internist)));
  s.Text(kLeft + 300, 108, QStringLiteral("Exam date: %1").arg(IsoDate(examined)));
  s.Text(kLeft + 300, 121, QStringLiteral("Accession: LD-%1-2291").arg(examined.toString(QStringLiteral("yyMMdd"))));
  s.Text(kLeft + 300, 134, QStringLiteral("Status: FINAL"));
  s.SetFont(Face::Sans, 9, true);
  s.Text(kLeft + 42, 108, ListName(p));
  s.Rule(kLeft, 142, kRight, 142, 0.6);

  s.SetFont(Face::Sans, 12, true);
  s.Text(kLeft, 168, QStringLiteral("ULTRASOUND ABDOMEN, COMPLETE"));
  const QStringList sections = {
      QStringLiteral("CLINICAL HISTORY: Intermittent right upper quadrant pain after meals. Mildly raised ALP."),
      QStringLiteral("COMPARISON: None available."),
      QStringLiteral("FINDINGS: The liver measures 16.2 cm and is diffusely increased in echogenicity, in keeping "
                     "with fatty infiltration. No focal hepatic lesion. The gallbladder contains several mobile "
                     "echogenic shadowing calculi, the largest 11 mm. The gallbladder wall is not thickened "
                     "(2 mm) and there is no pericholecystic fluid; sonographic Murphy sign is negative. The common "
                     "bile duct measures 4 mm. The pancreas is partly obscured by bowel gas; the visualized head "
                     "and body are unremarkable. The spleen measures 10.8 cm. The right kidney measures 10.9 cm "
                     "and the left 11.3 cm, without hydronephrosis or stones; a simple cyst of 1.4 cm arises from "
                     "the lower pole of the left kidney. The abdominal aorta is of normal calibre. No free fluid."),
      QStringLiteral("IMPRESSION:\n1. Cholelithiasis without sonographic evidence of acute cholecystitis.\n"
                     "2. Hepatic steatosis.\n3. Simple left renal cyst (Bosniak I); no follow-up required.")};
  qreal y = 184;
  s.SetFont(Face::Sans, 10);
  for (const QString& text : sections) y = s.Paragraph(kLeft, y, kRight - kLeft, text) + 12;
  s.SetFont(Face::Sans, 9, false, true);
  s.Text(kLeft, y + 14,
         QStringLiteral("Electronically signed by Dr. Paul Achterberg, MD, FRCPC (Radiology) on %1 16:48")
             .arg(IsoDate(examined)));
  s.SetFont(Face::Sans, 7.5);
  s.Text(kLeft, Sheet::kHeight - 40,
         QStringLiteral("%1  -  Diagnostic Imaging  -  Report for %2  -  Page 1 of 1")
             .arg(cast.imagingCentre, ListName(p)));
}

}  // namespace

std::vector<PageDrawing> ImagingFaxPages(const PaperCast& cast, const QDateTime& received) {
  return {[cast, received](Sheet& s) { CoverSheet(s, cast, received); },
          [cast, received](Sheet& s) { Report(s, cast, received); }};
}

}  // namespace pyxa
