#include "reading/PaperKinds.h"

#include <algorithm>

#include "reading/TolerantText.h"

namespace pyxa {
namespace {

// A heading line: two letters or more ("ECG", "CT HEAD"), nearly all capitals. Running text and letterhead
// addresses mention tests and imaging in passing; only headings say what the paper is.
bool IsHeading(const QString& line) {
  int letters = 0, capitals = 0;
  for (const QChar c : line) {
    if (!c.isLetter()) continue;
    ++letters;
    if (c.isUpper()) ++capitals;
  }
  return letters >= 2 && capitals * 10 >= letters * 9;
}

}  // namespace

const QVector<KindWord>& KindWords() {
  static const QString lab = QStringLiteral("Lab Report"), di = QStringLiteral("DI Report"),
                       er = QStringLiteral("ER Report"), letter = QStringLiteral("Correspondence"),
                       notes = QStringLiteral("Clinical Notes");
  const auto row = [](const char* phrase, const QString& category, const char* type = "", bool anywhere = false) {
    return KindWord{QString::fromUtf8(phrase), category, QString::fromUtf8(type), anywhere};
  };
  static const QVector<KindWord> words = {
      // Laboratory reports: the laboratory's own name and its sections.
      row("laboratory report", lab, "", true), row("lab report", lab, "", true),
      row("rapport de laboratoire", lab, "", true), row("laboratories", lab), row("laboratory", lab),
      row("laboratoire", lab), row("laboratoires", lab), row("reference range", lab, "", true),
      row("valeurs de reference", lab, "", true), row("hematology", lab, "Hematology"),
      row("hematologie", lab, "Hematology"), row("complete blood count", lab, "Hematology"),
      row("formule sanguine", lab, "Hematology"), row("chemistry", lab, "Biochemistry"),
      row("biochemistry", lab, "Biochemistry"), row("biochimie", lab, "Biochemistry"),
      row("microbiology", lab, "Microbiology"), row("microbiologie", lab, "Microbiology"),
      row("urinalysis", lab, "Urinalysis"), row("analyse d urine", lab, "Urinalysis"),
      row("pathology", lab, "Pathology"), row("pathologie", lab, "Pathology"),
      row("lipid panel", lab, "Lipid Panel"), row("lipid profile", lab, "Lipid Panel"),
      row("bilan lipidique", lab, "Lipid Panel"), row("serology", lab), row("serologie", lab),
      // Imaging and tracings.
      row("diagnostic imaging", di, "", true), row("imagerie diagnostique", di, "", true),
      row("radiology report", di, "", true), row("ultrasound", di, "Ultrasound"),
      row("echographie", di, "Ultrasound"), row("sonogram", di, "Ultrasound"), row("x ray", di, "X-Ray"),
      row("xray", di, "X-Ray"), row("radiograph", di, "X-Ray"), row("radiographie", di, "X-Ray"),
      row("ct", di, "CT Scan"), row("computed tomography", di, "CT Scan"),
      row("tomodensitometrie", di, "CT Scan"), row("mri", di, "MRI"), row("magnetic resonance", di, "MRI"),
      row("irm", di, "MRI"), row("mammogram", di, "Mammography"), row("mammography", di, "Mammography"),
      row("mammographie", di, "Mammography"), row("bone densitometry", di, "Bone Densitometry"),
      row("bone mineral density", di, "Bone Densitometry"), row("osteodensitometrie", di, "Bone Densitometry"),
      row("ecg", di, "ECG"), row("ekg", di, "ECG"), row("electrocardiogram", di, "ECG"),
      row("electrocardiogramme", di, "ECG"),
      // Emergency visits.
      row("emergency department record", er), row("emergency record", er), row("emergency report", er),
      row("emergency room", er), row("urgence", er), row("salle d urgence", er),
      // Letters, summaries and consultations.
      row("discharge summary", letter, "Discharge Summary", true), row("hospital course", letter, "Discharge Summary"),
      row("discharge medications", letter, "Discharge Summary"),
      row("resume de sortie", letter, "Discharge Summary", true),
      row("sommaire d hospitalisation", letter, "Discharge Summary", true),
      row("reason for referral", letter, "Referral", true), row("referral", letter, "Referral"),
      row("demande de consultation", letter, "Referral", true), row("consultation note", letter, "Consultation Letter", true),
      row("consultation report", letter, "Consultation Letter", true),
      row("consultation letter", letter, "Consultation Letter", true), row("consultation", letter, "Consultation Letter"),
      row("rapport de consultation", letter, "Consultation Letter", true), row("dear dr", letter, "", true),
      row("sincerely", letter, "", true), row("yours truly", letter, "", true), row("cher docteur", letter, "", true),
      row("chere docteure", letter, "", true), row("veuillez agreer", letter, "", true),
      // Notes of the clinic's own visits.
      row("progress note", notes, "", true), row("clinical note", notes, "", true), row("soap note", notes, "", true),
      row("note d evolution", notes, "", true), row("note clinique", notes, "", true),
  };
  return words;
}

QVector<KindFound> FindKindWords(const QString& text) {
  QVector<KindFound> found;
  int lineStart = 0;
  while (lineStart < text.size()) {
    int lineEnd = static_cast<int>(text.indexOf(QLatin1Char('\n'), lineStart));
    if (lineEnd < 0) lineEnd = static_cast<int>(text.size());
    const QString line = text.mid(lineStart, lineEnd - lineStart);
    const bool heading = IsHeading(line);
    QVector<KindFound> onLine;
    for (const KindWord& word : KindWords()) {
      if (!heading && !word.anywhere) continue;
      const TextMatch match = FindTolerant(line, word.phrase);
      if (!match.Found()) continue;
      // A longer phrase at the same place ("lipid panel" over "panel") is the one that counts.
      bool covered = false;
      for (KindFound& other : onLine) {
        const bool overlaps = match.start < other.start + other.length && other.start < match.start + match.length;
        if (!overlaps) continue;
        if (other.word->phrase.size() >= word.phrase.size()) {
          covered = true;
        } else {
          other.word = nullptr;
        }
      }
      onLine.erase(std::remove_if(onLine.begin(), onLine.end(), [](const KindFound& k) { return !k.word; }),
                   onLine.end());
      if (!covered) onLine.append({&word, match.start, match.length, heading});
    }
    std::sort(onLine.begin(), onLine.end(), [](const KindFound& a, const KindFound& b) { return a.start < b.start; });
    for (KindFound& kind : onLine) {
      kind.start += lineStart;
      found.append(kind);
    }
    lineStart = lineEnd + 1;
  }
  return found;
}

}  // namespace pyxa
