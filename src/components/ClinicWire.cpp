#include "components/ClinicWire.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

#include "components/ClinicErrors.h"

namespace pyxa::wire {
namespace {

// JSON numbers are doubles: identifiers beyond 2^53 would lose digits, so they travel as text.
constexpr qint64 kExactInJson = qint64{1} << 53;

QJsonValue ToJson(const QVariant& value) {
  if (value.isNull() || !value.isValid()) return QJsonValue(QJsonValue::Null);
  switch (value.typeId()) {
    case QMetaType::Bool:
      return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
      const qint64 number = value.toLongLong();
      if (number > -kExactInJson && number < kExactInJson) return QJsonValue(number);
      return QString::number(number);
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return value.toDouble();
    default:
      return value.toString();
  }
}

QVariant FromJson(const QJsonValue& value) {
  switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
      return {};
    case QJsonValue::Bool:
      return value.toBool();
    case QJsonValue::Double: {
      // Whole numbers come back as the integers the clinic stored, as the embedded clinic gives them.
      const double number = value.toDouble();
      if (std::floor(number) == number && std::fabs(number) < static_cast<double>(kExactInJson)) {
        return QVariant::fromValue(static_cast<qlonglong>(number));
      }
      return number;
    }
    case QJsonValue::String:
      return value.toString();
    default:
      throw WireError("a list cell is neither a number, a text nor null");
  }
}

QJsonValue Required(const QJsonObject& object, const QString& key) {
  const auto found = object.constFind(key);
  if (found == object.constEnd()) throw WireError(QStringLiteral("\"%1\" is missing").arg(key).toStdString());
  return *found;
}

}  // namespace

qint64 IntField(const QJsonObject& object, const QString& key) {
  const QJsonValue value = Required(object, key);
  if (value.isString()) {
    bool ok = false;
    const qint64 number = value.toString().toLongLong(&ok);
    if (ok) return number;
  } else if (value.isDouble()) {
    const double number = value.toDouble();
    if (std::floor(number) == number && std::fabs(number) < static_cast<double>(kExactInJson)) {
      return static_cast<qint64>(number);
    }
  }
  throw WireError(QStringLiteral("\"%1\" is not a whole number").arg(key).toStdString());
}

QString TextField(const QJsonObject& object, const QString& key) {
  const QJsonValue value = Required(object, key);
  if (!value.isString()) throw WireError(QStringLiteral("\"%1\" is not a text").arg(key).toStdString());
  return value.toString();
}

namespace {

bool Flag(const QJsonObject& object, const QString& key) {
  const QJsonValue value = Required(object, key);
  if (!value.isBool()) throw WireError(QStringLiteral("\"%1\" is not true or false").arg(key).toStdString());
  return value.toBool();
}


QJsonObject List(const QStringList& names, const ValuesTable& values) { return ListToJson(names, values); }

}  // namespace

QJsonValue IdToJson(qint64 id) { return ToJson(QVariant::fromValue(static_cast<qlonglong>(id))); }

const QStringList& Members() {
  static const QStringList members = {
      kConnect,
      QStringLiteral("SetTimeOffset"),
      QStringLiteral("GetServerTime"),
      QStringLiteral("GetCategories"),
      QStringLiteral("GetUsersCountry"),
      QStringLiteral("GetDITypes"),
      QStringLiteral("GetCorrespondenceTypes"),
      QStringLiteral("GetVisitTypes"),
      QStringLiteral("FindPatient"),
      QStringLiteral("GetPatientNameByID"),
      QStringLiteral("GetUserNameByID"),
      QStringLiteral("GetPhysicianInfo"),
      QStringLiteral("GetUnsignedEncounters"),
      QStringLiteral("CreateEncounter"),
      QStringLiteral("LockEncounter"),
      QStringLiteral("UnLockEncounter"),
      kUploadDocument,
  };
  return members;
}

QJsonObject ListToJson(const QStringList& names, const ValuesTable& values) {
  QJsonObject list;
  list.insert(QStringLiteral("names"), QJsonArray::fromStringList(names));
  if (!values) {
    list.insert(QStringLiteral("values"), QJsonValue(QJsonValue::Null));
    return list;
  }
  QJsonArray rows;
  for (const auto& row : *values) {
    QJsonArray cells;
    for (const QVariant& cell : row) cells.append(ToJson(cell));
    rows.append(cells);
  }
  list.insert(QStringLiteral("values"), rows);
  return list;
}

void ListFromJson(const QJsonObject& list, QStringList& names, ValuesTable& values) {
  const QJsonValue nameArray = Required(list, QStringLiteral("names"));
  const QJsonValue valueArray = Required(list, QStringLiteral("values"));
  if (!nameArray.isArray()) throw WireError("a list's names are not an array");
  QStringList readNames;
  for (const QJsonValue& name : nameArray.toArray()) {
    if (!name.isString()) throw WireError("a list's field name is not a text");
    readNames.append(name.toString());
  }
  ValuesTable readValues;
  if (!valueArray.isNull()) {
    if (!valueArray.isArray()) throw WireError("a list's values are not an array");
    ValueRows rows;
    for (const QJsonValue& row : valueArray.toArray()) {
      if (!row.isArray() || row.toArray().size() != readNames.size()) {
        throw WireError("a list's row does not have one value for each field");
      }
      QVector<QVariant> cells;
      cells.reserve(readNames.size());
      for (const QJsonValue& cell : row.toArray()) cells.append(FromJson(cell));
      rows.append(std::move(cells));
    }
    readValues = std::move(rows);
  }
  names = std::move(readNames);
  values = std::move(readValues);
}

QByteArray ErrorBody(const ServiceError& error) {
  QJsonObject inner;
  inner.insert(QStringLiteral("number"), error.Number());
  inner.insert(QStringLiteral("description"), error.Description());
  QJsonObject outer;
  outer.insert(QStringLiteral("error"), inner);
  return ToBody(outer);
}

std::optional<ServiceError> ErrorFromBody(const QByteArray& body) {
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(body, &parsed);
  if (parsed.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
  const QJsonValue inner = document.object().value(QStringLiteral("error"));
  if (!inner.isObject()) return std::nullopt;
  const QJsonObject error = inner.toObject();
  const QJsonValue number = error.value(QStringLiteral("number"));
  const QJsonValue description = error.value(QStringLiteral("description"));
  if (!number.isDouble() || !description.isString()) return std::nullopt;
  return ServiceError(number.toInt(), description.toString());
}

int HttpStatusFor(qint32 errorNumber) {
  switch (errorNumber) {
    case kClinicErrorLogin:
    case kClinicErrorSession:
      return 401;
    case kClinicErrorLocked:
      return 409;
    case kClinicErrorThrottled:
      return 429;
    case kClinicErrorConnect:
    case kClinicErrorTimedOut:
      return 503;
    case kClinicErrorServer:
      return 500;
    default:
      return 400;
  }
}

QJsonObject DocumentToJson(const Document& document, const QString& uploadKey) {
  QJsonObject fields;
  fields.insert(QStringLiteral("uploadKey"), uploadKey);
  fields.insert(QStringLiteral("userId"), IdToJson(document.UserID));
  fields.insert(QStringLiteral("patientId"), IdToJson(document.PatientID));
  fields.insert(QStringLiteral("lastName"), document.LastName);
  fields.insert(QStringLiteral("firstName"), document.FirstName);
  fields.insert(QStringLiteral("chart"), document.Chart);
  fields.insert(QStringLiteral("hcn"), document.HCN);
  fields.insert(QStringLiteral("areaCode"), document.AreaCode);
  fields.insert(QStringLiteral("phone1"), document.Phone1);
  fields.insert(QStringLiteral("phone2"), document.Phone2);
  fields.insert(QStringLiteral("encounterId"), IdToJson(document.EncounterID));
  fields.insert(QStringLiteral("categoryId"), IdToJson(document.CategoryID));
  fields.insert(QStringLiteral("documentTypeId"), IdToJson(document.DocumentTypeID));
  fields.insert(QStringLiteral("documentTypeDesc"), document.DocumentTypeDesc);
  fields.insert(QStringLiteral("physicianId"), IdToJson(document.PhysicianID));
  fields.insert(QStringLiteral("senderId"), IdToJson(document.SenderID));
  fields.insert(QStringLiteral("sender"), document.Sender);
  fields.insert(QStringLiteral("documentName"), document.DocumentName);
  fields.insert(QStringLiteral("documentDate"), document.DocumentDate.isValid()
                                                    ? QJsonValue(document.DocumentDate.toString(Qt::ISODateWithMs))
                                                    : QJsonValue(QJsonValue::Null));
  fields.insert(QStringLiteral("docDateModified"), document.DocDateModified);
  fields.insert(QStringLiteral("signOff"), document.SignOff);
  fields.insert(QStringLiteral("abnormal"), document.Abnormal);
  fields.insert(QStringLiteral("notes"), document.Notes);
  return fields;
}

Document DocumentFromJson(const QJsonObject& fields, QString& uploadKey) {
  Document document;
  uploadKey = TextField(fields, QStringLiteral("uploadKey"));
  document.UserID = IntField(fields, QStringLiteral("userId"));
  document.PatientID = IntField(fields, QStringLiteral("patientId"));
  document.LastName = TextField(fields, QStringLiteral("lastName"));
  document.FirstName = TextField(fields, QStringLiteral("firstName"));
  document.Chart = TextField(fields, QStringLiteral("chart"));
  document.HCN = TextField(fields, QStringLiteral("hcn"));
  document.AreaCode = TextField(fields, QStringLiteral("areaCode"));
  document.Phone1 = TextField(fields, QStringLiteral("phone1"));
  document.Phone2 = TextField(fields, QStringLiteral("phone2"));
  document.EncounterID = IntField(fields, QStringLiteral("encounterId"));
  document.CategoryID = IntField(fields, QStringLiteral("categoryId"));
  document.DocumentTypeID = IntField(fields, QStringLiteral("documentTypeId"));
  document.DocumentTypeDesc = TextField(fields, QStringLiteral("documentTypeDesc"));
  document.PhysicianID = IntField(fields, QStringLiteral("physicianId"));
  document.SenderID = IntField(fields, QStringLiteral("senderId"));
  document.Sender = TextField(fields, QStringLiteral("sender"));
  document.DocumentName = TextField(fields, QStringLiteral("documentName"));
  const QJsonValue date = Required(fields, QStringLiteral("documentDate"));
  if (!date.isNull()) {
    document.DocumentDate = QDateTime::fromString(date.toString(), Qt::ISODateWithMs);
    if (!document.DocumentDate.isValid()) throw WireError("\"documentDate\" is not a date and time");
  }
  document.DocDateModified = Flag(fields, QStringLiteral("docDateModified"));
  document.SignOff = Flag(fields, QStringLiteral("signOff"));
  document.Abnormal = Flag(fields, QStringLiteral("abnormal"));
  document.Notes = TextField(fields, QStringLiteral("notes"));
  return document;
}

QJsonObject LoginToJson(const Login& login) {
  QJsonObject answer;
  answer.insert(QStringLiteral("token"), login.token);
  answer.insert(QStringLiteral("userId"), IdToJson(login.userId));
  answer.insert(QStringLiteral("officeId"), IdToJson(login.officeId));
  answer.insert(QStringLiteral("enterpriseId"), IdToJson(login.enterpriseId));
  answer.insert(QStringLiteral("canUploadRpts"), login.canUploadRpts);
  answer.insert(QStringLiteral("canReviewRpts"), login.canReviewRpts);
  answer.insert(QStringLiteral("timeout"), login.timeout);
  return answer;
}

Login LoginFromJson(const QJsonObject& answer) {
  Login login;
  login.token = TextField(answer, QStringLiteral("token"));
  if (login.token.isEmpty()) throw WireError("the session token is empty");
  login.userId = IntField(answer, QStringLiteral("userId"));
  login.officeId = IntField(answer, QStringLiteral("officeId"));
  login.enterpriseId = IntField(answer, QStringLiteral("enterpriseId"));
  login.canUploadRpts = Flag(answer, QStringLiteral("canUploadRpts"));
  login.canReviewRpts = Flag(answer, QStringLiteral("canReviewRpts"));
  login.timeout = static_cast<qint32>(IntField(answer, QStringLiteral("timeout")));
  return login;
}

QJsonObject Serve(ClinicalService& clinic, const QString& member, const QJsonObject& a) {
  QStringList names;
  ValuesTable values;
  QJsonObject answer;
  const auto id = [&](const char* key) { return IntField(a, QLatin1String(key)); };
  if (member == QStringLiteral("SetTimeOffset")) {
    clinic.SetTimeOffset(TextField(a, QStringLiteral("login")));
  } else if (member == QStringLiteral("GetServerTime")) {
    answer.insert(QStringLiteral("serverTime"), clinic.GetServerTime().toUTC().toString(Qt::ISODateWithMs));
  } else if (member == QStringLiteral("GetCategories")) {
    QStringList labNames, physicianNames, labTypeNames;
    ValuesTable labs, physicians, labTypes, categories;
    clinic.GetCategories(labNames, labs, physicianNames, physicians, labTypeNames, labTypes, categories);
    answer.insert(QStringLiteral("laboratories"), List(labNames, labs));
    answer.insert(QStringLiteral("physicians"), List(physicianNames, physicians));
    answer.insert(QStringLiteral("labReportTypes"), List(labTypeNames, labTypes));
    answer.insert(QStringLiteral("categories"), List(kCategoryFields, categories));
    return answer;
  } else if (member == QStringLiteral("GetUsersCountry")) {
    clinic.GetUsersCountry(id("userId"), names, values);
  } else if (member == QStringLiteral("GetDITypes")) {
    clinic.GetDITypes(id("officeId"), names, values);
  } else if (member == QStringLiteral("GetCorrespondenceTypes")) {
    clinic.GetCorrespondenceTypes(id("physicianId"), names, values);
  } else if (member == QStringLiteral("GetVisitTypes")) {
    clinic.GetVisitTypes(id("physicianId"), names, values);
  } else if (member == QStringLiteral("FindPatient")) {
    QString dateOfBirth = TextField(a, QStringLiteral("dateOfBirth"));
    clinic.FindPatient(TextField(a, QStringLiteral("firstName")), TextField(a, QStringLiteral("lastName")),
                       TextField(a, QStringLiteral("chart")), TextField(a, QStringLiteral("areaCode")),
                       TextField(a, QStringLiteral("phone1")), TextField(a, QStringLiteral("phone2")),
                       TextField(a, QStringLiteral("hcn")), dateOfBirth, names, values);
    answer = List(names, values);
    answer.insert(QStringLiteral("dateOfBirth"), dateOfBirth);
    return answer;
  } else if (member == QStringLiteral("GetPatientNameByID")) {
    clinic.GetPatientNameByID(id("patientId"), names, values);
  } else if (member == QStringLiteral("GetUserNameByID")) {
    clinic.GetUserNameByID(id("userId"), names, values);
  } else if (member == QStringLiteral("GetPhysicianInfo")) {
    clinic.GetPhysicianInfo(id("physicianId"), names, values);
  } else if (member == QStringLiteral("GetUnsignedEncounters")) {
    clinic.GetUnsignedEncounters(id("physicianId"), id("patientId"), clinic.UserID(), names, values);
  } else if (member == QStringLiteral("CreateEncounter")) {
    QString encounterDate = TextField(a, QStringLiteral("encounterDate"));
    clinic.CreateEncounter(id("physicianId"), id("patientId"), encounterDate, names, values);
    answer = List(names, values);
    answer.insert(QStringLiteral("encounterDate"), encounterDate);
    return answer;
  } else if (member == QStringLiteral("LockEncounter")) {
    qint64 encounterId = id("encounterId");
    qint64 patientId = id("patientId");
    clinic.LockEncounter(clinic.UserID(), TextField(a, QStringLiteral("noteKind")), encounterId, patientId,
                         clinic.EnterpriseID(), clinic.OfficeID());
    answer.insert(QStringLiteral("encounterId"), IdToJson(encounterId));
    answer.insert(QStringLiteral("patientId"), IdToJson(patientId));
    return answer;
  } else if (member == QStringLiteral("UnLockEncounter")) {
    clinic.UnLockEncounter(clinic.UserID(), TextField(a, QStringLiteral("noteKind")), id("encounterId"));
  } else {
    throw ServiceError(kClinicErrorRequest, QStringLiteral("The clinic has no member \"%1\".").arg(member));
  }
  if (!names.isEmpty() || values) answer = List(names, values);
  return answer;
}

QByteArray ToBody(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

QJsonObject ObjectFromBody(const QByteArray& body) {
  QJsonParseError parsed{};
  const QJsonDocument document = QJsonDocument::fromJson(body, &parsed);
  if (parsed.error != QJsonParseError::NoError) {
    throw WireError(QStringLiteral("it is not JSON (%1 at byte %2)")
                        .arg(parsed.errorString())
                        .arg(parsed.offset)
                        .toStdString());
  }
  if (!document.isObject()) throw WireError("it is not a JSON object");
  return document.object();
}

}  // namespace pyxa::wire
