#include "components/StoreSchema.h"

#include <QCryptographicHash>
#include "platform/PasswordHash.h"
#include <QRandomGenerator>
#include <QtEndian>
#include <array>
#include <iterator>

namespace pyxa {
namespace {

// The password is the program's own and every operation checks it once: the digest only keeps it
// out of the file. Each store records its count, so a later layout may raise it.
constexpr int kPasswordIterations = 1000;
constexpr int kSaltBytes = 16;

QByteArray RandomSalt() {
  std::array<quint32, kSaltBytes / 4> words{};
  QRandomGenerator::system()->fillRange(words.data(), words.size());
  return QByteArray(reinterpret_cast<const char*>(words.data()), kSaltBytes);
}

// The tables that must all be present in a store.
constexpr const char* kStoreTables[] = {"Documents", "AuditLog", "Exceptions", "UploadSettings", "PasswordCheck"};

// Older stores get this table when first written by a program that records removals, so it is
// created only when missing; the upload program neither reads nor needs it.
const char* const kSourceRemovalsSql =
    "CREATE TABLE IF NOT EXISTS SourceRemovals ("
    " RemovalID INTEGER PRIMARY KEY, DocumentID INTEGER NOT NULL, SourcePath TEXT NOT NULL,"
    " SourceDigest BLOB NOT NULL, PageNumber INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS SourceRemovalsBySource ON SourceRemovals (SourcePath, SourceDigest);";

// Made the same way. The trigger takes a document's text with it whichever program deletes the
// document, older ones included: patient text must not outlive its document.
const char* const kDocumentTextsSql =
    "CREATE TABLE IF NOT EXISTS DocumentTexts ("
    " DocumentID INTEGER PRIMARY KEY, PageText TEXT NOT NULL);"
    "CREATE TRIGGER IF NOT EXISTS DocumentTextsGoWithTheirDocument AFTER DELETE ON Documents"
    " BEGIN DELETE FROM DocumentTexts WHERE DocumentID = old.DocumentID; END;";

bool HasTable(SqlConnection& connection, const QString& name) {
  return connection.Prepare(QStringLiteral("SELECT 1 AS found FROM sqlite_master WHERE type = 'table' AND name = ?"))
      .Bind(1, name)
      .Step();
}

}  // namespace

void EnsureSourceRemovals(SqlConnection& connection) {
  if (!HasSourceRemovals(connection)) connection.Execute(QString::fromLatin1(kSourceRemovalsSql));
}

bool HasSourceRemovals(SqlConnection& connection) { return HasTable(connection, QStringLiteral("SourceRemovals")); }

void EnsureDocumentTexts(SqlConnection& connection) {
  if (!HasDocumentTexts(connection)) connection.Execute(QString::fromLatin1(kDocumentTextsSql));
}

bool HasDocumentTexts(SqlConnection& connection) { return HasTable(connection, QStringLiteral("DocumentTexts")); }

QString StoreSchemaSql() {
  return QStringLiteral(
      "CREATE TABLE Documents ("
      " DocumentID INTEGER PRIMARY KEY AUTOINCREMENT,"
      " IsUploaded INTEGER NOT NULL DEFAULT -1,"
      " UserID INTEGER, PatientID INTEGER, EncounterID INTEGER, CategoryID INTEGER, TypeID INTEGER,"
      " TypeDescription TEXT, PhysicianID INTEGER, SenderID INTEGER, Sender TEXT, DocumentName TEXT,"
      " EncounterDate TEXT, EncounterDateModified INTEGER, IsSignedOff INTEGER, IsAbnormal INTEGER,"
      " Notes TEXT, FileData BLOB, UploadKey TEXT);"
      "CREATE INDEX DocumentsByState ON Documents (IsUploaded);"
      "CREATE TABLE AuditLog ("
      " DocumentID INTEGER, ActionID INTEGER, ActionDate TEXT, StatusID INTEGER, UserID INTEGER,"
      " PatientID INTEGER, PatientName TEXT, CategoryID INTEGER, TypeDesc TEXT, DocumentName TEXT);"
      "CREATE INDEX AuditLogByDate ON AuditLog (ActionDate);"
      "CREATE INDEX AuditLogByDocument ON AuditLog (DocumentID);"
      "CREATE TABLE Exceptions (DocumentID INTEGER, AttemptDate TEXT, Description TEXT);"
      "CREATE INDEX ExceptionsByDocument ON Exceptions (DocumentID);"
      "CREATE TABLE UploadSettings ("
      " SettingsID INTEGER PRIMARY KEY CHECK (SettingsID = 1),"
      " WebSvcAccount TEXT, WebSvcPwd TEXT, WebSvcURL TEXT, DBPwd TEXT, FilePath TEXT);"
      "CREATE TABLE PasswordCheck ("
      " CheckID INTEGER PRIMARY KEY CHECK (CheckID = 1),"
      " Algorithm TEXT NOT NULL, Iterations INTEGER NOT NULL, Salt BLOB NOT NULL, Digest BLOB NOT NULL);");
}

namespace {

// "yyyy-MM-dd HH:mm:ss" read digit by digit: the general format parser costs more than the rest of a
// row, and long audit listings read thousands.
QDateTime StoreDateFast(const QString& text) {
  if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':' ||
      text[16] != u':')
    return {};
  const auto number = [&text](int from, int length) {
    int value = 0;
    for (int i = from; i < from + length; ++i) {
      const char16_t c = text[i].unicode();
      if (c < u'0' || c > u'9') return -1;
      value = value * 10 + (c - u'0');
    }
    return value;
  };
  const QDate date(number(0, 4), number(5, 2), number(8, 2));
  const QTime time(number(11, 2), number(14, 2), number(17, 2));
  if (!date.isValid() || !time.isValid()) return {};
  return QDateTime(date, time);
}

}  // namespace

QDateTime ReadStoreDate(const SqlStatement& row, const QString& column) {
  const QString text = row.Text(column).trimmed();
  if (text.isEmpty()) return {};
  if (QDateTime fast = StoreDateFast(text); fast.isValid()) return fast;
  QDateTime date = QDateTime::fromString(text, kStoreDateFormat);
  if (!date.isValid()) date = QDateTime::fromString(text, Qt::ISODate);
  return date;
}

Document ReadDocumentRow(const SqlStatement& row) {
  const auto flag = [&row](const QString& column) { return row.Int(column, 0) != 0; };
  Document document;
  document.Id = row.Int(QStringLiteral("DocumentID"));
  document.IsUploaded = static_cast<std::int32_t>(row.Int(QStringLiteral("IsUploaded"), kStoredNotQueued));
  document.UserID = row.Int(QStringLiteral("UserID"));
  document.PatientID = row.Int(QStringLiteral("PatientID"));
  document.EncounterID = row.Int(QStringLiteral("EncounterID"));
  document.CategoryID = row.Int(QStringLiteral("CategoryID"));
  document.DocumentTypeID = row.Int(QStringLiteral("TypeID"));
  document.DocumentTypeDesc = row.Text(QStringLiteral("TypeDescription"));
  document.PhysicianID = row.Int(QStringLiteral("PhysicianID"));
  document.SenderID = row.Int(QStringLiteral("SenderID"));
  document.Sender = row.Text(QStringLiteral("Sender"));
  document.DocumentName = row.Text(QStringLiteral("DocumentName"));
  document.DocumentDate = ReadStoreDate(row, QStringLiteral("EncounterDate"));
  document.DocDateModified = flag(QStringLiteral("EncounterDateModified"));
  document.SignOff = flag(QStringLiteral("IsSignedOff"));
  document.Abnormal = flag(QStringLiteral("IsAbnormal"));
  document.Notes = row.Text(QStringLiteral("Notes"));
  document.FileData = row.Blob(QStringLiteral("FileData"));
  return document;
}

QByteArray StorePasswordDigest(const QString& password, const QByteArray& salt, int iterations) {
  return Pbkdf2Sha256(password, salt, iterations);
}

void CreateStoreSchema(SqlConnection& connection, const QString& password) {
  connection.Execute(StoreSchemaSql());
  connection.Execute(QString::fromLatin1(kSourceRemovalsSql));
  connection.Execute(QString::fromLatin1(kDocumentTextsSql));
  connection.Execute(QStringLiteral("PRAGMA application_id = %1; PRAGMA user_version = %2;")
                         .arg(kStoreApplicationId)
                         .arg(kStoreSchemaVersion));
  const QByteArray salt = RandomSalt();
  connection
      .Prepare(QStringLiteral("INSERT INTO PasswordCheck (CheckID, Algorithm, Iterations, Salt, Digest)"
                              " VALUES (1, 'PBKDF2-HMAC-SHA256', ?, ?, ?)"))
      .Bind(1, kPasswordIterations)
      .Bind(2, salt)
      .Bind(3, StorePasswordDigest(password, salt, kPasswordIterations))
      .Run();
}

StoreCheck CheckStore(SqlConnection& connection, const QString& password) {
  {
    SqlStatement id = connection.Prepare(QStringLiteral("PRAGMA application_id"));
    if (!id.Step() || id.Int(QStringLiteral("application_id")) != kStoreApplicationId) return StoreCheck::NotAStore;
  }
  {
    SqlStatement tables = connection.Prepare(
        QStringLiteral("SELECT count(*) AS n FROM sqlite_master WHERE type = 'table' AND name IN (?, ?, ?, ?, ?)"));
    int position = 1;
    for (const char* name : kStoreTables) tables.Bind(position++, QString::fromLatin1(name));
    if (!tables.Step() || tables.Int(QStringLiteral("n")) != static_cast<qint64>(std::size(kStoreTables)))
      return StoreCheck::NotAStore;
  }
  SqlStatement check = connection.Prepare(
      QStringLiteral("SELECT Algorithm, Iterations, Salt, Digest FROM PasswordCheck WHERE CheckID = 1"));
  if (!check.Step()) return StoreCheck::NotAStore;
  const qint64 iterations = check.Int(QStringLiteral("Iterations"));
  if (check.Text(QStringLiteral("Algorithm")) != QStringLiteral("PBKDF2-HMAC-SHA256") || iterations < 1 ||
      iterations > 10'000'000) {
    return StoreCheck::NotAStore;
  }
  const QByteArray stored = check.Blob(QStringLiteral("Digest"));
  const QByteArray computed =
      StorePasswordDigest(password, check.Blob(QStringLiteral("Salt")), static_cast<int>(iterations));
  // Compare every byte, so the time taken says nothing about how much matched.
  if (stored.size() != computed.size()) return StoreCheck::WrongPassword;
  char difference = 0;
  for (qsizetype i = 0; i < stored.size(); ++i) difference = static_cast<char>(difference | (stored[i] ^ computed[i]));
  return difference == 0 ? StoreCheck::Matches : StoreCheck::WrongPassword;
}

void InsertAuditRow(SqlConnection& connection, const AuditLog& record) {
  connection
      .Prepare(QStringLiteral(
          "INSERT INTO AuditLog (DocumentID, ActionID, ActionDate, StatusID, UserID, PatientID, PatientName,"
          " CategoryID, TypeDesc, DocumentName) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))
      .Bind(1, QVariant::fromValue(qlonglong(record.DocumentID)))
      .Bind(2, record.ActionID)
      .Bind(3, record.ActionDate.isValid() ? QVariant(record.ActionDate.toString(kStoreDateFormat)) : QVariant())
      .Bind(4, record.StatusID)
      .Bind(5, QVariant::fromValue(qlonglong(record.UserID)))
      .Bind(6, QVariant::fromValue(qlonglong(record.PatientID)))
      .Bind(7, record.PatientName)
      .Bind(8, QVariant::fromValue(qlonglong(record.CategoryID)))
      .Bind(9, record.TypeDesc)
      .Bind(10, record.DocumentName)
      .Run();
}

}  // namespace pyxa
