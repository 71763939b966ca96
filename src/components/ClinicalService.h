// The clinical web service as the program sees it: the session object created at each login.
// Every member may throw ServiceError; callers inspect its description (session expired,
// connection lost) as the session rules say. List results come back as a names array and a
// values table indexed (row, field); a values table that is "not an array" means nothing found.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>
#include <stdexcept>

#include "components/DocumentRecords.h"

namespace pyxa {

// Rows of field values; a null QVariant is a null field. std::nullopt: not an array (no rows).
using ValueRows = QVector<QVector<QVariant>>;
using ValuesTable = std::optional<ValueRows>;

// The error a service member raises: a number and the description callers test by substring.
class ServiceError : public std::runtime_error {
 public:
  ServiceError(qint32 number, const QString& description)
      : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
  qint32 Number() const { return number_; }
  const QString& Description() const { return description_; }

 private:
  qint32 number_;
  QString description_;
};

// Phrases the service puts in its error descriptions.
inline const QString kWrongLoginOrPassword = QStringLiteral("Wrong Login or Password");
inline const QString kSessionTimedOut = QStringLiteral("session timed out");
inline const QString kUnableToConnect = QStringLiteral("Unable to connect");

// Columns of the category table (seventh list of GetCategories): 0 "ID", 1 "Name".
inline const QStringList kCategoryFields = {QStringLiteral("ID"), QStringLiteral("Name")};

class ClinicalService {
 public:
  virtual ~ClinicalService() = default;

  // Session.
  virtual void Connect(const QString& login, const QString& password) = 0;  // component's own endpoint
  virtual void Connect(const QString& login, const QString& password, const QString& url) = 0;
  virtual QString URL() const = 0;
  virtual void SetTimeOffset(const QString& login) = 0;
  virtual QDateTime GetServerTime() = 0;

  // The logged-in user.
  virtual qint64 UserID() const = 0;
  virtual qint64 OfficeID() const = 0;
  virtual qint64 EnterpriseID() const = 0;
  virtual bool CanUploadRpts() const = 0;
  virtual bool CanReviewRpts() const = 0;
  virtual qint32 Timeout() const = 0;

  // Reference lists. Pairs of names and values: laboratories ("LID", "szLaboratory"), providers
  // ("lid", "physName": the fourth argument is the physician table), lab report types ("lid",
  // "szName"); the seventh is the category table with the columns of kCategoryFields.
  virtual void GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames,
                             ValuesTable& physicians, QStringList& labTypeNames, ValuesTable& labTypes,
                             ValuesTable& categories) = 0;
  virtual void GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) = 0;
  virtual void GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) = 0;
  virtual void GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) = 0;
  virtual void GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) = 0;

  // Patients and people.
  virtual void FindPatient(const QString& firstName, const QString& lastName, const QString& chart,
                           const QString& areaCode, const QString& phone1, const QString& phone2,
                           const QString& hcn, QString& dateOfBirth, QStringList& names, ValuesTable& values) = 0;
  virtual void GetPatientNameByID(qint64 patientId, QStringList& names, ValuesTable& values) = 0;
  virtual void GetUserNameByID(qint64 userId, QStringList& names, ValuesTable& values) = 0;
  virtual void GetPhysicianInfo(qint64 physicianId, QStringList& names, ValuesTable& values) = 0;

  // Encounters.
  virtual void GetUnsignedEncounters(qint64 physicianId, qint64 patientId, qint64 userId, QStringList& names,
                                     ValuesTable& values) = 0;
  virtual void CreateEncounter(qint64 physicianId, qint64 patientId, QString& encounterDate, QStringList& names,
                               ValuesTable& values) = 0;
  virtual void LockEncounter(qint64 userId, const QString& noteKind, qint64& encounterId, qint64& patientId,
                             qint64 enterpriseId, qint64 officeId) = 0;
  virtual void UnLockEncounter(qint64 userId, const QString& noteKind, qint64 encounterId) = 0;

  // Documents.
  // Hands one stored document (its metadata and FileData) to the clinic. uploadKey is the same for every
  // attempt at one stored document, so that an attempt repeated after a crash is recognised and not stored
  // twice; answers the clinic's identifier of the received document. Throws ServiceError.
  virtual qint64 UploadDocument(const Document& document, const QString& uploadKey) = 0;
};

// Creates a fresh, unconnected session object: one per login attempt.
class ClinicalServiceFactory {
 public:
  virtual ~ClinicalServiceFactory() = default;
  virtual std::unique_ptr<ClinicalService> Create() = 0;
};

// Reads a field of a list result by exact name; null and missing give an empty text.
QString FieldText(const QStringList& names, const ValuesTable& values, int row, const QString& field);
// Number of rows; 0 when the values table is not an array.
int RowCount(const ValuesTable& values);

}  // namespace pyxa
