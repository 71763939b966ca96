// Storing indexed documents into the local store: each document's pages, taken from its own
// source file, become its file data with an audit row, the stored pages leave their source files,
// and the collection is handed over for upload together with the upload settings.
#pragma once

#include "components/DocumentDatabase.h"
#include "platform/Clock.h"
#include "shell/AppSettings.h"
#include "shell/Session.h"
#include "upload/FileDigest.h"

#include <QSet>
#include <QVector>
#include <functional>

namespace pyxa {

class DocumentStorer {
 public:
  // All are kept by reference and must outlive the object.
  DocumentStorer(const AppSettings& settings, DatabaseFactory& databases, Session& session, const Clock& clock);

  QString StorePath() const;

  // Stores every document of the collection not stored yet (empty FileData), each from the pages
  // of its own SourceFile, then takes the stored pages out of each source file in one rewrite of
  // that file (deleting a source left without pages; a PDF or DOC, stored whole, is deleted).
  // A document whose source no longer has its SourceDigest is refused and its source untouched.
  // Each insert records in the store the pages its source still owes, so that a crash before the
  // rewrite is finished by FinishSourceRemovals (upload/SourceRemovals.h) at the next start.
  // 1 when all went, -1 when any failed (message says why); a failed document keeps its place
  // and pages, renumbered to follow its rewritten source.
  int SaveIndexedDocuments(Documents& documents, QString& message);

  // The component calls, each creating a missing store and writing the upload settings first.
  // StoreIndexedDocInMDB writes the document, its audit row and its pages' removals from the
  // source in one transaction (Database::StoreIndexedDocument).
  std::int32_t StoreIndexedDocInMDB(Document& document, AuditLog& pending, const QString& sourcePath,
                                    const QByteArray& sourceDigest, const QVector<int>& pagesToRemove,
                                    std::int64_t& newDocumentId, QString& message, std::int32_t& errorNumber);
  std::int32_t StoreDocsInMDB(Documents& documents, QString& message, std::int32_t& errorNumber);
  std::int32_t StoreLogInMDB(QString& message, AuditLog& record, std::int32_t& errorNumber);

  // Test hook: called at each step of storing with the step's name ("pages written", "document
  // inserted", "source saved").
  std::function<void(const char* step)> checkpoint;

 private:
  // The unstored documents of one source file, then the removal of their pages from it.
  int SaveFromSource(Documents& documents, const QString& sourcePath, QString& message);
  // One document: its file data, then its insert with its audit row and its pages' removals
  // (recorded at sourceDigest). pageList: its pages in the source, or kWholeSourceFile.
  int SaveCurrentDoc(Document& document, const QString& sourcePath, const QByteArray& sourceDigest, QString& message,
                     QVector<int>& pageList);
  // Takes the pages stored from the file (and any still recorded for it at digest) out of it in
  // one rewrite, then clears their recorded removals. removed: the pages taken out.
  int FinishSource(const QString& sourcePath, const QByteArray& digest, const FileStamp& stamp,
                   const QVector<int>& stored, QString& message,
                   QSet<int>& removed);
  // Creates the store when missing and writes the upload settings; false with message set.
  bool OpenForWriting(Database& database, QString& message, std::int32_t& errorNumber);
  QString PatientName(qint64 patientId);
  void Step(const char* step) const {
    if (checkpoint) checkpoint(step);
  }

  const AppSettings& settings_;
  DatabaseFactory& databases_;
  Session& session_;
  const Clock& clock_;
};

}  // namespace pyxa
