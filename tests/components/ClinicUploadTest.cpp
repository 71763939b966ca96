// The clinic's receipt of uploaded documents, embedded and over HTTPS: what it keeps, how a
// repeated key is recognised, and what it refuses.
#include "ContractFixture.h"
#include "components/ClinicFaults.h"
#include "components/ClinicWire.h"

#include <QJsonDocument>

namespace pyxa::clinictest {
namespace {

// What the workstation read from the pages: it stays there.
const QString kPageText = QStringLiteral("Ferritin 9 ug/L (zebracorn-41)");

Document Sample(qint64 patientId = kDemoFirstPatientId) {
  Document document;
  document.UserID = kDemoUserId;
  document.PatientID = patientId;
  document.EncounterID = 0;
  document.CategoryID = 3;
  document.DocumentTypeID = 8;
  document.DocumentTypeDesc = QStringLiteral("Consultation \"urgente\" — Hématologie");
  document.PhysicianID = kDemoFirstPhysicianId;
  document.SenderID = 4;
  document.Sender = QStringLiteral("Dr. Sender");
  document.DocumentName = QStringLiteral("Consult note");
  document.DocumentDate = QDateTime(QDate(2025, 12, 30), QTime(0, 0));
  document.SignOff = true;
  document.Notes = QStringLiteral("follow up\nin two weeks");
  document.PageText = kPageText;
  // Every byte value, zeros included, over more than one network read.
  document.FileData = QByteArray("%PDF-1.4\0\x01\x02 body", 17);
  for (quint32 i = 0; i < 300 * 1024; ++i) document.FileData.append(static_cast<char>((i * 7919u) >> 3));
  return document;
}

class ClinicUploadTest : public ContractTest {
 protected:
  qint64 Kept() { return Count(QStringLiteral("SELECT count(*) AS n FROM received_documents")); }
  // The error the clinic raises for the document.
  static ServiceError Refused(ClinicalService& clinic, const Document& document, const char* key = "k") {
    return Failure([&] { clinic.UploadDocument(document, QString::fromLatin1(key)); });
  }
};

TEST_P(ClinicUploadTest, KeepsTheDocumentAndRecognisesARepeatedKey) {
  auto clinic = Login();
  const Document document = Sample();
  const qint64 id = clinic->UploadDocument(document, QStringLiteral("key-1"));
  EXPECT_GT(id, 0);

  {
    SqlConnection connection(path_);
    auto row = connection.Prepare(QStringLiteral("SELECT * FROM received_documents WHERE id = ?"));
    row.Bind(1, id);
    ASSERT_TRUE(row.Step());
    EXPECT_EQ(row.Blob(QStringLiteral("file_data")), document.FileData);
    EXPECT_EQ(row.Text(QStringLiteral("upload_key")), QStringLiteral("key-1"));
    EXPECT_EQ(row.Int(QStringLiteral("patient_id")), kDemoFirstPatientId);
    EXPECT_EQ(row.Text(QStringLiteral("document_name")), QStringLiteral("Consult note"));
    EXPECT_EQ(row.Text(QStringLiteral("type_description")), Sample().DocumentTypeDesc);
    EXPECT_EQ(row.Text(QStringLiteral("notes")), QStringLiteral("follow up\nin two weeks"));
    EXPECT_EQ(row.Text(QStringLiteral("document_date")), QStringLiteral("2025-12-30T00:00:00"));
    EXPECT_EQ(row.Text(QStringLiteral("sender")), QStringLiteral("Dr. Sender"));
    EXPECT_EQ(row.Int(QStringLiteral("signed_off")), -1);
    EXPECT_EQ(row.Int(QStringLiteral("received_by")), kDemoUserId);
    EXPECT_EQ(row.Int(QStringLiteral("received_ms")), kDemoDay.toMSecsSinceEpoch());
  }
  // The page text is on neither the wire nor anywhere in the clinic's file.
  EXPECT_FALSE(QJsonDocument(wire::DocumentToJson(document, QStringLiteral("key-1"))).toJson().contains("zebracorn"));
  QFile clinicFile(path_);
  ASSERT_TRUE(clinicFile.open(QIODevice::ReadOnly));
  EXPECT_FALSE(clinicFile.readAll().contains("zebracorn"));

  // The same key from another session object (a new run after a crash) answers the first receipt.
  auto again = Login();
  EXPECT_EQ(again->UploadDocument(document, QStringLiteral("key-1")), id);
  EXPECT_EQ(Kept(), 1);
  // Another key is another document, even with the same content.
  EXPECT_NE(again->UploadDocument(document, QStringLiteral("key-2")), id);
  EXPECT_EQ(Kept(), 2);
}

// What it cannot keep, and what the session rules or an injected fault forbid, is refused and
// nothing is stored.
TEST_P(ClinicUploadTest, RefusesWhatItCannotKeepOrMayNotTakeAndStoresNothing) {
  auto loggedOut = NewService();
  EXPECT_TRUE(Refused(*loggedOut, Sample()).Description().contains(kSessionTimedOut));

  auto clinic = Login();
  Document empty = Sample();
  empty.FileData.clear();
  EXPECT_EQ(Refused(*clinic, empty).Description(), QStringLiteral("The document \"Consult note\" has no file data."));
  EXPECT_EQ(Refused(*clinic, Sample(999999)).Description(), QStringLiteral("Patient 999999 does not exist."));
  EXPECT_EQ(Refused(*clinic, Sample(), "  ").Number(), kClinicErrorRequest);

  ClinicFaults faults(path_);
  faults.SetConnectionLost(true);
  EXPECT_TRUE(Refused(*clinic, Sample()).Description().contains(kUnableToConnect));
  faults.ClearAll();
  faults.FailNextCall(77, QStringLiteral("injected"));
  EXPECT_EQ(Refused(*clinic, Sample()).Number(), 77);
  EXPECT_EQ(Kept(), 0);

  clock_.AdvanceSeconds(kDefaultIdleMinutes * 60 + 1);
  EXPECT_TRUE(Refused(*clinic, Sample()).Description().contains(kSessionTimedOut));
}

TEST_P(ClinicUploadTest, AClinicFileWithoutTheTableTakesUploadsToo) {
  SqlConnection(path_).Execute(QStringLiteral("DROP TABLE received_documents"));
  auto clinic = Login();
  EXPECT_GT(clinic->UploadDocument(Sample(), QStringLiteral("k")), 0);
  EXPECT_EQ(Kept(), 1);
}

PYXA_ON_BOTH_CLINICS(ClinicUploadTest);

}  // namespace
}  // namespace pyxa::clinictest
