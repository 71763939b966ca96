// The reads of the local store the main window makes: the stored documents that never reached
// the upload queue (reloaded into the indexed tree at start), and which encounters stored
// documents use.
#pragma once

#include "components/DocumentDatabase.h"
#include "shell/Session.h"
#include "store/StoreReadError.h"

#include <QSet>
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace pyxa {

// Creates a missing store, then reads the rows with IsUploaded -1: their columns, the patient's
// name parts from the service (an expired session renewed once; other failures leave them empty)
// and one page per page of their file data (a file that is not a TIFF counts one page).
// workFolder takes the short-lived copies that count pages; copies a crash left there go first.
// Throws StoreReadError.
Documents LoadStoredDocuments(const QString& storePath, DatabaseFactory& databases, Session& session,
                              const QString& workFolder);

// The encounters stored documents are attached to; empty when there is no store.
// Throws StoreReadError.
QSet<qint64> StoredEncounters(const QString& storePath);

}  // namespace pyxa
