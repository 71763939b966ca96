#include "shell/FolderCleanup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pyxa {

CleanupResult CleanFolder(const QString& folder, const QString& storePath,
                          const std::function<int()>& storedDocuments) {
  CleanupResult result;
  const QString store = storePath.isEmpty() ? QString() : QFileInfo(storePath).absoluteFilePath();
  if (!store.isEmpty() && QFileInfo(store).isFile() && storedDocuments) result.storeKeptFor = storedDocuments();
  const QDir dir(folder);
  for (const QFileInfo& file : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
    const QString path = file.absoluteFilePath();
    // The store's journal belongs to it: without it an interrupted write could not be rolled back.
    if (result.storeKeptFor > 0 && (path == store || path == store + QStringLiteral("-journal"))) continue;
    if (QFile::remove(path)) {
      ++result.deleted;
      continue;
    }
    // A read-only file goes too, as the folder's owner asked.
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
    if (QFile::remove(path)) {
      ++result.deleted;
    } else {
      result.failed << file.fileName();
    }
  }
  return result;
}

QString StoreKeptText(int documents) {
  return documents == 1
             ? QStringLiteral("The document store was kept: 1 stored document has not been uploaded yet.")
             : QStringLiteral("The document store was kept: %1 stored documents have not been uploaded yet.").arg(documents);
}

}  // namespace pyxa
