#include "upload/StoredDocuments.h"

#include "document/TiffPages.h"
#include "components/StoreSchema.h"
#include "platform/Sql.h"
#include "shell/PathRoutines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pyxa {
namespace {

int CountPages(const QByteArray& bytes, const QString& workFolder) {
  QString path;
  if (MakeUniqueTempName(workFolder, QStringLiteral("tif"), path, QStringLiteral("zzz")) != 0) return 1;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
    file.remove();
    return 1;
  }
  file.close();
  // Only the page directories are read: nothing is decoded to count pages.
  TiffPages document;
  const int pages = document.Open(path).Ok() ? document.PageCount() : 1;
  document.Close();
  QFile::remove(path);
  return std::max(1, pages);
}

void AddPatientName(Session& session, Document& document) {
  QStringList names;
  ValuesTable values;
  try {
    session.Call([&](ClinicalService& service) { service.GetPatientNameByID(document.PatientID, names, values); });
  } catch (const ServiceError&) {
    return;
  }
  if (RowCount(values) == 0) return;
  const auto field = [&](int index) {
    const auto& row = values->first();
    return index < row.size() && !row.at(index).isNull() ? row.at(index).toString() : QString();
  };
  document.LastName = field(1);
  document.FirstName = field(2);
  document.Chart = field(3);
  document.AreaCode = field(4);
  document.Phone1 = field(5);
  document.Phone2 = field(6);
}

}  // namespace

Documents LoadStoredDocuments(const QString& storePath, DatabaseFactory& databases, Session& session,
                              const QString& workFolder) {
  // Copies of pages a store stopped by a crash left behind; their pages are still in their source
  // file or in a stored document.
  QDir work(workFolder);
  for (const QString& name : work.entryList({QStringLiteral("zzz*.tif")}, QDir::Files)) work.remove(name);
  if (!QFileInfo::exists(storePath)) {
    auto database = databases.Create();
    if (!database->Create(storePath, kDatabasePassword))
      throw StoreReadError(database->LastError(), database->LastErrorDescription());
    database->Disconnect();
  }
  Documents documents;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    auto row = connection.Prepare(QStringLiteral("SELECT * FROM Documents WHERE IsUploaded = ? ORDER BY DocumentID"));
    row.Bind(1, qint64{kStoredNotQueued});
    while (row.Step()) {
      documents.Add(ReadDocumentRow(row));
    }
  } catch (const SqlError& error) {
    throw StoreReadError(error.Code(), error.Message());
  }
  for (Document& document : documents) {
    AddPatientName(session, document);
    const int pages = CountPages(document.FileData, workFolder);
    for (int page = 1; page <= pages; ++page) document.Pages.Add(Page{page, {}});
  }
  return documents;
}

QSet<qint64> StoredEncounters(const QString& storePath) {
  QSet<qint64> encounters;
  if (!QFileInfo::exists(storePath)) return encounters;
  try {
    SqlConnection connection(storePath, SqlConnection::Mode::ReadOnly);
    auto row = connection.Prepare(
        QStringLiteral("SELECT DISTINCT EncounterID FROM Documents WHERE EncounterID IS NOT NULL AND EncounterID <> 0"));
    while (row.Step()) encounters.insert(row.Int(QStringLiteral("EncounterID"), 0));
  } catch (const SqlError& error) {
    throw StoreReadError(error.Code(), error.Message());
  }
  return encounters;
}

}  // namespace pyxa
