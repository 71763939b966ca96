#include "upload/UploadCounts.h"

#include <QFileInfo>
#include <algorithm>

#include "components/SqliteDatabase.h"
#include "components/StoreSchema.h"
#include "document/Directory.h"
#include "platform/Sql.h"
#include "shell/ErrorTexts.h"

namespace pyxa {

namespace {

QString Panel(const char* label, std::int64_t count) {
  return QStringLiteral("   ") + QLatin1String(label) + QString::number(count) + QStringLiteral("   ");
}

}  // namespace

UploadCounts::UploadCounts(const AppSettings& settings, DatabaseFactory& databases)
    : settings_(settings), databases_(databases) {}

QString UploadCounts::StorePath() const { return settings_.UploadsFolder + QStringLiteral("documents.mdb"); }

QString UploadCounts::UpdateUploadCount() {
  std::int64_t count = 0;
  const QString path = StorePath();
  if (QFileInfo::exists(path)) {
    std::unique_ptr<Database> database = databases_.Create();
    if (database->Connect(path, kDatabasePassword)) {
      const std::int64_t known = database->DocumentsToUpload();
      if (known >= 0) count = known;
    }
    database->Disconnect();
  }
  return Panel("Awaiting Upload: ", count);
}

std::int64_t UploadCounts::AreDocsToUpload(int indexedCount) {
  const QString path = StorePath();
  if (!QFileInfo::exists(path)) {
    std::unique_ptr<Database> database = databases_.Create();
    if (!database->Create(path, kDatabasePassword)) {
      throw StoreReadError(database->LastError(), database->LastErrorDescription());
    }
  }

  std::int64_t stored = 0;
  try {
    SqlConnection connection(path, SqlConnection::Mode::ReadOnly);
    switch (CheckStore(connection, kDatabasePassword)) {
      case StoreCheck::Matches:
        break;
      case StoreCheck::WrongPassword:
        throw StoreReadError(kDbWrongPassword, QStringLiteral("The document database password is not correct."));
      case StoreCheck::NotAStore:
        throw StoreReadError(kDbNotADatabase,
                             QStringLiteral("'%1' is not a document database or is damaged.").arg(path));
    }
    SqlStatement row =
        connection.Prepare(QStringLiteral("select count(*) as nCount from Documents where IsUploaded = 0"));
    if (row.Step()) stored = row.Int(QStringLiteral("nCount"));
  } catch (const SqlError& error) {
    throw StoreReadError(error.Code(), error.Message());
  }
  return stored + indexedCount;
}

QString UploadCounts::UpdateAvailableCount(int& count) {
  Directory listing;
  listing.SetPath(settings_.AvailableFolder);
  QString filter = QStringLiteral("PDF|DOC|TIF|JPG");
  std::int32_t result = 0;
  listing.Load(true, filter, result);
  count = listing.Items().Count();
  return Panel("Available Files: ", count);
}

UploadCounts::FilesDisplay UploadCounts::UpdateFilesDisplay() {
  FilesDisplay display;
  Directory listing;
  listing.SetPath(settings_.UploadsFolder);
  QString filter = QStringLiteral("MDB");
  std::int32_t result = 0;
  listing.Load(false, filter, result);
  if (listing.ErrorNumber() != 0) {
    display.errorMessage = OperationErrorMessage(QStringLiteral("Failed to load your documents for uploading."),
                                                 listing.ErrorNumber(), listing.ErrorDescription(), result);
    return display;
  }
  display.ok = true;
  display.uploadPanel = UpdateUploadCount();
  int available = 0;
  display.availablePanel = UpdateAvailableCount(available);
  return display;
}

namespace {

// One look at the store on one connection: the queue, and (when asked, by the newest failure
// seen before) how many documents have failed since. Nothing known when it cannot be read.
QueueState LookAtQueue(const QString& path, std::optional<std::int64_t> failedSince, std::int64_t& failed) {
  QueueState state;
  if (!QFileInfo::exists(path)) return state;
  try {
    SqlConnection connection(path, SqlConnection::Mode::ReadOnly);
    if (CheckStore(connection, kDatabasePassword) != StoreCheck::Matches) return state;
    SqlStatement awaiting =
        connection.Prepare(QStringLiteral("SELECT count(*) AS n FROM Documents WHERE IsUploaded = 0"));
    if (awaiting.Step()) state.awaiting = awaiting.Int(QStringLiteral("n"));
    SqlStatement newest = connection.Prepare(QStringLiteral("SELECT coalesce(max(rowid), 0) AS n FROM Exceptions"));
    if (newest.Step()) state.lastFailure = newest.Int(QStringLiteral("n"));
    if (failedSince) {
      SqlStatement since = connection.Prepare(
          QStringLiteral("SELECT count(DISTINCT DocumentID) AS n FROM Exceptions WHERE rowid > ?"));
      since.Bind(1, static_cast<qlonglong>(*failedSince));
      if (since.Step()) failed = since.Int(QStringLiteral("n"));
    }
    state.known = true;
  } catch (const SqlError&) {
    state.known = false;
  }
  return state;
}

}  // namespace

QueueState UploadCounts::ReadQueue() const {
  std::int64_t unused = 0;
  return LookAtQueue(StorePath(), std::nullopt, unused);
}

std::optional<UploadRunCounts> UploadCounts::RunSince(const QueueState& before) const {
  if (!before.known) return std::nullopt;
  UploadRunCounts counts;
  const QueueState after = LookAtQueue(StorePath(), before.lastFailure, counts.failed);
  if (!after.known) return std::nullopt;
  counts.waiting = after.awaiting;
  // Failed documents stay waiting, so the queue shrinks by exactly the documents uploaded.
  counts.uploaded = std::max<std::int64_t>(0, before.awaiting - after.awaiting);
  return counts;
}

QString UploadRunText(const UploadRunCounts& counts) {
  QString text = QStringLiteral("Upload Now has finished.\n\nUploaded: %1\nFailed: %2\nStill waiting: %3")
                     .arg(counts.uploaded)
                     .arg(counts.failed)
                     .arg(counts.waiting);
  if (counts.failed > 0)
    text += QStringLiteral("\n\nDocuments that failed stay waiting and are tried again at the next upload.");
  return text;
}

}  // namespace pyxa
