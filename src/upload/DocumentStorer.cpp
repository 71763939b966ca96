#include "upload/DocumentStorer.h"

#include "components/Rc4.h"
#include "document/ImageDocument.h"
#include "platform/SystemError.h"
#include "shell/ErrorTexts.h"
#include "shell/PathRoutines.h"
#include "upload/FileDigest.h"
#include "upload/SourceRemovals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace pyxa {
namespace {

// Reads a whole file; nullopt with the system's text when it cannot.
std::optional<QByteArray> ReadWhole(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = file.errorString();
    return std::nullopt;
  }
  const qint64 length = file.size();
  QByteArray bytes = file.readAll();
  if (bytes.size() != length) {
    error = file.errorString();
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

DocumentStorer::DocumentStorer(const AppSettings& settings, DatabaseFactory& databases, Session& session,
                               const Clock& clock)
    : settings_(settings), databases_(databases), session_(session), clock_(clock) {}

QString DocumentStorer::StorePath() const { return settings_.UploadsFolder + QStringLiteral("documents.mdb"); }

bool DocumentStorer::OpenForWriting(Database& database, QString& message, std::int32_t& errorNumber) {
  const QString path = StorePath();
  if (!QFileInfo::exists(path)) {
    if (!database.Create(path, kDatabasePassword)) {
      errorNumber = database.LastError();
      message = QStringLiteral("Pyxa Failed to create the database. ") + database.LastErrorDescription();
      return false;
    }
  } else if (!database.Connect(path, kDatabasePassword)) {
    errorNumber = database.LastError();
    message = QStringLiteral("Pyxa failed to Update the Database with the Indexing Information. ") +
              database.LastErrorDescription();
    return false;
  }
  // The service credentials are only ever written enciphered.
  database.WebSvcAccount = EncipherCredential(session_.Login());
  database.WebSvcPwd = EncipherCredential(session_.Password());
  database.WebSvcURL = session_.Url();
  database.DBPwd = kDatabasePassword;
  database.FilePath = path;
  if (!database.UpdateSettings()) {
    errorNumber = database.LastError();
    message = QStringLiteral("Pyxa failed to Update the Database with the Indexing Information. ") +
              database.LastErrorDescription();
    return false;
  }
  return true;
}

std::int32_t DocumentStorer::StoreIndexedDocInMDB(Document& document, AuditLog& pending, const QString& sourcePath,
                                                  const QByteArray& sourceDigest, const QVector<int>& pagesToRemove,
                                                  std::int64_t& newDocumentId, QString& message,
                                                  std::int32_t& errorNumber) {
  errorNumber = 0;
  auto database = databases_.Create();
  if (!OpenForWriting(*database, message, errorNumber)) return errorNumber ? errorNumber : -1;
  if (!database->StoreIndexedDocument(document, pending, sourcePath, sourceDigest, pagesToRemove, newDocumentId)) {
    errorNumber = database->LastError() ? database->LastError() : -1;
    message = QStringLiteral("Pyxa failed to Update the Database with the Indexing Information. ") +
              database->LastErrorDescription();
  }
  database->Disconnect();
  return errorNumber;
}

std::int32_t DocumentStorer::StoreDocsInMDB(Documents& documents, QString& message, std::int32_t& errorNumber) {
  errorNumber = 0;
  auto database = databases_.Create();
  if (!OpenForWriting(*database, message, errorNumber)) return errorNumber ? errorNumber : -1;
  if (!database->UpdateDocuments(documents)) {
    errorNumber = database->LastError() ? database->LastError() : -1;
    message = QStringLiteral("Pyxa failed to Update the Database with the Indexing Information. ") +
              database->LastErrorDescription();
  }
  database->Disconnect();
  return errorNumber;
}

std::int32_t DocumentStorer::StoreLogInMDB(QString& message, AuditLog& record, std::int32_t& errorNumber) {
  errorNumber = 0;
  auto database = databases_.Create();
  if (!OpenForWriting(*database, message, errorNumber)) return errorNumber ? errorNumber : -1;
  if (!database->UpdateDBWithLog(record)) {
    errorNumber = database->LastError() ? database->LastError() : -1;
    message = QStringLiteral("Pyxa failed to Update the Database with the Indexing Information. ") +
              database->LastErrorDescription();
  }
  database->Disconnect();
  return errorNumber;
}

QString DocumentStorer::PatientName(qint64 patientId) {
  QStringList names;
  ValuesTable values;
  try {
    session_.Call([&](ClinicalService& service) { service.GetPatientNameByID(patientId, names, values); });
  } catch (const ServiceError&) {
    return {};  // the audit row goes without the name rather than not at all
  }
  if (RowCount(values) == 0 || values->first().size() < 3) return {};
  return values->first().at(1).toString() + QStringLiteral(", ") + values->first().at(2).toString();
}

int DocumentStorer::SaveCurrentDoc(Document& document, const QString& sourcePath, const QByteArray& sourceDigest,
                                   QString& message, QVector<int>& pageList) {
  pageList.clear();
  if (!document.FileData.isEmpty()) return -1;
  AuditLog audit;
  audit.UserID = document.UserID;
  audit.PatientID = document.PatientID;
  audit.PatientName = PatientName(document.PatientID);
  audit.CategoryID = document.CategoryID;
  audit.TypeDesc = document.DocumentTypeDesc;
  audit.DocumentName = document.DocumentName;
  audit.DocumentID = 0;
  audit.ActionID = kActionPendingUpload;
  audit.ActionDate = clock_.Now();

  auto fail = [&](const QString& why) {
    document.FileData.clear();
    if (!why.isEmpty()) message = why;
    auto database = databases_.Create();
    if (QFileInfo::exists(StorePath()) && database->Connect(StorePath(), kDatabasePassword)) {
      database->Disconnect();
      audit.StatusID = kStatusFailed;
      QString ignored;
      std::int32_t number = 0;
      StoreLogInMDB(ignored, audit, number);
    }
    return -1;
  };

  QString readFrom;
  bool temporary = false;
  if (IsPagedFile(sourcePath) && document.Pages.Count() > 0) {
    std::vector<int> pages;
    for (const Page& page : document.Pages) {
      pages.push_back(page.PageNumber);
      pageList.push_back(page.PageNumber);
    }
    // The sheets it was proposed behind leave the file with it, recorded in the same insert.
    for (int sheet : document.SheetPages) pageList.push_back(sheet);
    // The pages are written beside the store, never among the available files, so that a
    // crash cannot leave a copy of them there to be indexed twice.
    QString target;
    if (const std::int32_t error = MakeUniqueTempName(settings_.UploadsFolder, QStringLiteral("tif"), target,
                                                      QStringLiteral("zzz"))) {
      pageList.clear();
      message = QStringLiteral("Failed to save the document's pages. ") + SystemErrorText(error);
      return -1;
    }
    ImageDocument source;
    DocumentResult result = source.Load(sourcePath);
    if (result.Ok()) result = source.WritePages(pages, target);
    if (!result.Ok()) {
      QFile::remove(target);
      pageList.clear();
      message = QStringLiteral("Failed to save the document's pages. ") + ViewerErrorText(result.code);
      return -1;
    }
    Step("pages written");
    readFrom = target;
    temporary = true;
  } else if (IsPagedFile(sourcePath) || document.Pages.Count() == 0) {
    // A document without pages is never stored: from a paged file it would take the whole file,
    // and a file kept whole whose one page was taken out of its document was taken back.
    message = QStringLiteral(
        "The documents do not contain any pages. Please correct these indexing problems before uploading.");
    return -1;
  } else {
    readFrom = sourcePath;
    pageList = {kWholeSourceFile};
  }

  QString readError;
  const auto bytes = ReadWhole(readFrom, readError);
  if (!bytes) {
    if (temporary) QFile::remove(readFrom);
    pageList.clear();
    return fail(QStringLiteral("Failed to read the document file '") + readFrom + QStringLiteral("'. ") + readError);
  }
  document.FileData = *bytes;
  if (temporary && !QFile::remove(readFrom)) {
    pageList.clear();
    return fail(QStringLiteral("Failed to delete the temporary file '") + readFrom + QStringLiteral("'. ") +
                SystemErrorText(errno));
  }

  // Without the file's digest a crash could not tell whether the pages had left it.
  if (sourceDigest.isEmpty()) {
    pageList.clear();
    return fail(QStringLiteral("Failed to read the document file '") + sourcePath + QStringLiteral("'."));
  }
  std::int64_t newId = 0;
  std::int32_t number = 0;
  QString insertMessage;
  audit.StatusID = kStatusSucceeded;
  if (StoreIndexedDocInMDB(document, audit, sourcePath, sourceDigest, pageList, newId, insertMessage, number) != 0) {
    pageList.clear();
    return fail(insertMessage);
  }
  Step("document inserted");
  return 1;
}

int DocumentStorer::SaveIndexedDocuments(Documents& documents, QString& message) {
  int result = 1;
  QStringList sources;  // in the order of their first document
  for (const Document& document : documents) {
    // A document stored before (reloaded at start) is already in the store: it is queued with
    // the others, not stored again.
    if (!document.FileData.isEmpty()) continue;
    if (document.SourceFile.isEmpty()) {
      message = QStringLiteral("The document '%1' does not name the file its pages come from. Please index it again.")
                    .arg(document.DocumentName);
      result = -1;
      continue;
    }
    if (!sources.contains(SourceKey(document.SourceFile))) sources << SourceKey(document.SourceFile);
  }
  for (const QString& source : sources) {
    if (SaveFromSource(documents, source, message) != 1) result = -1;
  }
  return result;
}

int DocumentStorer::SaveFromSource(Documents& documents, const QString& sourcePath, QString& message) {
  int result = 1;
  // Taken once, before anything leaves the file: every document of the file is checked against it.
  const FileStamp stamp = StampOf(sourcePath);
  const QByteArray digest = FileDigest(sourcePath);
  QVector<int> combined;
  QVector<Document*> failed;
  bool anyStored = false;
  for (Document& document : documents) {
    if (!document.FileData.isEmpty() || document.SourceFile.isEmpty() || SourceKey(document.SourceFile) != sourcePath)
      continue;
    if (!document.SourceDigest.isEmpty() && document.SourceDigest != digest) {
      message = QStringLiteral(
                    "The file '%1' was changed after its pages were indexed. Its documents were not stored; "
                    "please index it again.")
                    .arg(QFileInfo(sourcePath).fileName());
      result = -1;
      continue;
    }
    QVector<int> pageList;
    QString documentMessage;
    if (SaveCurrentDoc(document, sourcePath, digest, documentMessage, pageList) != 1) {
      result = -1;
      if (!documentMessage.isEmpty()) message = documentMessage;
      failed << &document;
      continue;
    }
    if (!documentMessage.isEmpty()) message = documentMessage;
    combined += pageList;
    anyStored = true;
  }
  if (!anyStored) return result;
  QSet<int> removed;
  if (FinishSource(sourcePath, digest, stamp, combined, message, removed) != 1) return -1;
  if (failed.isEmpty()) return result;

  // The documents that failed keep their pages, which now sit at other numbers in the rewritten
  // file: they follow it, so that storing them again takes the same pages.
  const QByteArray rewritten = FileDigest(sourcePath);
  for (Document* document : failed) {
    // Gone with its file, or holding a page that went with another document: refused (as from a
    // changed file) until indexed again.
    bool lost = rewritten.isEmpty();
    for (const Page& page : document->Pages) lost = lost || removed.contains(page.PageNumber);
    for (int sheet : document->SheetPages) lost = lost || removed.contains(sheet);
    if (lost) {
      document->SourceDigest = digest;
      continue;
    }
    const auto before = [&](int number) {
      return static_cast<std::int32_t>(
          std::count_if(removed.cbegin(), removed.cend(), [&](int gone) { return gone < number; }));
    };
    for (Page& page : document->Pages) page.PageNumber -= before(page.PageNumber);
    for (std::int32_t& sheet : document->SheetPages) sheet -= before(sheet);
    document->SourceDigest = rewritten;
  }
  return result;
}

int DocumentStorer::FinishSource(const QString& sourcePath, const QByteArray& digest, const FileStamp& stamp,
                                 const QVector<int>& stored, QString& message, QSet<int>& removed) {
  QSet<int> pages(stored.begin(), stored.end());
  // Pages an earlier store from the file, as it still is, could not take out are owed as well.
  auto database = databases_.Create();
  if (database->Connect(StorePath(), kDatabasePassword)) {
    for (const SourceRemoval& removal : database->GetSourceRemovals()) {
      if (removal.SourcePath == sourcePath && removal.SourceDigest == digest) pages.insert(removal.PageNumber);
    }
  }
  // Read again only when the file looks touched since its digest was taken.
  if (StampOf(sourcePath) != stamp && FileDigest(sourcePath) != digest) {
    message = QStringLiteral(
                  "The file '%1' was changed by another program while its documents were stored; the stored "
                  "pages may still be in it.")
                  .arg(QFileInfo(sourcePath).fileName());
    return -1;
  }
  if (const QString why = RemoveSourcePages(sourcePath, pages); !why.isEmpty()) {
    message = why;  // the recorded removals stay: the next start takes the pages out
    return -1;
  }
  removed = pages;
  Step("source saved");
  // Rows a failure leaves here name a digest the file no longer has; the next start clears them.
  database->ClearSourceRemovals(sourcePath, digest);
  database->Disconnect();
  return 1;
}

}  // namespace pyxa
