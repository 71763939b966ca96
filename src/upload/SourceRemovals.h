// Taking stored pages out of their source files in "Available Files": the rewrite itself, shared
// by storing and by the start-up that finishes the removals a crash left recorded in the store.
#pragma once

#include "components/DocumentDatabase.h"

#include <QSet>
#include <QStringList>

namespace pyxa {

// The name the store records a source file by: its canonical path, however a document spelled
// it, so that each file is rewritten once and is recognised when it still owes pages.
QString SourceKey(const QString& path);

// Takes the pages (original numbers) out of the file in one rewrite, deleting a file left without
// pages; kWholeSourceFile among them deletes the file. Empty when done, else why not. Nothing
// here throws.
QString RemoveSourcePages(const QString& path, const QSet<int>& pages);

// Run at start before anything is shown. For each file with removals recorded in the store at a
// digest: when the file still has that digest, the recorded pages of all its documents leave it
// in one rewrite (a whole-file removal deletes it); then the rows are cleared. When the file is
// gone or has another digest (it was rewritten before the crash), the rows are only cleared.
// Answers a line for the user for each thing it could not finish (its rows stay for the next
// start); nothing when all went or there is no store, which it does not create.
QStringList FinishSourceRemovals(const QString& storePath, DatabaseFactory& databases);

// Whether the store records pages the file still has to give up (a removal that could not be
// finished yet): such a file may not be indexed, its pages are stored already. False when the
// store cannot be read (FinishSourceRemovals tells of that).
bool OwesStoredPages(const QString& storePath, DatabaseFactory& databases, const QString& sourcePath);

}  // namespace pyxa
