// Emptying a working folder from the configuration window: every file in it (not its sub-folders) is
// deleted, read-only ones too, except the document store while it still holds documents that have not
// reached the clinic, which would be lost with it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace pyxa {

struct CleanupResult {
  int deleted = 0;
  QStringList failed;  // files that could not be deleted (held by another program, no permission)
  int storeKeptFor = 0;  // documents waiting in the store that was kept; 0 when none was kept
  bool Ok() const { return failed.isEmpty(); }
};

// storePath: the document store, kept (with its journal) while storedDocuments() answers more than 0;
// "" when the folder holds no store.
CleanupResult CleanFolder(const QString& folder, const QString& storePath = {},
                          const std::function<int()>& storedDocuments = {});

// The sentence for a clean-up that kept the store.
QString StoreKeptText(int documents);

}  // namespace pyxa
