#include <gtest/gtest.h>

#include "reading/IndexProposal.h"

namespace pyxa {
namespace {

// The demo clinic's lists.
IndexReferences Lists() {
  IndexReferences lists;
  lists.categories = {{0, QStringLiteral("Lab Report")},
                      {1, QStringLiteral("DI Report")},
                      {2, QStringLiteral("ER Report")},
                      {3, QStringLiteral("Correspondence")},
                      {4, QStringLiteral("Clinical Notes")}};
  lists.laboratories = {{1, QStringLiteral("Northway Medical Laboratories")},
                        {2, QStringLiteral("Lakeshore Diagnostics")},
                        {3, QStringLiteral("St. Brigid's Hospital Laboratory")}};
  lists.labTypes = {{1, QStringLiteral("Hematology")}, {2, QStringLiteral("Biochemistry")},
                    {6, QStringLiteral("Lipid Panel")}};
  return lists;
}

SenderChoice Past(qint64 lab, const char* sender, qint64 category, qint64 type, const char* typeName, int times) {
  SenderChoice choice;
  choice.SenderID = lab;
  choice.Sender = QString::fromUtf8(sender);
  choice.CategoryID = category;
  choice.DocumentTypeID = type;
  choice.DocumentTypeDesc = QString::fromUtf8(typeName);
  choice.Times = times;
  return choice;
}

TEST(IndexProposal, HeadingsSenderPastChoicesAndDatesMakeTheProposal) {
  const QVector<SenderChoice> lakeshore = {Past(2, "Lakeshore Diagnostics", 1, 11, "X-Ray", 5),
                                           Past(2, "Lakeshore Diagnostics", 1, 12, "Ultrasound", 2),
                                           Past(2, "Lakeshore Diagnostics", 0, 1, "Hematology", 1)};
  const struct {
    const char* what;
    QString page;
    QVector<SenderChoice> past;
    QString category, type;
    qint64 typeId, laboratoryId;
    QString sender;
    QDate date;
  } cases[] = {
      {"a lab report, its laboratory misread",
       QStringLiteral("N0RTHWAY MEDICAL LABORAT0RIES\nFINAL REPORT\nDOB: 1957-03-14  Collected: 2026-11-27 08:42\n"
                      "Reported: 2026-11-28 14:03\nHEMATOLOGY\nTest  Result  Flag  Reference range\n"),
       {}, QStringLiteral("Lab Report"), QStringLiteral("Hematology"), 1, 1, QStringLiteral("Northway Medical Laboratories"),
       QDate(2026, 11, 27)},
      {"a discharge summary: filed under its discharge date",
       QStringLiteral("ST. BRIGID'S HOSPITAL\nDISCHARGE SUMMARY\nAdmission date:  November 26, 2026\n"
                      "Discharge date:  December 1, 2026\nThe chest X-ray showed consolidation; ECG normal."),
       {}, QStringLiteral("Correspondence"), QStringLiteral("Discharge Summary"), 0, 0, {}, QDate(2026, 12, 1)},
      {"a stay's admission date is not its date", QStringLiteral("DISCHARGE SUMMARY\nAdmission date:  November 26, 2026"),
       {}, QStringLiteral("Correspondence"), QStringLiteral("Discharge Summary"), 0, 0, {}, {}},
      {"an imaging report from a laboratory of the list names its sender, not a laboratory",
       QStringLiteral("Lakeshore Diagnostics\nExam date: 2026-11-29\nULTRASOUND ABDOMEN, COMPLETE\nFINDINGS: ..."), {},
       QStringLiteral("DI Report"), QStringLiteral("Ultrasound"), 0, 0, QStringLiteral("Lakeshore Diagnostics"),
       QDate(2026, 11, 29)},
      {"a tracing titled by its three letters", QStringLiteral("ECG\nDate: 2026-11-30\nSinus rhythm"), {},
       QStringLiteral("DI Report"), QStringLiteral("ECG"), 0, 0, {}, QDate(2026, 11, 30)},
      {"a letter dated on its own line",
       QStringLiteral("Harbourview Family Practice\nDecember 6, 2026\nDr. Samir Haddad\nReason for referral: chest "
                      "pain\nDear Dr. Haddad,"),
       {}, QStringLiteral("Correspondence"), QStringLiteral("Referral"), 0, 0, {}, QDate(2026, 12, 6)},
      {"a french consultation", QStringLiteral("RAPPORT DE CONSULTATION\nDate du rapport : 3 décembre 2026"), {},
       QStringLiteral("Correspondence"), QStringLiteral("Consultation Letter"), 0, 0, {}, QDate(2026, 12, 3)},
      {"no heading: the clerk's most frequent choice for the sender", QStringLiteral("Lakeshore Diagnostics\nFINDINGS"),
       lakeshore, QStringLiteral("DI Report"), QStringLiteral("X-Ray"), 11, 0, QStringLiteral("Lakeshore Diagnostics"), {}},
      {"a heading chooses among the sender's past kinds",
       QStringLiteral("Lakeshore Diagnostics\nHEMATOLOGY\n"), lakeshore, QStringLiteral("Lab Report"),
       QStringLiteral("Hematology"), 1, 2, QStringLiteral("Lakeshore Diagnostics"), {}},
      {"a free-text sender the clerk used before",
       QStringLiteral("HARBOURVIEW FAMILY PRACTlCE\nThank you for seeing this patient."),
       {Past(0, "Harbourview Family Practice", 3, 0, "Consultation Letter", 4)}, QStringLiteral("Correspondence"),
       QStringLiteral("Consultation Letter"), 0, 0, QStringLiteral("Harbourview Family Practice"), {}},
      {"tests and imaging named in running text say nothing",
       QStringLiteral("The chest X-ray and an ECG were done; hematology to follow.\nSee ultrasound."), {}, {}, {}, 0, 0,
       {}, {}},
      {"two kinds of paper at once", QStringLiteral("ULTRASOUND\nHEMATOLOGY"), {}, {}, {}, 0, 0, {}, {}},
  };
  for (const auto& c : cases) {
    const IndexProposal proposal =
        ProposeIndex(c.page, FindIdentifiers(c.page, RulesFor(QStringLiteral("CA"))), Lists(), c.past);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(proposal.category, c.category);
    for (const ReferenceEntry& category : Lists().categories) {
      if (category.name == c.category) {
        EXPECT_EQ(proposal.categoryId, category.id);
      }
    }
    EXPECT_EQ(proposal.typeName, c.type);
    EXPECT_EQ(proposal.typeId, c.typeId);
    EXPECT_EQ(proposal.laboratoryId, c.laboratoryId);
    EXPECT_EQ(proposal.sender, c.sender);
    EXPECT_EQ(proposal.documentDate, c.date);
    if (!c.category.isEmpty()) {
      EXPECT_FALSE(proposal.why.isEmpty());
    }
    // Each span it rests on lies in the page.
    for (const TextSpan& span : proposal.spans) EXPECT_LE(span.start + span.length, c.page.size());
  }
}

}  // namespace
}  // namespace pyxa
