#include "ContractFixture.h"

namespace pyxa::clinictest {
namespace {

const QString kProgressNote = QStringLiteral("ProgressNote");

class EncounterTest : public ContractTest {
 protected:
  void SetUp() override {
    ContractTest::SetUp();
    clinic_ = Login();
  }
  int Unsigned(qint64 physician, qint64 patient) {
    clinic_->GetUnsignedEncounters(physician, patient, kDemoUserId, names_, values_);
    return values_ ? RowCount(values_) : -1;
  }

  std::unique_ptr<ClinicalService> clinic_;
  QStringList names_;
  ValuesTable values_;
};

TEST_P(EncounterTest, UnsignedEncountersOfAPatientWithTheirFields) {
  ASSERT_EQ(Unsigned(kDemoFirstPhysicianId, kDemoFirstPatientId), 2);  // the signed one is left out
  EXPECT_EQ(names_, (QStringList{QStringLiteral("lID"), QStringLiteral("dCurrentDate"), QStringLiteral("szLast"),
                                 QStringLiteral("szFirst"), QStringLiteral("szICD"), QStringLiteral("szICDDescription"),
                                 QStringLiteral("szComments"), QStringLiteral("nVisitType")}));
  EXPECT_EQ(FieldText(names_, values_, 0, QStringLiteral("dCurrentDate")), QStringLiteral("2026-01-02 00:00:00"));
  EXPECT_EQ(FieldText(names_, values_, 0, QStringLiteral("szLast")), QStringLiteral("O'Brien"));
  EXPECT_FALSE(FieldText(names_, values_, 0, QStringLiteral("szICD")).isEmpty());
  EXPECT_EQ(Unsigned(kDemoFirstPhysicianId + 1, kDemoFirstPatientId), -1);  // none with another physician
  EXPECT_EQ(Unsigned(kDemoFirstPhysicianId, kDemoFirstPatientId + 1), -1);
}

TEST_P(EncounterTest, CreatedEncounterComesBackAsOneRowAndIsListed) {
  const qint64 patient = kDemoFirstPatientId + 1;
  QString date = QStringLiteral("12/31/2025");
  clinic_->CreateEncounter(kDemoFirstPhysicianId, patient, date, names_, values_);
  ASSERT_EQ(RowCount(values_), 1);
  EXPECT_EQ(FieldText(names_, values_, 0, QStringLiteral("dCurrentDate")), QStringLiteral("2025-12-31 00:00:00"));
  EXPECT_EQ(FieldText(names_, values_, 0, QStringLiteral("szFirst")), QStringLiteral("Émilie"));
  const QString id = FieldText(names_, values_, 0, QStringLiteral("lID"));
  ASSERT_EQ(Unsigned(kDemoFirstPhysicianId, patient), 1);
  EXPECT_EQ(FieldText(names_, values_, 0, QStringLiteral("lID")), id);

  QString today;
  clinic_->CreateEncounter(kDemoFirstPhysicianId, patient, today, names_, values_);
  EXPECT_EQ(today, QStringLiteral("2026-01-05 00:00:00"));
  EXPECT_EQ(Unsigned(kDemoFirstPhysicianId, patient), 2);

  QString bad = QStringLiteral("2/30/2025");
  EXPECT_EQ(Failure([&] { clinic_->CreateEncounter(kDemoFirstPhysicianId, patient, bad, names_, values_); }).Number(),
            kClinicErrorRequest);
  QString fine = QStringLiteral("1/5/2026");
  EXPECT_TRUE(Failure([&] { clinic_->CreateEncounter(kDemoFirstPhysicianId, 77, fine, names_, values_); })
                  .Description()
                  .contains(QStringLiteral("Patient 77")));
  EXPECT_EQ(Unsigned(kDemoFirstPhysicianId, patient), 2);  // failed requests add nothing
}

TEST_P(EncounterTest, AnEncounterLockedByOneUserIsRefusedToAnother) {
  ASSERT_EQ(Unsigned(kDemoFirstPhysicianId, kDemoFirstPatientId), 2);
  qint64 encounter = FieldText(names_, values_, 0, QStringLiteral("lID")).toLongLong();
  qint64 patient = 0;
  clinic_->LockEncounter(kDemoUserId, kProgressNote, encounter, patient, kDemoEnterpriseId, kDemoOfficeId);
  EXPECT_EQ(patient, kDemoFirstPatientId);  // filled in when not given
  clinic_->LockEncounter(kDemoUserId, kProgressNote, encounter, patient, kDemoEnterpriseId, kDemoOfficeId);

  auto clerk = Login(QStringLiteral("clerk"));
  const auto error = Failure([&] {
    clerk->LockEncounter(kDemoClerkUserId, kProgressNote, encounter, patient, kDemoEnterpriseId, kDemoOfficeId);
  });
  EXPECT_EQ(error.Number(), kClinicErrorLocked);
  EXPECT_TRUE(error.Description().contains(QStringLiteral("Morgan, Dana"))) << error.Description().toStdString();
  EXPECT_FALSE(error.Description().contains(kSessionTimedOut));

  // Only the holder's unlock releases it; unlocking what is not locked is harmless.
  clerk->UnLockEncounter(kDemoClerkUserId, kProgressNote, encounter);
  Failure([&] {
    clerk->LockEncounter(kDemoClerkUserId, kProgressNote, encounter, patient, kDemoEnterpriseId, kDemoOfficeId);
  });
  clinic_->UnLockEncounter(kDemoUserId, kProgressNote, encounter);
  clinic_->UnLockEncounter(kDemoUserId, kProgressNote, encounter);
  clinic_->UnLockEncounter(kDemoUserId, kProgressNote, 0);
  clerk->LockEncounter(kDemoClerkUserId, kProgressNote, encounter, patient, kDemoEnterpriseId, kDemoOfficeId);

  // Another patient's encounter, a signed one and a missing one are refused.
  qint64 otherPatient = kDemoFirstPatientId + 1;
  EXPECT_EQ(Failure([&] {
              clinic_->LockEncounter(kDemoUserId, kProgressNote, encounter, otherPatient, kDemoEnterpriseId,
                                     kDemoOfficeId);
            }).Number(),
            kClinicErrorRequest);
  qint64 signedOne = Count(QStringLiteral("SELECT min(id) AS n FROM encounters WHERE signed <> 0"));
  patient = 0;
  EXPECT_TRUE(Failure([&] {
                clinic_->LockEncounter(kDemoUserId, kProgressNote, signedOne, patient, kDemoEnterpriseId,
                                       kDemoOfficeId);
              })
                  .Description()
                  .contains(QStringLiteral("signed")));
  qint64 missing = 999999;
  Failure(
      [&] { clinic_->LockEncounter(kDemoUserId, kProgressNote, missing, patient, kDemoEnterpriseId, kDemoOfficeId); });
}

PYXA_ON_BOTH_CLINICS(EncounterTest);

}  // namespace
}  // namespace pyxa::clinictest
