// The tables of an embedded clinic file, its configuration values, and its user accounts with
// salted, iterated password hashes (PBKDF2-HMAC-SHA256; passwords are never stored).
#pragma once

#include "platform/PasswordHash.h"

#include <QByteArray>
#include <QString>

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

// The search key kept beside each patient name: trimmed, composed (NFC) and case-folded, so that
// "MÜLLER", "müller" and a decomposed "Müller" all match.
QString ClinicNameKey(const QString& name);

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
