#include "components/LocalClinic.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>
#include <utility>

#include "components/ClinicFaults.h"
#include "components/ClinicSchema.h"
#include "platform/Sql.h"

namespace pyxa {
namespace {

constexpr qint64 kSessionTouchMs = 5000;

const QString kNotLoggedIn = QStringLiteral("Your session timed out or you have not logged in yet. Please log in.");
const QString kSessionExpired = QStringLiteral("Your session timed out. Please log in again.");
const QString kDateTimeSuffix = QStringLiteral(" 00:00:00");

ServiceError ConnectError(const QString& detail) {
  return ServiceError(kClinicErrorConnect, QStringLiteral("Unable to connect: ") + detail);
}

ServiceError FromSqlError(const SqlError& error, const QString& path) {
  const int primary = error.Code() & 0xff;
  if (error.IsBusy()) {
    return ServiceError(kClinicErrorTimedOut,
                        QStringLiteral("The request failed: the clinic file is busy. Please try again."));
  }
  if (error.IsNotADatabase() || primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR || primary == SQLITE_READONLY ||
      primary == SQLITE_PERM) {
    return ConnectError(QStringLiteral("the clinic file \"%1\" cannot be used (%2).").arg(path, error.Message()));
  }
  return ServiceError(kClinicErrorRequest,
                      QStringLiteral("The clinic could not complete the request: %1").arg(error.Message()));
}

// Opens a clinic file; a missing file, a file that is not a database, or a database without the
// clinic tables is reported in plain words.
std::unique_ptr<SqlConnection> OpenClinic(const QString& path, bool checkSchema) {
  const QFileInfo info(path);
  if (!info.exists()) throw ConnectError(QStringLiteral("the clinic file \"%1\" does not exist.").arg(path));
  if (!info.isFile()) throw ConnectError(QStringLiteral("\"%1\" is not a clinic file.").arg(path));
  std::unique_ptr<SqlConnection> connection;
  try {
    connection = std::make_unique<SqlConnection>(path);
  } catch (const SqlError& error) {
    if (error.IsNotADatabase()) {
      throw ConnectError(QStringLiteral("the clinic file \"%1\" is damaged or is not a clinic file.").arg(path));
    }
    throw FromSqlError(error, path);
  }
  if (checkSchema && !HasClinicSchema(*connection)) {
    throw ConnectError(QStringLiteral("\"%1\" is not a clinic file of this version.").arg(path));
  }
  DefineClinicNameKey(*connection);
  return connection;
}

// A date as the program sends it: month/day/year with a four-digit year, or ISO with an optional
// time. Empty text gives a null date; text that is no real date gives std::nullopt.
std::optional<QDate> ParseDate(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return QDate();
  static const QRegularExpression monthFirst(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{4})$"));
  static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})([ T]\\d{2}:\\d{2}(:\\d{2})?)?$"));
  QDate date;
  if (const auto m = monthFirst.match(trimmed); m.hasMatch()) {
    date = QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
  } else if (const auto i = iso.match(trimmed); i.hasMatch()) {
    date = QDate(i.captured(1).toInt(), i.captured(2).toInt(), i.captured(3).toInt());
  }
  if (!date.isValid()) return std::nullopt;
  return date;
}

// Typed text is matched literally: LIKE's wildcards and the escape character are escaped.
QString EscapeLike(const QString& text) {
  QString escaped;
  escaped.reserve(text.size() + 4);
  for (const QChar c : text) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_')) escaped += QLatin1Char('\\');
    escaped += c;
  }
  return escaped;
}

// Reads every row of a query whose column names are the list's field names. No rows: not an array.
void ReadList(SqlStatement& query, const QStringList& fields, QStringList& names, ValuesTable& values) {
  names = fields;
  ValueRows rows;
  while (query.Step()) {
    QVector<QVariant> row;
    row.reserve(fields.size());
    for (const QString& field : fields) row.append(query.Value(field));
    rows.append(std::move(row));
  }
  values = rows.isEmpty() ? ValuesTable() : ValuesTable(std::move(rows));
}

void ReadList(SqlConnection& connection, const QString& sql, const QVariant& argument, const QStringList& fields,
              QStringList& names, ValuesTable& values) {
  auto query = connection.Prepare(sql);
  if (!argument.isNull()) query.Bind(1, argument);
  ReadList(query, fields, names, values);
}

const QStringList kTypeFields = {QStringLiteral("lid"), QStringLiteral("szName")};
const QStringList kPatientFields = {
    QStringLiteral("lID"),         QStringLiteral("szLast"),   QStringLiteral("szFirst"),
    QStringLiteral("dDOB"),        QStringLiteral("sValue"),   QStringLiteral("szChartNum"),
    QStringLiteral("szPhoneArea"), QStringLiteral("szPhone1"), QStringLiteral("szPhone2")};
const QStringList kEncounterFields = {QStringLiteral("lID"),        QStringLiteral("dCurrentDate"),
                                      QStringLiteral("szLast"),     QStringLiteral("szFirst"),
                                      QStringLiteral("szICD"),      QStringLiteral("szICDDescription"),
                                      QStringLiteral("szComments"), QStringLiteral("nVisitType")};

const QString kEncounterSelect = QStringLiteral(
    "SELECT e.id AS lID, e.encounter_date || ' 00:00:00' AS dCurrentDate, p.last_name AS szLast,"
    " p.first_name AS szFirst, e.icd AS szICD, e.icd_description AS szICDDescription, e.comments AS szComments,"
    " e.visit_type AS nVisitType FROM encounters e JOIN patients p ON p.id = e.patient_id ");

bool Exists(SqlConnection& connection, const QString& table, qint64 id) {
  auto query = connection.Prepare(QStringLiteral("SELECT 1 AS found FROM %1 WHERE id = ?").arg(table));
  query.Bind(1, id);
  return query.Step();
}

}  // namespace

LocalClinic::LocalClinic(QString defaultUrl, const Clock& clock) : defaultUrl_(std::move(defaultUrl)), clock_(clock) {}

LocalClinic::~LocalClinic() = default;

void LocalClinic::Forget() {
  url_.clear();
  path_.clear();
  sessionId_ = 0;
  token_.clear();
  userId_ = officeId_ = enterpriseId_ = 0;
  canUpload_ = canReview_ = false;
  timeout_ = 0;
}

void LocalClinic::Connect(const QString& login, const QString& password) { Connect(login, password, defaultUrl_); }

void LocalClinic::Connect(const QString& login, const QString& password, const QString& url) {
  // A failed attempt leaves the object logged out, whatever it held before.
  Forget();
  const QString address = url.trimmed();
  if (address.isEmpty()) throw ConnectError(QStringLiteral("no clinic address is configured."));
  const QUrl parsed(address);
  const QString scheme = parsed.scheme().toLower();
  if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) {
    throw ServiceError(kClinicErrorConnect, kFileClinicsOnly);
  }
  if (!parsed.isValid() || !parsed.isLocalFile() || parsed.toLocalFile().isEmpty()) {
    throw ConnectError(QStringLiteral("\"%1\" is not the file: address of a clinic file.").arg(address));
  }
  const QString path = parsed.toLocalFile();
  try {
    auto connection = OpenClinic(path, true);
    {
      SqlTransaction transaction(*connection);
      auto fault = ClinicFaults::TakeFault(*connection);
      transaction.Commit();
      if (fault) throw *fault;
    }

    // The hash runs outside any transaction so that a login never holds the file's write lock.
    auto account = connection->Prepare(
        QStringLiteral("SELECT id, password_salt, password_hash, hash_iterations, office_id, enterprise_id,"
                       " can_upload, can_review FROM users WHERE login = ?"));
    account.Bind(1, login.trimmed());
    if (!account.Step() || login.trimmed().isEmpty()) {
      // Unknown logins cost as much as known ones, so that timing does not tell which exist.
      auto slowest = connection->Prepare(QStringLiteral("SELECT max(hash_iterations) AS n FROM users"));
      const int iterations = slowest.Step() ? static_cast<int>(slowest.Int(QStringLiteral("n"), 1)) : 1;
      HashPassword(password, QByteArray(16, '\0'), std::max(1, iterations));
      throw ServiceError(kClinicErrorLogin, kWrongLoginOrPassword);
    }
    const QByteArray expected = account.Blob(QStringLiteral("password_hash"));
    const QByteArray actual = HashPassword(password, account.Blob(QStringLiteral("password_salt")),
                                           static_cast<int>(account.Int(QStringLiteral("hash_iterations"), 1)));
    if (!SameDigest(expected, actual)) throw ServiceError(kClinicErrorLogin, kWrongLoginOrPassword);

    const qint64 userId = account.Int(QStringLiteral("id"));
    const qint64 officeId = account.Int(QStringLiteral("office_id"));
    const qint64 enterpriseId = account.Int(QStringLiteral("enterprise_id"));
    const bool canUpload = account.Int(QStringLiteral("can_upload")) != 0;
    const bool canReview = account.Int(QStringLiteral("can_review")) != 0;
    account.Reset();

    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const qint64 now = clock_.Now().toMSecsSinceEpoch();
    SqlTransaction transaction(*connection);
    const qint64 idleMs = qint64{ClinicConfigInt(*connection, kConfigIdleMinutes, kDefaultIdleMinutes)} * 60000;
    // Sessions nobody can use any more are dropped here, so the table does not grow without end.
    connection->Prepare(QStringLiteral("DELETE FROM sessions WHERE last_used_ms < ?")).Bind(1, now - idleMs).Run();
    connection
        ->Prepare(QStringLiteral("INSERT INTO sessions (user_id, token, started_ms, last_used_ms) VALUES (?,?,?,?)"))
        .Bind(1, userId)
        .Bind(2, token)
        .Bind(3, now)
        .Bind(4, now)
        .Run();
    const qint64 sessionId = static_cast<qint64>(connection->LastInsertId());
    const int timeout = ClinicConfigInt(*connection, kConfigTimeoutSeconds, kDefaultTimeoutSeconds);
    transaction.Commit();

    url_ = address;
    path_ = path;
    sessionId_ = sessionId;
    token_ = token;
    userId_ = userId;
    officeId_ = officeId;
    enterpriseId_ = enterpriseId;
    canUpload_ = canUpload;
    canReview_ = canReview;
    timeout_ = timeout;
  } catch (const SqlError& error) {
    throw FromSqlError(error, path);
  }
}

QString LocalClinic::URL() const { return url_.isEmpty() ? defaultUrl_ : url_; }

void LocalClinic::Call(const std::function<void(SqlConnection&)>& work) {
  if (sessionId_ == 0) throw ServiceError(kClinicErrorSession, kNotLoggedIn);
  try {
    auto connection = OpenClinic(path_, false);
    SqlTransaction transaction(*connection);
    if (auto fault = ClinicFaults::TakeFault(*connection)) {
      transaction.Commit();
      throw *fault;
    }

    const qint64 now = clock_.Now().toMSecsSinceEpoch();
    qint64 lastUsed = -1;
    {
      auto session =
          connection->Prepare(QStringLiteral("SELECT last_used_ms FROM sessions WHERE id = ? AND token = ?"));
      session.Bind(1, sessionId_).Bind(2, token_);
      if (session.Step()) lastUsed = session.Int(QStringLiteral("last_used_ms"));
    }
    const qint64 idleMs = qint64{ClinicConfigInt(*connection, kConfigIdleMinutes, kDefaultIdleMinutes)} * 60000;
    if (lastUsed < 0 || now - lastUsed > idleMs) {
      connection->Prepare(QStringLiteral("DELETE FROM sessions WHERE id = ?")).Bind(1, sessionId_).Run();
      transaction.Commit();
      throw ServiceError(kClinicErrorSession, kSessionExpired);
    }
    // Touching the session is a write, and a write waits for the disk: a session used within the last
    // few seconds is left as it is (its idle time-out counts in minutes), so that a run of quick reads
    // such as a list's name lookups stays a run of reads.
    if (now - lastUsed >= kSessionTouchMs) {
      connection->Prepare(QStringLiteral("UPDATE sessions SET last_used_ms = ? WHERE id = ?"))
          .Bind(1, std::max(now, lastUsed))
          .Bind(2, sessionId_)
          .Run();
    }

    work(*connection);
    transaction.Commit();
  } catch (const SqlError& error) {
    throw FromSqlError(error, path_);
  }
}

void LocalClinic::SetTimeOffset(const QString& /*login*/) {
  // The clinic and the program share one clock; there is no offset to keep.
  Call([](SqlConnection&) {});
}

QDateTime LocalClinic::GetServerTime() {
  Call([](SqlConnection&) {});
  return clock_.Now();
}

void LocalClinic::GetCategories(QStringList& labNames, ValuesTable& labs, QStringList& physicianNames,
                                ValuesTable& physicians, QStringList& labTypeNames, ValuesTable& labTypes,
                                ValuesTable& categories) {
  Call([&](SqlConnection& c) {
    ReadList(c, QStringLiteral("SELECT id AS LID, name AS szLaboratory FROM laboratories ORDER BY id"), {},
             {QStringLiteral("LID"), QStringLiteral("szLaboratory")}, labNames, labs);
    ReadList(
        c, QStringLiteral("SELECT id AS lid, last_name || ', ' || first_name AS physName FROM physicians ORDER BY id"),
        {}, {QStringLiteral("lid"), QStringLiteral("physName")}, physicianNames, physicians);
    ReadList(c, QStringLiteral("SELECT id AS lid, name AS szName FROM lab_report_types ORDER BY id"), {}, kTypeFields,
             labTypeNames, labTypes);
    QStringList categoryNames;
    ReadList(c,
             QStringLiteral("SELECT id AS \"%1\", name AS \"%2\" FROM categories ORDER BY id")
                 .arg(kCategoryFields.at(0), kCategoryFields.at(1)),
             {}, kCategoryFields, categoryNames, categories);
  });
}

void LocalClinic::GetUsersCountry(qint64 userId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c, QStringLiteral("SELECT country AS nCountry FROM users WHERE id = ?"), userId,
             {QStringLiteral("nCountry")}, names, values);
  });
}

void LocalClinic::GetDITypes(qint64 officeId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c, QStringLiteral("SELECT id AS lid, name AS szName FROM di_types WHERE office_id = ? ORDER BY id"),
             officeId, kTypeFields, names, values);
  });
}

void LocalClinic::GetCorrespondenceTypes(qint64 physicianId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c,
             QStringLiteral("SELECT id AS lid, name AS szName FROM correspondence_types WHERE physician_id = ?"
                            " ORDER BY id"),
             physicianId, kTypeFields, names, values);
  });
}

void LocalClinic::GetVisitTypes(qint64 physicianId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c, QStringLiteral("SELECT id AS lid, name AS szName FROM visit_types WHERE physician_id = ? ORDER BY id"),
             physicianId, kTypeFields, names, values);
  });
}

void LocalClinic::FindPatient(const QString& firstName, const QString& lastName, const QString& chart,
                              const QString& areaCode, const QString& phone1, const QString& phone2, const QString& hcn,
                              QString& dateOfBirth, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    names = kPatientFields;
    values.reset();
    QStringList clauses;
    QVariantList arguments;
    // Names are keyed afresh from the stored name, not read from the stored key columns: files
    // written before keys dropped accents and apostrophes still hold the older keys.
    const auto prefix = [&](const QString& column, const QString& text) {
      const QString key = ClinicNameKey(text);
      if (key.isEmpty()) return;
      clauses << QStringLiteral("clinic_name_key(%1) LIKE ? ESCAPE '\\'").arg(column);
      arguments << EscapeLike(key) + QLatin1Char('%');
    };
    const auto exact = [&](const QString& column, const QString& text) {
      if (text.trimmed().isEmpty()) return;
      clauses << column + QStringLiteral(" = ?");
      arguments << text.trimmed();
    };
    prefix(QStringLiteral("last_name"), lastName);
    prefix(QStringLiteral("first_name"), firstName);
    exact(QStringLiteral("chart"), chart);
    exact(QStringLiteral("phone_area"), areaCode);
    exact(QStringLiteral("phone1"), phone1);
    exact(QStringLiteral("phone2"), phone2);
    exact(QStringLiteral("hcn"), hcn);
    const auto dob = ParseDate(dateOfBirth);
    if (!dob) return;  // no patient is born on a day that does not exist
    if (dob->isValid()) {
      clauses << QStringLiteral("dob = ?");
      arguments << dob->toString(Qt::ISODate);
    }
    if (clauses.isEmpty()) return;  // nothing to look for: never hand out the whole register

    auto query =
        c.Prepare(QStringLiteral("SELECT id AS lID, last_name AS szLast, first_name AS szFirst, dob || '%1' AS dDOB,"
                                 " hcn AS sValue, chart AS szChartNum, phone_area AS szPhoneArea, phone1 AS szPhone1,"
                                 " phone2 AS szPhone2 FROM patients WHERE %2"
                                 " ORDER BY clinic_name_key(last_name), clinic_name_key(first_name), id")
                      .arg(kDateTimeSuffix, clauses.join(QStringLiteral(" AND "))));
    for (int i = 0; i < arguments.size(); ++i) query.Bind(i + 1, arguments.at(i));
    ReadList(query, kPatientFields, names, values);
  });
}

void LocalClinic::GetPatientNameByID(qint64 patientId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c,
             QStringLiteral("SELECT id AS lID, last_name AS szLast, first_name AS szFirst, chart AS szChartNum,"
                            " phone_area AS szPhoneArea, phone1 AS szPhone1, phone2 AS szPhone2"
                            " FROM patients WHERE id = ?"),
             patientId,
             {QStringLiteral("lID"), QStringLiteral("szLast"), QStringLiteral("szFirst"), QStringLiteral("szChartNum"),
              QStringLiteral("szPhoneArea"), QStringLiteral("szPhone1"), QStringLiteral("szPhone2")},
             names, values);
  });
}

void LocalClinic::GetUserNameByID(qint64 userId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c,
             QStringLiteral("SELECT id AS lID, login AS szLogin, first_name AS szFirst, last_name AS szLast"
                            " FROM users WHERE id = ?"),
             userId,
             {QStringLiteral("lID"), QStringLiteral("szLogin"), QStringLiteral("szFirst"), QStringLiteral("szLast")},
             names, values);
  });
}

void LocalClinic::GetPhysicianInfo(qint64 physicianId, QStringList& names, ValuesTable& values) {
  Call([&](SqlConnection& c) {
    ReadList(c,
             QStringLiteral("SELECT id AS lID, title AS szTitle, specialty AS szSpecialty, last_name AS szLast,"
                            " first_name AS szFirst FROM physicians WHERE id = ?"),
             physicianId,
             {QStringLiteral("lID"), QStringLiteral("szTitle"), QStringLiteral("szSpecialty"), QStringLiteral("szLast"),
              QStringLiteral("szFirst")},
             names, values);
  });
}

void LocalClinic::GetUnsignedEncounters(qint64 physicianId, qint64 patientId, qint64 /*userId*/, QStringList& names,
                                        ValuesTable& values) {
  Call([&](SqlConnection& c) {
    auto query = c.Prepare(kEncounterSelect +
                           QStringLiteral("WHERE e.patient_id = ? AND (? = 0 OR e.physician_id = ?) AND e.signed = 0"
                                          " ORDER BY e.encounter_date DESC, e.id DESC"));
    query.Bind(1, patientId).Bind(2, physicianId).Bind(3, physicianId);
    ReadList(query, kEncounterFields, names, values);
  });
}

void LocalClinic::CreateEncounter(qint64 physicianId, qint64 patientId, QString& encounterDate, QStringList& names,
                                  ValuesTable& values) {
  Call([&](SqlConnection& c) {
    if (!Exists(c, QStringLiteral("patients"), patientId)) {
      throw ServiceError(kClinicErrorRequest, QStringLiteral("Patient %1 does not exist.").arg(patientId));
    }
    if (!Exists(c, QStringLiteral("physicians"), physicianId)) {
      throw ServiceError(kClinicErrorRequest, QStringLiteral("Physician %1 does not exist.").arg(physicianId));
    }
    auto date = ParseDate(encounterDate);
    if (!date) {
      throw ServiceError(kClinicErrorRequest,
                         QStringLiteral("The encounter date \"%1\" is not a valid date.").arg(encounterDate));
    }
    if (date->isNull()) date = clock_.Now().date();
    c.Prepare(QStringLiteral("INSERT INTO encounters (patient_id, physician_id, encounter_date) VALUES (?,?,?)"))
        .Bind(1, patientId)
        .Bind(2, physicianId)
        .Bind(3, date->toString(Qt::ISODate))
        .Run();
    auto query = c.Prepare(kEncounterSelect + QStringLiteral("WHERE e.id = ?"));
    query.Bind(1, static_cast<qint64>(c.LastInsertId()));
    ReadList(query, kEncounterFields, names, values);
    encounterDate = date->toString(Qt::ISODate) + kDateTimeSuffix;
  });
}

void LocalClinic::LockEncounter(qint64 userId, const QString& noteKind, qint64& encounterId, qint64& patientId,
                                qint64 /*enterpriseId*/, qint64 /*officeId*/) {
  qint64 encounterPatient = 0;
  Call([&](SqlConnection& c) {
    qint64 lockedBy = 0;
    bool isSigned = false;
    {
      auto query = c.Prepare(QStringLiteral("SELECT patient_id, signed, locked_by FROM encounters WHERE id = ?"));
      query.Bind(1, encounterId);
      if (!query.Step()) {
        throw ServiceError(kClinicErrorRequest, QStringLiteral("Encounter %1 does not exist.").arg(encounterId));
      }
      encounterPatient = query.Int(QStringLiteral("patient_id"));
      isSigned = query.Int(QStringLiteral("signed")) != 0;
      lockedBy = query.Int(QStringLiteral("locked_by"), 0);
    }
    if (patientId != 0 && patientId != encounterPatient) {
      throw ServiceError(kClinicErrorRequest,
                         QStringLiteral("Encounter %1 does not belong to patient %2.").arg(encounterId).arg(patientId));
    }
    if (isSigned) {
      throw ServiceError(kClinicErrorRequest,
                         QStringLiteral("Encounter %1 is signed and can no longer be changed.").arg(encounterId));
    }
    if (lockedBy != 0 && lockedBy != userId) {
      QString holder = QStringLiteral("user %1").arg(lockedBy);
      auto user = c.Prepare(QStringLiteral("SELECT last_name || ', ' || first_name AS name FROM users WHERE id = ?"));
      user.Bind(1, lockedBy);
      if (user.Step()) holder = user.Text(QStringLiteral("name"));
      throw ServiceError(kClinicErrorLocked,
                         QStringLiteral("Encounter %1 is in use by another user (%2). Please try again later.")
                             .arg(encounterId)
                             .arg(holder));
    }
    c.Prepare(QStringLiteral("UPDATE encounters SET locked_by = ?, lock_kind = ?, locked_ms = ? WHERE id = ?"))
        .Bind(1, userId)
        .Bind(2, noteKind)
        .Bind(3, clock_.Now().toMSecsSinceEpoch())
        .Bind(4, encounterId)
        .Run();
  });
  patientId = encounterPatient;
}

void LocalClinic::UnLockEncounter(qint64 userId, const QString& /*noteKind*/, qint64 encounterId) {
  Call([&](SqlConnection& c) {
    c.Prepare(QStringLiteral("UPDATE encounters SET locked_by = NULL, lock_kind = NULL, locked_ms = NULL"
                             " WHERE id = ? AND locked_by = ?"))
        .Bind(1, encounterId)
        .Bind(2, userId)
        .Run();
  });
}

qint64 LocalClinic::UploadDocument(const Document& document, const QString& uploadKey) {
  const QString key = uploadKey.trimmed();
  qint64 receivedId = 0;
  Call([&](SqlConnection& c) {
    if (key.isEmpty()) {
      throw ServiceError(kClinicErrorRequest,
                         QStringLiteral("The document \"%1\" came without an upload key.").arg(document.DocumentName));
    }
    EnsureReceivedDocumentsTable(c);
    {
      // The same key again is a repeated attempt: it answers the first receipt, whatever it carries.
      auto known = c.Prepare(QStringLiteral("SELECT id FROM received_documents WHERE upload_key = ?"));
      known.Bind(1, key);
      if (known.Step()) {
        receivedId = known.Int(QStringLiteral("id"));
        return;
      }
    }
    if (document.FileData.isEmpty()) {
      throw ServiceError(kClinicErrorRequest,
                         QStringLiteral("The document \"%1\" has no file data.").arg(document.DocumentName));
    }
    if (!Exists(c, QStringLiteral("patients"), document.PatientID)) {
      throw ServiceError(kClinicErrorRequest, QStringLiteral("Patient %1 does not exist.").arg(document.PatientID));
    }
    const auto id = [](std::int64_t value) { return QVariant::fromValue(static_cast<qlonglong>(value)); };
    c.Prepare(
         QStringLiteral("INSERT INTO received_documents (upload_key, user_id, patient_id, encounter_id, category_id,"
                        " type_id, type_description, physician_id, sender_id, sender, document_name, document_date,"
                        " date_modified, signed_off, abnormal, notes, file_data, received_ms, received_by)"
                        " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"))
        .Bind(1, key)
        .Bind(2, id(document.UserID))
        .Bind(3, id(document.PatientID))
        .Bind(4, id(document.EncounterID))
        .Bind(5, id(document.CategoryID))
        .Bind(6, id(document.DocumentTypeID))
        .Bind(7, document.DocumentTypeDesc)
        .Bind(8, id(document.PhysicianID))
        .Bind(9, id(document.SenderID))
        .Bind(10, document.Sender)
        .Bind(11, document.DocumentName)
        .Bind(12, document.DocumentDate.isValid() ? QVariant(document.DocumentDate.toString(Qt::ISODate)) : QVariant())
        .Bind(13, document.DocDateModified)
        .Bind(14, document.SignOff)
        .Bind(15, document.Abnormal)
        .Bind(16, document.Notes)
        .Bind(17, document.FileData)
        .Bind(18, clock_.Now().toMSecsSinceEpoch())
        .Bind(19, userId_)
        .Run();
    receivedId = c.LastInsertId();
  });
  return receivedId;
}

}  // namespace pyxa
