// The tables of an embedded clinic file, its configuration values, and its user accounts with
// salted, iterated password hashes (PBKDF2-HMAC-SHA256; passwords are never stored).
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/PasswordHash.h"
#include "platform/Sql.h"

namespace pyxa {

inline constexpr int kClinicSchemaVersion = 1;
// Strong enough for the accounts a clinic keeps; tests pass a small count for speed.
inline constexpr int kDefaultHashIterations = 100000;

// Configuration keys and their defaults.
inline const QString kConfigSchemaVersion = QStringLiteral("schema_version");
inline const QString kConfigIdleMinutes = QStringLiteral("idle_minutes");
inline const QString kConfigTimeoutSeconds = QStringLiteral("timeout_seconds");
inline constexpr int kDefaultIdleMinutes = 20;
inline constexpr int kDefaultTimeoutSeconds = 60;

// Creates every table and the default configuration; the caller holds the transaction.
void CreateClinicSchema(SqlConnection& connection);
// True when the file carries the clinic tables of this version.
bool HasClinicSchema(SqlConnection& connection);
// The table of documents received from the upload program; made when missing, so that clinic
// files written before it existed take uploads too. The caller holds the transaction.
void EnsureReceivedDocumentsTable(SqlConnection& connection);

// The search key of a patient name, as clinical systems compare names: trimmed and case-folded,
// without accents or apostrophes, and with the letters that carry a stroke or are ligatures
// written plainly (ø o, ł l, đ d, æ ae, ß ss); hyphens and spaces stay. So "Gagne" and "GAGNÉ"
// key like "Gagné", "OBrien" like "O'Brien" or "O’Brien", "Sorensen" like "Sørensen".
QString ClinicNameKey(const QString& name);
// Makes ClinicNameKey callable as clinic_name_key(text) in the connection's SQL.
void DefineClinicNameKey(SqlConnection& connection);

QString ClinicConfig(SqlConnection& connection, const QString& key, const QString& fallback = {});
int ClinicConfigInt(SqlConnection& connection, const QString& key, int fallback);
void SetClinicConfig(SqlConnection& connection, const QString& key, const QString& value);

struct ClinicAccount {
  qint64 userId = 0;
  QString login;
  QString password;
  QString firstName;
  QString lastName;
  qint64 officeId = 0;
  qint64 enterpriseId = 0;
  bool canUploadRpts = true;
  bool canReviewRpts = true;
  QString country = QStringLiteral("1");
};

// A fresh random salt from the system's generator.
QByteArray NewPasswordSalt();
// PBKDF2-HMAC-SHA256, one 32-byte block. iterations must be at least 1.
QByteArray HashPassword(const QString& password, const QByteArray& salt, int iterations);

// Adds an account (the caller holds the transaction); throws SqlError on a duplicate login or id.
void AddClinicAccount(SqlConnection& connection, const ClinicAccount& account, const QByteArray& salt,
                      int iterations = kDefaultHashIterations);

}  // namespace pyxa
