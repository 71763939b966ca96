#include "upload/SourceRemovals.h"

#include "document/ImageDocument.h"
#include "platform/SystemError.h"
#include "shell/ErrorTexts.h"
#include "upload/FileDigest.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <vector>

namespace pyxa {

QString SourceKey(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}
namespace {

QString CannotDelete(const QString& path) {
  return QStringLiteral("Failed to delete the file '") + path + QStringLiteral("'. ") + SystemErrorText(errno);
}

QString CannotRemove(int code) {
  return QStringLiteral("Failed to remove the stored pages from the file. ") + ViewerErrorText(code);
}

}  // namespace

QString RemoveSourcePages(const QString& path, const QSet<int>& pages) {
  if (pages.contains(kWholeSourceFile)) return QFile::remove(path) ? QString() : CannotDelete(path);
  if (pages.isEmpty()) return {};
  ImageDocument source;
  const DocumentResult loaded = source.Load(path);
  if (!loaded.Ok()) return CannotRemove(loaded.code);
  std::vector<int> remove(pages.begin(), pages.end());
  std::sort(remove.begin(), remove.end());
  const DocumentResult deleted = source.DeletePages(remove);
  if (!deleted.Ok()) return CannotRemove(deleted.code);
  const DocumentResult saved = source.Save();
  source.Close();
  if (saved.code == -2002) return QFile::remove(path) ? QString() : CannotDelete(path);
  return saved.Ok() ? QString() : CannotRemove(saved.code);
}

QStringList FinishSourceRemovals(const QString& storePath, DatabaseFactory& databases) {
  if (!QFileInfo::exists(storePath)) return {};
  const QString unchecked =
      QStringLiteral("Pyxa could not check whether pages already stored are still in the available files. ");
  auto database = databases.Create();
  if (!database->Connect(storePath, kDatabasePassword)) return {unchecked + database->LastErrorDescription()};
  const QVector<SourceRemoval> removals = database->GetSourceRemovals();
  if (database->LastError() != 0) return {unchecked + database->LastErrorDescription()};

  // One rewrite per file and digest: the documents of one store run share the digest their file
  // had before any of their pages left it.
  struct Owed {
    QString path;
    QByteArray digest;
    QSet<int> pages;
  };
  QVector<Owed> owed;
  for (const SourceRemoval& removal : removals) {
    auto found = std::find_if(owed.begin(), owed.end(), [&](const Owed& o) {
      return o.path == removal.SourcePath && o.digest == removal.SourceDigest;
    });
    if (found == owed.end()) found = owed.insert(owed.end(), Owed{removal.SourcePath, removal.SourceDigest, {}});
    found->pages.insert(removal.PageNumber);
  }

  QStringList unfinished;
  for (const Owed& file : owed) {
    const QString name = QFileInfo(file.path).fileName();
    if (QFileInfo::exists(file.path)) {
      const QByteArray digest = FileDigest(file.path);
      if (digest.isEmpty()) {
        unfinished << QStringLiteral(
                          "The file '%1' could not be read to take out pages already stored; "
                          "Pyxa tries again at the next Browse or start.")
                          .arg(name);
        continue;
      }
      if (digest == file.digest) {
        if (const QString why = RemoveSourcePages(file.path, file.pages); !why.isEmpty()) {
          unfinished << QStringLiteral(
                            "The pages already stored from '%1' could not be taken out of it; "
                            "Pyxa tries again at the next Browse or start. %2")
                            .arg(name, why);
          continue;
        }
      }
    }
    if (!database->ClearSourceRemovals(file.path, file.digest)) {
      unfinished << QStringLiteral("The pages already taken out of '%1' could not be marked as done. %2")
                        .arg(name, database->LastErrorDescription());
    }
  }
  database->Disconnect();
  return unfinished;
}

bool OwesStoredPages(const QString& storePath, DatabaseFactory& databases, const QString& sourcePath) {
  if (!QFileInfo::exists(storePath)) return false;
  auto database = databases.Create();
  // A store that cannot be read was told of at Browse already; it keeps nobody from viewing files.
  if (!database->Connect(storePath, kDatabasePassword)) return false;
  const QVector<SourceRemoval> removals = database->GetSourceRemovals();
  database->Disconnect();
  const QString key = SourceKey(sourcePath);
  return std::any_of(removals.begin(), removals.end(),
                     [&](const SourceRemoval& removal) { return removal.SourcePath == key; });
}

}  // namespace pyxa
