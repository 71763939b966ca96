// The embedded clinic: the clinical web service answered from a SQLite clinic file named by a
// file: URL. Accounts, sessions, injected faults and data all live in that file, so every session
// object on it (in any process) shares them. Members throw ServiceError as the contract says.
#pragma once

#include <functional>
#include <memory>

#include "components/ClinicErrors.h"
#include "components/ClinicalService.h"
#include "platform/Clock.h"

namespace pyxa {

class SqlConnection;

// What an embedded clinic's object says when asked to reach a clinic server.
inline const QString kFileClinicsOnly =
    QStringLiteral("Unable to connect: the embedded clinic opens file: addresses only; log in again to reach a "
                   "clinic server");

class LocalClinic final : public ClinicalService {
 public:
  // defaultUrl: the endpoint of the two-argument Connect. The clock must outlive the object.
  LocalClinic(QString defaultUrl, const Clock& clock);
  ~LocalClinic() override;

  void Connect(const QString& login, const QString& password) override;
  void Connect(const QString& login, const QString& password, const QString& url) override;
  QString URL() const override;
  void SetTimeOffset(const QString& login) override;
  QDateTime GetServerTime() override;

  qint64 UserID() const override { return userId_; }
  qint64 OfficeID() const override { return officeId_; }
  qint64 EnterpriseID() const override { return enterpriseId_; }
  bool CanUploadRpts() const override { return canUpload_; }
  bool CanReviewRpts() const override { return canReview_; }
  qint32 Timeout() const override { return timeout_; }

  void GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames, ValuesTable& physicians,
                     QStringList& labTypeNames, ValuesTable& labTypes, ValuesTable& categories) override;
  void GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) override;
  void GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) override;
  void GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override;
  void GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override;

  // Names match by prefix whatever their letter case, accents and apostrophes (ClinicNameKey of
  // the typed and the stored name), the other criteria exactly; the date of birth is
  // month/day/year ("3/14/1957") or ISO, and may be empty. Rows come sorted by last, first name;
  // "dDOB" reads like "1957-03-14 00:00:00". No criteria, or an impossible date: no match.
  void FindPatient(const QString& firstName, const QString& lastName, const QString& chart, const QString& areaCode,
                   const QString& phone1, const QString& phone2, const QString& hcn, QString& dateOfBirth,
                   QStringList& names, ValuesTable& values) override;
  void GetPatientNameByID(qint64 patientId, QStringList& names, ValuesTable& values) override;
  void GetUserNameByID(qint64 userId, QStringList& names, ValuesTable& values) override;
  void GetPhysicianInfo(qint64 physicianId, QStringList& names, ValuesTable& values) override;

  // physicianId 0 lists the patient's unsigned encounters with every physician.
  void GetUnsignedEncounters(qint64 physicianId, qint64 patientId, qint64 userId, QStringList& names,
                             ValuesTable& values) override;
  // encounterDate: month/day/year or ISO; empty means today. It is given back in the stored form.
  void CreateEncounter(qint64 physicianId, qint64 patientId, QString& encounterDate, QStringList& names,
                       ValuesTable& values) override;
  // patientId 0 is filled with the encounter's patient; another patient's encounter is refused.
  void LockEncounter(qint64 userId, const QString& noteKind, qint64& encounterId, qint64& patientId,
                     qint64 enterpriseId, qint64 officeId) override;
  // Releases this user's reservation; an encounter not reserved by the user is left as it is.
  void UnLockEncounter(qint64 userId, const QString& noteKind, qint64 encounterId) override;

  // Keeps the document in the clinic's received documents. A key already received answers the
  // document received under it, without storing a second one. Refuses a document without file
  // data, without a key, or for a patient the clinic does not know.
  qint64 UploadDocument(const Document& document, const QString& uploadKey) override;

 private:
  // Opens the clinic file of the session, applies the injected faults and the session rule, and
  // runs the work in one write transaction. SqlError becomes ServiceError.
  void Call(const std::function<void(SqlConnection&)>& work);
  void Forget();

  QString defaultUrl_;
  const Clock& clock_;
  QString url_;
  QString path_;
  qint64 sessionId_ = 0;
  QString token_;
  qint64 userId_ = 0;
  qint64 officeId_ = 0;
  qint64 enterpriseId_ = 0;
  bool canUpload_ = false;
  bool canReview_ = false;
  qint32 timeout_ = 0;
};

}  // namespace pyxa
