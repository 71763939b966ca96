#include "components/ClinicSchema.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <algorithm>
#include <array>

#include "platform/PasswordHash.h"

namespace pyxa {
namespace {

const char* const kSchemaSql = R"sql(
CREATE TABLE config (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE users (
  id INTEGER PRIMARY KEY, login TEXT NOT NULL UNIQUE COLLATE NOCASE,
  password_salt BLOB NOT NULL, password_hash BLOB NOT NULL, hash_iterations INTEGER NOT NULL,
  first_name TEXT NOT NULL, last_name TEXT NOT NULL, office_id INTEGER NOT NULL, enterprise_id INTEGER NOT NULL,
  can_upload INTEGER NOT NULL, can_review INTEGER NOT NULL, country TEXT NOT NULL);
CREATE TABLE sessions (
  id INTEGER PRIMARY KEY, user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  token TEXT NOT NULL, started_ms INTEGER NOT NULL, last_used_ms INTEGER NOT NULL);
CREATE TABLE faults (
  id INTEGER PRIMARY KEY CHECK (id = 1), fail_number INTEGER, fail_description TEXT,
  timing_out INTEGER NOT NULL DEFAULT 0, connection_lost INTEGER NOT NULL DEFAULT 0);
INSERT INTO faults (id) VALUES (1);
CREATE TABLE categories (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE laboratories (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE lab_report_types (id INTEGER PRIMARY KEY, name TEXT NOT NULL);
CREATE TABLE physicians (
  id INTEGER PRIMARY KEY, title TEXT NOT NULL, specialty TEXT NOT NULL,
  last_name TEXT NOT NULL, first_name TEXT NOT NULL);
CREATE TABLE di_types (id INTEGER PRIMARY KEY, office_id INTEGER NOT NULL, name TEXT NOT NULL);
CREATE TABLE correspondence_types (
  id INTEGER PRIMARY KEY, physician_id INTEGER NOT NULL REFERENCES physicians(id), name TEXT NOT NULL);
CREATE TABLE visit_types (
  id INTEGER PRIMARY KEY, physician_id INTEGER NOT NULL REFERENCES physicians(id), name TEXT NOT NULL);
CREATE TABLE patients (
  id INTEGER PRIMARY KEY, last_name TEXT NOT NULL, first_name TEXT NOT NULL,
  last_key TEXT NOT NULL, first_key TEXT NOT NULL, dob TEXT, hcn TEXT, chart TEXT,
  phone_area TEXT, phone1 TEXT, phone2 TEXT);
CREATE INDEX patients_by_name ON patients (last_key, first_key);
CREATE TABLE encounters (
  id INTEGER PRIMARY KEY, patient_id INTEGER NOT NULL REFERENCES patients(id),
  physician_id INTEGER NOT NULL REFERENCES physicians(id), encounter_date TEXT NOT NULL,
  icd TEXT, icd_description TEXT, comments TEXT, visit_type INTEGER, signed INTEGER NOT NULL DEFAULT 0,
  locked_by INTEGER, lock_kind TEXT, locked_ms INTEGER);
CREATE INDEX encounters_by_patient ON encounters (patient_id, physician_id);
)sql";

// One row per stored document received; upload_key makes a repeated upload find its first row.
const char* const kReceivedDocumentsSql = R"sql(
CREATE TABLE IF NOT EXISTS received_documents (
  id INTEGER PRIMARY KEY AUTOINCREMENT, upload_key TEXT NOT NULL UNIQUE,
  user_id INTEGER, patient_id INTEGER NOT NULL REFERENCES patients(id), encounter_id INTEGER,
  category_id INTEGER, type_id INTEGER, type_description TEXT, physician_id INTEGER,
  sender_id INTEGER, sender TEXT, document_name TEXT, document_date TEXT, date_modified INTEGER,
  signed_off INTEGER, abnormal INTEGER, notes TEXT, file_data BLOB NOT NULL,
  received_ms INTEGER NOT NULL, received_by INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS received_documents_by_patient ON received_documents (patient_id);
)sql";

}  // namespace

void EnsureReceivedDocumentsTable(SqlConnection& connection) {
  connection.Execute(QString::fromUtf8(kReceivedDocumentsSql));
}

void CreateClinicSchema(SqlConnection& connection) {
  connection.Execute(QString::fromUtf8(kSchemaSql));
  EnsureReceivedDocumentsTable(connection);
  SetClinicConfig(connection, kConfigSchemaVersion, QString::number(kClinicSchemaVersion));
  SetClinicConfig(connection, kConfigIdleMinutes, QString::number(kDefaultIdleMinutes));
  SetClinicConfig(connection, kConfigTimeoutSeconds, QString::number(kDefaultTimeoutSeconds));
}

bool HasClinicSchema(SqlConnection& connection) {
  auto tables =
      connection.Prepare(QStringLiteral("SELECT count(*) AS n FROM sqlite_master WHERE type = 'table' AND name IN "
                                        "('config','users','sessions','faults','categories','patients','encounters')"));
  if (!tables.Step() || tables.Int(QStringLiteral("n")) != 7) return false;
  return ClinicConfigInt(connection, kConfigSchemaVersion, 0) == kClinicSchemaVersion;
}

namespace {

bool IsApostrophe(char32_t c) {
  // ' ’ ‘ ʼ ` ´ ′: what keyboards, word processors and older records put in O'Brien.
  return c == U'\'' || c == U'\u2019' || c == U'\u2018' || c == U'\u02BC' || c == U'`' || c == U'\u00B4' ||
         c == U'\u2032';
}

bool IsMark(char32_t c) {
  const QChar::Category category = QChar::category(c);
  return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
         category == QChar::Mark_Enclosing;
}

// Small letters that have no decomposition, written as their base letters.
const char* Plain(char32_t c) {
  switch (c) {
    case U'\u00F8':
      return "o";  // ø
    case U'\u0142':
      return "l";  // ł
    case U'\u0111':
      return "d";  // đ
    case U'\u0127':
      return "h";  // ħ
    case U'\u0131':
      return "i";  // ı
    case U'\u00E6':
      return "ae";  // æ
    case U'\u0153':
      return "oe";  // œ
    case U'\u00DF':
      return "ss";  // ß
    default:
      return nullptr;
  }
}

}  // namespace

QString ClinicNameKey(const QString& name) {
  // Marks go before case is folded: a capital such as İ folds to a small letter only without them.
  const QString decomposed = name.trimmed().normalized(QString::NormalizationForm_D);
  QString bare;
  bare.reserve(decomposed.size());
  for (const char32_t c : decomposed.toUcs4()) {
    if (!IsMark(c) && !IsApostrophe(c)) bare += QChar::fromUcs4(c);
  }
  QString key;
  key.reserve(bare.size());
  for (const char32_t c : bare.toCaseFolded().toUcs4()) {
    if (const char* plain = Plain(c)) {
      key += QLatin1String(plain);
    } else {
      key += QChar::fromUcs4(c);
    }
  }
  // Composed again so that Hangul and the like keep their usual form.
  return key.normalized(QString::NormalizationForm_C);
}

void DefineClinicNameKey(SqlConnection& connection) { connection.DefineFunction("clinic_name_key", &ClinicNameKey); }

QString ClinicConfig(SqlConnection& connection, const QString& key, const QString& fallback) {
  auto read = connection.Prepare(QStringLiteral("SELECT value FROM config WHERE key = ?"));
  read.Bind(1, key);
  return read.Step() ? read.Text(QStringLiteral("value")) : fallback;
}

int ClinicConfigInt(SqlConnection& connection, const QString& key, int fallback) {
  bool ok = false;
  const int value = ClinicConfig(connection, key).toInt(&ok);
  return ok ? value : fallback;
}

void SetClinicConfig(SqlConnection& connection, const QString& key, const QString& value) {
  connection
      .Prepare(QStringLiteral("INSERT INTO config (key, value) VALUES (?, ?) "
                              "ON CONFLICT (key) DO UPDATE SET value = excluded.value"))
      .Bind(1, key)
      .Bind(2, value)
      .Run();
}

QByteArray NewPasswordSalt() {
  std::array<quint32, 4> words{};
  QRandomGenerator::system()->fillRange(words.data(), words.size());
  return QByteArray(reinterpret_cast<const char*>(words.data()), sizeof(words));
}

QByteArray HashPassword(const QString& password, const QByteArray& salt, int iterations) {
  return Pbkdf2Sha256(password, salt, iterations);
}

void AddClinicAccount(SqlConnection& connection, const ClinicAccount& account, const QByteArray& salt, int iterations) {
  iterations = std::max(1, iterations);
  connection
      .Prepare(QStringLiteral(
          "INSERT INTO users (id, login, password_salt, password_hash, hash_iterations, first_name, last_name,"
          " office_id, enterprise_id, can_upload, can_review, country) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"))
      .Bind(1, account.userId)
      .Bind(2, account.login)
      .Bind(3, salt)
      .Bind(4, HashPassword(account.password, salt, iterations))
      .Bind(5, iterations)
      .Bind(6, account.firstName)
      .Bind(7, account.lastName)
      .Bind(8, account.officeId)
      .Bind(9, account.enterpriseId)
      .Bind(10, account.canUploadRpts)
      .Bind(11, account.canReviewRpts)
      .Bind(12, account.country)
      .Run();
}

}  // namespace pyxa
