// The layout of the local document store (documents.mdb): its tables, the marks that tell our
// store from any other SQLite file, and the salted password check that stands in for a database
// password. Shared by the document database and anything else that reads the file with SQL.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "components/DocumentRecords.h"
#include "platform/Sql.h"

namespace pyxa {

// PRAGMA application_id of every store ("PYXA"), and its layout version (PRAGMA user_version).
inline constexpr std::int32_t kStoreApplicationId = 0x50595841;
inline constexpr std::int32_t kStoreSchemaVersion = 1;

// How dates are kept in text columns, so that text comparison orders them in time.
inline const QString kStoreDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Tables. Documents and AuditLog carry the column names the program reads; Exceptions is written
// by the upload program; UploadSettings holds one row (SettingsID 1) with the five upload
// settings; PasswordCheck holds one row with the salt and digest of the database password.
//
// Documents: DocumentID INTEGER PRIMARY KEY AUTOINCREMENT (never reused), IsUploaded (-1 stored,
// 0 awaiting upload), UserID, PatientID, EncounterID, CategoryID, TypeID, TypeDescription,
// PhysicianID, SenderID, Sender, DocumentName, EncounterDate (text, kStoreDateFormat),
// EncounterDateModified, IsSignedOff, IsAbnormal (flags -1/0), Notes, FileData (BLOB).
// AuditLog: DocumentID, ActionID, ActionDate (text, kStoreDateFormat), StatusID, UserID,
// PatientID, PatientName, CategoryID, TypeDesc, DocumentName.
// Exceptions: DocumentID, AttemptDate (text, kStoreDateFormat), Description.
QString StoreSchemaSql();

// SourceRemovals (made by CreateStoreSchema; EnsureSourceRemovals adds it to stores written before
// it): RemovalID, DocumentID, SourcePath (full path of the file in "Available Files"), SourceDigest
// (BLOB, the file's digest before the store run took pages from it), PageNumber (in that file;
// kWholeSourceFile, 0, for a file stored whole).
// Adds the SourceRemovals table when missing. Runs inside the caller's write transaction. Throws
// SqlError.
void EnsureSourceRemovals(SqlConnection& connection);
// Whether the store has the SourceRemovals table. Throws SqlError.
bool HasSourceRemovals(SqlConnection& connection);

// DocumentTexts (made by CreateStoreSchema; EnsureDocumentTexts adds it to stores written before
// it): DocumentID (the Documents row's), PageText (the text read from the document's pages). A row
// only for a document with text; it goes with its Documents row, whoever deletes that. Kept beside
// Documents rather than in it so that the upload program's reads never carry it, and so that a
// search reading it does not walk each row's FileData to reach a column stored after it.
// Adds the DocumentTexts table when missing. Runs inside the caller's write transaction. Throws
// SqlError.
void EnsureDocumentTexts(SqlConnection& connection);
// Whether the store has the DocumentTexts table. Throws SqlError.
bool HasDocumentTexts(SqlConnection& connection);

// Creates the tables and marks in an empty database and stores the password check. Runs inside
// the caller's transaction. Throws SqlError.
void CreateStoreSchema(SqlConnection& connection, const QString& password);

enum class StoreCheck { Matches, WrongPassword, NotAStore };

// Tells whether the connected file is one of our stores with all its tables, and whether the
// password is its password. Throws SqlError for anything else (a lock, a damaged file).
StoreCheck CheckStore(SqlConnection& connection, const QString& password);

// Adds the audit row inside the caller's transaction.
void InsertAuditRow(SqlConnection& connection, const AuditLog& record);

// A date column as the store keeps it (kStoreDateFormat, or ISO from older writers); null for an
// empty or unreadable text.
QDateTime ReadStoreDate(const SqlStatement& row, const QString& column);

// The Documents row under the statement's cursor as a Document without pages: empty identifiers
// read as 0, empty flags as false, an empty IsUploaded as stored-not-queued.
Document ReadDocumentRow(const SqlStatement& row);

// PBKDF2-HMAC-SHA256 of the UTF-8 password, 32 bytes.
QByteArray StorePasswordDigest(const QString& password, const QByteArray& salt, int iterations);

}  // namespace pyxa
