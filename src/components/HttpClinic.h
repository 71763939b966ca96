// The clinical web service reached over the network: every member of the contract as a call to a
// clinic server at an https: address (http: only when the user has accepted an insecure address),
// in the form ClinicWire fixes. Failures come back as the ServiceErrors the session rules know: a
// refused, lost, untrusted or silent server as a connection error, an expired session by its phrase.
#pragma once

#include <QSslConfiguration>
#include <QUrl>
#include <memory>

#include "components/CallWaiter.h"
#include "components/ClinicErrors.h"
#include "components/ClinicalService.h"

class QHttpMultiPart;
class QJsonObject;
class QNetworkAccessManager;

namespace pyxa {

inline constexpr int kDefaultServiceTimeoutSeconds = 60;

struct HttpClinicOptions {
  int timeoutSeconds = 0;       // the whole time one call may take; 0: the clinic's own, else 60
  QString caFile;               // certificates trusted beside the system's (PEM); empty: the system's only
  bool allowPlainHttp = false;  // the user has accepted an address that is not https:
  CallWaiter* waiter = nullptr;  // must outlive the object; none: calls wait without a window
};

class HttpClinic final : public ClinicalService {
 public:
  HttpClinic(QString defaultUrl, HttpClinicOptions options);
  ~HttpClinic() override;

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
  // The time-out every call is given, in seconds.
  qint32 Timeout() const override;

  void GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames, ValuesTable& physicians,
                     QStringList& labTypeNames, ValuesTable& labTypes, ValuesTable& categories) override;
  void GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) override;
  void GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) override;
  void GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override;
  void GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override;
  void FindPatient(const QString& firstName, const QString& lastName, const QString& chart, const QString& areaCode,
                   const QString& phone1, const QString& phone2, const QString& hcn, QString& dateOfBirth,
                   QStringList& names, ValuesTable& values) override;
  void GetPatientNameByID(qint64 patientId, QStringList& names, ValuesTable& values) override;
  void GetUserNameByID(qint64 userId, QStringList& names, ValuesTable& values) override;
  void GetPhysicianInfo(qint64 physicianId, QStringList& names, ValuesTable& values) override;
  void GetUnsignedEncounters(qint64 physicianId, qint64 patientId, qint64 userId, QStringList& names,
                             ValuesTable& values) override;
  void CreateEncounter(qint64 physicianId, qint64 patientId, QString& encounterDate, QStringList& names,
                       ValuesTable& values) override;
  void LockEncounter(qint64 userId, const QString& noteKind, qint64& encounterId, qint64& patientId,
                     qint64 enterpriseId, qint64 officeId) override;
  void UnLockEncounter(qint64 userId, const QString& noteKind, qint64 encounterId) override;
  qint64 UploadDocument(const Document& document, const QString& uploadKey) override;

 private:
  // One member of the session, its body the JSON arguments or a multipart form (taken over): throws
  // the session error without a session, and drops the session when the clinic says it has expired.
  QJsonObject Call(const QString& member, const QByteArray& body, QHttpMultiPart* multipart = nullptr);
  QJsonObject Call(const QString& member, const QJsonObject& arguments);
  void List(const QString& member, const QJsonObject& arguments, QStringList& names, ValuesTable& values);
  // Sends one request and reads the answer; multipart, when given, is the body (and is taken over).
  QJsonObject Exchange(const QString& member, const QByteArray& body, QHttpMultiPart* multipart, bool withToken);
  QString Where() const;
  void Forget();

  QString defaultUrl_;
  HttpClinicOptions options_;
  std::unique_ptr<QNetworkAccessManager> manager_;
  QSslConfiguration ssl_;
  QUrl base_;
  QString url_;
  QByteArray token_;
  qint64 userId_ = 0;
  qint64 officeId_ = 0;
  qint64 enterpriseId_ = 0;
  bool canUpload_ = false;
  bool canReview_ = false;
  qint32 clinicTimeout_ = 0;
};

}  // namespace pyxa
