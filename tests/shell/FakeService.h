// A scripted stand-in for the clinical service: records every call with its arguments and
// raises the errors a test queues, so that session rules can be checked call by call.
#pragma once

#include "components/ClinicalService.h"

#include <QMap>
#include <QStringList>
#include <deque>
#include <memory>

namespace pyxa::testing {

struct FakeServiceLog {
  QStringList calls;                         // "Connect(demo,secret)", "GetServerTime", ...
  std::deque<QString> failures;              // descriptions raised by the next calls, in order
  std::deque<QString> connectFailures;       // descriptions raised by the next Connect calls
  int objectsCreated = 0;
  QString country = QStringLiteral("1");
  bool canUpload = true;
  bool canReview = true;
  // What the list calls answer; a values table left empty is "not an array".
  QStringList patientNames = {QStringLiteral("lID"),       QStringLiteral("szLast"),     QStringLiteral("szFirst"),
                              QStringLiteral("dDOB"),      QStringLiteral("sValue"),     QStringLiteral("szChartNum"),
                              QStringLiteral("szPhoneArea"), QStringLiteral("szPhone1"), QStringLiteral("szPhone2")};
  ValuesTable patients;
  ValuesTable diTypes, correspondenceTypes, visitTypes;
  ValuesTable physicians = ValueRows{{11, QStringLiteral("Okafor, Adaeze")}};
  ValuesTable categories = ValueRows{{1, QStringLiteral("Lab Report")}, {4, QStringLiteral("Clinical Notes")}};
  // What the name lookups answer for an identifier; one not listed answers no row.
  QMap<qint64, QVariantList> patientRows, userRows, physicianRows;
};

class FakeService final : public ClinicalService {
 public:
  explicit FakeService(FakeServiceLog& log) : log_(log) {}

  void Connect(const QString& login, const QString& password) override {
    Record(QStringLiteral("Connect(%1,%2)").arg(login, password));
    FailConnect();
    url_ = QStringLiteral("file:///default/clinic.sqlite");
  }
  void Connect(const QString& login, const QString& password, const QString& url) override {
    Record(QStringLiteral("Connect(%1,%2,%3)").arg(login, password, url));
    FailConnect();
    url_ = url;
  }
  QString URL() const override { return url_; }
  void SetTimeOffset(const QString& login) override { Call(QStringLiteral("SetTimeOffset(%1)").arg(login)); }
  QDateTime GetServerTime() override {
    Call(QStringLiteral("GetServerTime"));
    return QDateTime(QDate(2026, 1, 5), QTime(9, 0));
  }
  qint64 UserID() const override { return 17; }
  qint64 OfficeID() const override { return 3; }
  qint64 EnterpriseID() const override { return 1; }
  bool CanUploadRpts() const override { return log_.canUpload; }
  bool CanReviewRpts() const override { return log_.canReview; }
  qint32 Timeout() const override { return 60; }

  void GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames, ValuesTable& physicians,
                     QStringList& labTypeNames, ValuesTable& labTypes, ValuesTable& categories) override {
    Call(QStringLiteral("GetCategories"));
    labNames = {QStringLiteral("LID"), QStringLiteral("szLaboratory")};
    labs = ValueRows{{1, QStringLiteral("Lifelabs")}};
    physicianNames = {QStringLiteral("lid"), QStringLiteral("physName")};
    physicians = log_.physicians;
    labTypeNames = {QStringLiteral("lid"), QStringLiteral("szName")};
    labTypes = ValueRows{{21, QStringLiteral("Hematology")}};
    categories = log_.categories;
  }
  void GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) override {
    Call(QStringLiteral("GetUsersCountry(%1)").arg(userId));
    names = {QStringLiteral("nCountry")};
    values = ValueRows{{log_.country}};
  }
  void GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) override {
    Call(QStringLiteral("GetDITypes(%1)").arg(officeId));
    Types(log_.diTypes, names, values);
  }
  void GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override {
    Call(QStringLiteral("GetCorrespondenceTypes(%1)").arg(physicianId));
    Types(log_.correspondenceTypes, names, values);
  }
  void GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) override {
    Call(QStringLiteral("GetVisitTypes(%1)").arg(physicianId));
    Types(log_.visitTypes, names, values);
  }
  // Records "FindPatient(first,last,chart,area,phone1,phone2,hcn,dob)".
  void FindPatient(const QString& firstName, const QString& lastName, const QString& chart, const QString& areaCode,
                   const QString& phone1, const QString& phone2, const QString& hcn, QString& dateOfBirth,
                   QStringList& names, ValuesTable& values) override {
    Call(QStringLiteral("FindPatient(%1)")
             .arg(QStringList{firstName, lastName, chart, areaCode, phone1, phone2, hcn, dateOfBirth}.join(
                 QLatin1Char(','))));
    names = log_.patientNames;
    values = log_.patients;
  }
  void GetPatientNameByID(qint64 id, QStringList&, ValuesTable& values) override {
    Call(QStringLiteral("GetPatientNameByID(%1)").arg(id));
    values = Row(log_.patientRows, id);
  }
  void GetUserNameByID(qint64 id, QStringList&, ValuesTable& values) override {
    Call(QStringLiteral("GetUserNameByID(%1)").arg(id));
    values = Row(log_.userRows, id);
  }
  void GetPhysicianInfo(qint64 id, QStringList&, ValuesTable& values) override {
    Call(QStringLiteral("GetPhysicianInfo(%1)").arg(id));
    values = Row(log_.physicianRows, id);
  }
  void GetUnsignedEncounters(qint64, qint64, qint64, QStringList&, ValuesTable&) override {
    Call(QStringLiteral("GetUnsignedEncounters"));
  }
  void CreateEncounter(qint64, qint64, QString&, QStringList&, ValuesTable&) override {
    Call(QStringLiteral("CreateEncounter"));
  }
  void LockEncounter(qint64, const QString&, qint64&, qint64&, qint64, qint64) override {
    Call(QStringLiteral("LockEncounter"));
  }
  void UnLockEncounter(qint64, const QString&, qint64 encounterId) override {
    Call(QStringLiteral("UnLockEncounter(%1)").arg(encounterId));
  }
  qint64 UploadDocument(const Document&, const QString& uploadKey) override {
    Call(QStringLiteral("UploadDocument(%1)").arg(uploadKey));
    return log_.calls.size();
  }

 private:
  void Record(const QString& call) { log_.calls << call; }
  static ValuesTable Row(const QMap<qint64, QVariantList>& rows, qint64 id) {
    if (!rows.contains(id)) return ValueRows{};
    return ValueRows{rows.value(id)};
  }
  static void Types(const ValuesTable& rows, QStringList& names, ValuesTable& values) {
    names = {QStringLiteral("lid"), QStringLiteral("szName")};
    values = rows;
  }
  void Call(const QString& call) {
    Record(call);
    if (log_.failures.empty()) return;
    const QString description = log_.failures.front();
    log_.failures.pop_front();
    if (!description.isEmpty()) throw ServiceError(-2147467259, description);
  }
  void FailConnect() {
    if (log_.connectFailures.empty()) return;
    const QString description = log_.connectFailures.front();
    log_.connectFailures.pop_front();
    if (!description.isEmpty()) throw ServiceError(-2147467259, description);
  }

  FakeServiceLog& log_;
  QString url_;
};

class FakeServiceFactory final : public ClinicalServiceFactory {
 public:
  explicit FakeServiceFactory(FakeServiceLog& log) : log_(log) {}
  std::unique_ptr<ClinicalService> Create() override {
    ++log_.objectsCreated;
    return std::make_unique<FakeService>(log_);
  }

 private:
  FakeServiceLog& log_;
};

}  // namespace pyxa::testing
