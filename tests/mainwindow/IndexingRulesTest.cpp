// The indexing rules without a window: category table, names, dates, lookups, page assignment
// and the passage of fields to and from a document record.
#include "mainwindow/CategoryRules.h"
#include "mainwindow/DocumentDates.h"
#include "mainwindow/DocumentNaming.h"
#include "mainwindow/DocumentProperties.h"
#include "mainwindow/PageAssignment.h"
#include "mainwindow/ReferenceLists.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

TEST(CategoryRulesTest, EachCategoryGetsItsRowAndAnyOtherTheLast) {
  const CategoryLayout lab = CategoryRules(QStringLiteral("Lab Report"));
  EXPECT_EQ(lab.types, TypeSource::LabTypes);
  EXPECT_TRUE(lab.senderList);
  EXPECT_EQ(lab.senderLabel, QStringLiteral("Laboratory:"));
  EXPECT_EQ(lab.dateLabel, QStringLiteral("Collection:"));
  EXPECT_TRUE(lab.abnormalVisible);

  const CategoryLayout di = CategoryRules(QStringLiteral(" di report "));
  EXPECT_EQ(di.typeLabel, QStringLiteral("Profile:"));
  EXPECT_EQ(di.types, TypeSource::DITypes);
  EXPECT_EQ(di.dateLabel, QStringLiteral("Report:"));
  EXPECT_FALSE(di.abnormalVisible);

  const CategoryLayout er = CategoryRules(QStringLiteral("ER Report"));
  EXPECT_FALSE(er.typeEnabled);
  EXPECT_EQ(er.types, TypeSource::None);
  EXPECT_EQ(er.senderLabel, QStringLiteral("Hospital:"));
  EXPECT_EQ(er.dateLabel, QStringLiteral("Admission:"));

  const CategoryLayout letter = CategoryRules(QStringLiteral("Correspondence"));
  EXPECT_EQ(letter.types, TypeSource::CorrespondenceTypes);
  EXPECT_EQ(letter.dateLabel, QStringLiteral("Visit:"));

  const CategoryLayout note = CategoryRules(QStringLiteral("Clinical Notes"));
  EXPECT_EQ(note.typeLabel, QStringLiteral("Visit Type:"));
  EXPECT_TRUE(note.emptyFirstType);
  EXPECT_FALSE(note.senderTextEnabled);
  EXPECT_TRUE(note.senderLabelGrey);
  EXPECT_EQ(note.dateLabel, QStringLiteral("Encounter:"));
  EXPECT_TRUE(note.clinicalNote);

  const CategoryLayout other = CategoryRules(QStringLiteral("Immunization"));
  EXPECT_FALSE(other.typeEnabled);
  EXPECT_TRUE(other.senderTextEnabled);
  EXPECT_EQ(other.senderLabel, QStringLiteral("Sender:"));
  EXPECT_EQ(other.dateLabel, QStringLiteral("Report:"));
  EXPECT_FALSE(other.clinicalNote);
}

TEST(DocumentNamingTest, DefaultNameExtensionAndTheRulesOfCategoryAndLeaving) {
  const QDateTime march15(QDate(2026, 3, 15), QTime(14, 30, 59));
  EXPECT_EQ(DefaultDocumentName(march15, QStringLiteral("Lab Report")), QStringLiteral("2026_0315port_14:30"));
  EXPECT_EQ(DefaultDocumentName(march15, QString()), QStringLiteral("2026_0315_14:30"));

  EXPECT_EQ(DocumentFileExtension(QStringLiteral("scan.v2.tif")), QStringLiteral("TIF"));
  EXPECT_EQ(DocumentFileExtension(QStringLiteral("no extension")), QString());

  // A TIF or bare name follows the category; a PDF's own name stays.
  EXPECT_EQ(NameForCategory(QStringLiteral("old.TIF"), march15, QStringLiteral("DI Report")),
            QStringLiteral("2026_0315port_14:30.TIF"));
  EXPECT_EQ(NameForCategory(QStringLiteral("consult.pdf"), march15, QStringLiteral("DI Report")),
            QStringLiteral("consult.pdf"));

  // Leaving the field: a TIF document's typed name gets its extension back once.
  EXPECT_EQ(NameOnLeave(QStringLiteral("Blood work"), QStringLiteral("TIF"), QStringLiteral("TIF")),
            QStringLiteral("Blood work.TIF"));
  EXPECT_EQ(NameOnLeave(QStringLiteral("Blood work.TIF"), QStringLiteral("TIF"), QStringLiteral("TIF")),
            QStringLiteral("Blood work.TIF"));
  EXPECT_EQ(NameOnLeave(QStringLiteral("ab.pdf"), QString(), QStringLiteral("PDF")), QStringLiteral("ab.pdf"));
  // Scanned pages have no file extension: TIF.
  EXPECT_EQ(NameOnLeave(QStringLiteral("Letter"), QStringLiteral("JPG"), QString()), QStringLiteral("Letter.TIF"));
  // A name that had no extension on entry takes the file's, never a lone ".".
  EXPECT_EQ(NameOnLeave(QStringLiteral("Letter"), QString(), QStringLiteral("JPG")), QStringLiteral("Letter.JPG"));
  EXPECT_EQ(NameOnLeave(QString(), QStringLiteral("TIF"), QStringLiteral("TIF")), QString());
}

TEST(DocumentDatesTest, PartsFormRealDaysInTheCountrysOrderAndNeverInTheFuture) {
  const QDate today(2026, 12, 7);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("5"), QStringLiteral("11"), QStringLiteral("2026"), false, today).date,
            QDate(2026, 11, 5));
  EXPECT_EQ(FormDocumentDate(QStringLiteral("11"), QStringLiteral("5"), QStringLiteral("2026"), true, today).date,
            QDate(2026, 11, 5));
  EXPECT_EQ(FormDocumentDate(QStringLiteral("31"), QStringLiteral("02"), QStringLiteral("2024"), false, today).entry,
            DateEntry::Invalid);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("29"), QStringLiteral("02"), QStringLiteral("2025"), false, today).entry,
            DateEntry::Invalid);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("29"), QStringLiteral("02"), QStringLiteral("2024"), false, today).entry,
            DateEntry::Valid);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("26"), false, today).entry,
            DateEntry::Invalid);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("8"), QStringLiteral("12"), QStringLiteral("2026"), false, today).entry,
            DateEntry::Future);
  EXPECT_EQ(FormDocumentDate(QStringLiteral("7"), QStringLiteral("12"), QString(), false, today).entry,
            DateEntry::Partial);
  EXPECT_EQ(FormDocumentDate(QString(), QStringLiteral(" "), QString(), false, today).entry, DateEntry::Missing);

  EXPECT_EQ(ValidateEncounterDate(QStringLiteral("31"), QStringLiteral("2"), QStringLiteral("2026"), today), kNotADate);
  EXPECT_EQ(ValidateEncounterDate(QStringLiteral("29"), QStringLiteral("2"), QStringLiteral("2025"), today), kNotADate);
  EXPECT_EQ(ValidateEncounterDate(QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("2026"), today),
            kDateValid);
  EXPECT_EQ(ValidateEncounterDate(QStringLiteral("8"), QStringLiteral("12"), QStringLiteral("2026"), today),
            kLaterThanToday);

  const auto day = DateToParts(QDate(2026, 3, 5), false);
  EXPECT_EQ(day[0] + day[1] + day[2], QStringLiteral("05032026"));
  const auto us = DateToParts(QDate(2026, 3, 5), true);
  EXPECT_EQ(us[0] + us[1] + us[2], QStringLiteral("03052026"));
  EXPECT_TRUE(DateToParts(QDate(), false)[0].isEmpty());
}

TEST(ReferenceListsTest, LookupsGoBothWaysOnTrimmedTextsAndTheTypeListInForce) {
  ReferenceLists lists;
  lists.physicianNames = {QStringLiteral("lid"), QStringLiteral("physName")};
  lists.physicians = ValueRows{{201, QStringLiteral(" Okafor, Adaeze ")}, {202, QVariant()}};
  lists.labNames = {QStringLiteral("LID"), QStringLiteral("szLaboratory")};
  lists.labs = ValueRows{{7, QStringLiteral("Lifelabs")}};
  lists.categories = ValueRows{{4, QStringLiteral("Clinical Notes")}};
  lists.labTypeNames = {QStringLiteral("lid"), QStringLiteral("szName")};
  lists.labTypes = ValueRows{{21, QStringLiteral("Hematology")}};
  lists.typeNames = {QStringLiteral("lid"), QStringLiteral("szName")};
  lists.types = ValueRows{{31, QStringLiteral("Referral letter")}};

  EXPECT_EQ(lists.GetPhysician(QStringLiteral("ID"), QStringLiteral("Okafor, Adaeze")), QStringLiteral("201"));
  EXPECT_EQ(lists.GetPhysician(QStringLiteral("Name"), QStringLiteral("201")), QStringLiteral("Okafor, Adaeze"));
  EXPECT_EQ(lists.GetPhysician(QStringLiteral("Name"), QStringLiteral("202")), QString());  // a null name
  EXPECT_EQ(lists.GetSender(QStringLiteral("Name"), QStringLiteral("7")), QStringLiteral("Lifelabs"));
  EXPECT_EQ(lists.GetCategory(QStringLiteral("Name"), QStringLiteral("4")), QStringLiteral("Clinical Notes"));
  EXPECT_EQ(lists.GetDocumentType(TypeSource::LabTypes, QStringLiteral("ID"), QStringLiteral("Hematology")),
            QStringLiteral("21"));
  EXPECT_EQ(lists.GetDocumentType(TypeSource::CorrespondenceTypes, QStringLiteral("Name"), QStringLiteral("31")),
            QStringLiteral("Referral letter"));
  EXPECT_EQ(lists.GetCategory(QStringLiteral("Name"), QStringLiteral("99")), QString());
  lists.types.reset();
  EXPECT_TRUE(lists.Types(TypeSource::VisitTypes).isEmpty());
}

TEST(PageAssignmentTest, AppendingCountsOnlyUnstoredDocumentsAndSkipsPagesGiven) {
  Documents documents;
  EXPECT_FALSE(AppendPage(documents, 1));
  Document stored;
  stored.FileData = "II*\0";
  for (int page : {1, 2, 3}) stored.Pages.Add(Page{page, {}});
  documents.Add(stored);
  documents.Add(Document{});
  ASSERT_TRUE(AppendPage(documents, 2));
  EXPECT_EQ(PagesGiven(documents), 1);
  EXPECT_TRUE(PagesRemain(documents, 4));

  documents.Add(Document{});
  EXPECT_EQ(AppendAllPages(documents, 4), 3);  // 1, 3 and 4: page 2 belongs to the first
  QList<int> last;
  for (const Page& page : documents.Item(3).Pages) last << page.PageNumber;
  EXPECT_EQ(last, (QList<int>{1, 3, 4}));
  EXPECT_FALSE(PagesRemain(documents, 4));
  EXPECT_EQ(AppendAllPages(documents, 4), 0);
}

TEST(DocumentPropertiesTest, FieldsGoIntoTheRecordByCategoryAndComeBack) {
  DocumentFields lab;
  lab.physicianId = 201;
  lab.categoryId = 1;
  lab.category = QStringLiteral("Lab Report");
  lab.typeId = 21;
  lab.typeText = QStringLiteral("Hematology");
  lab.senderId = 7;
  lab.sender = QStringLiteral("Lifelabs");
  lab.date = QDate(2026, 3, 15);
  lab.name = QStringLiteral("CBC.TIF");
  lab.abnormal = true;
  lab.encounterDateModified = true;  // only a clinical note keeps it
  ChosenPatient patient{{QStringLiteral("O'Brien"), QStringLiteral("Siobhán"), QStringLiteral("C-1"),
                         QStringLiteral("123"), {}, {}, {}, QStringLiteral("613"), QStringLiteral("555"),
                         QStringLiteral("0101")},
                        QStringLiteral("1001")};
  const Document record = StoreDocumentProperties(lab, patient, 0, 17);
  EXPECT_EQ(record.SenderID, 7);
  EXPECT_EQ(record.DocumentDate, QDateTime(QDate(2026, 3, 15), QTime(12, 0)));
  EXPECT_FALSE(record.DocDateModified);
  EXPECT_EQ(record.PatientID, 1001);
  EXPECT_EQ(record.FirstName, QStringLiteral("Siobhán"));
  EXPECT_EQ(record.UserID, 17);

  DocumentFields note = lab;
  note.category = QStringLiteral("Clinical Notes");
  note.date = QDate();
  const Document noteRecord = StoreDocumentProperties(note, patient, 555, 17);
  EXPECT_EQ(noteRecord.SenderID, 0);
  EXPECT_TRUE(noteRecord.DocDateModified);
  EXPECT_FALSE(noteRecord.DocumentDate.isValid());
  EXPECT_EQ(noteRecord.EncounterID, 555);

  const StoredProperties back = PopulateDocumentProperties(record);
  EXPECT_EQ(back.fields.date, lab.date);
  EXPECT_EQ(back.fields.typeId, 21);
  EXPECT_EQ(back.patient.patientId, QStringLiteral("1001"));
  EXPECT_EQ(back.patient.fields.lastName, QStringLiteral("O'Brien"));
  EXPECT_EQ(PopulateDocumentProperties(Document{}).patient.patientId, QString());
}

}  // namespace
}  // namespace pyxa
