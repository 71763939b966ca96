// Small text routines of the main window: a file's name and extension from a path, the n-th
// field of a separated list, and a free name for a file copied into the available-files folder.
#pragma once

#include <QString>

namespace pyxa {

// The part of a path after its last "/" or "\"; the whole text when it has neither.
QString NameFromFullPath(const QString& FullPath);

// The n-th (1-based) field of text split at separator; empty when there is no such field.
QString GetNth(const QString& text, int n, const QString& separator);

// The upper-cased text after the last "." of the file's name ("a.tif" gives "TIF"); empty when
// the name has no ".". A "." in a folder name does not count.
QString FileExtension(const QString& name);

// The name under which fileName can be copied into folder without replacing a file there:
// fileName itself when it is free, else "name (2).ext", "name (3).ext", ... Only the name part of
// fileName is used, so a copy never lands outside folder. Empty when no free name is found.
QString FreeCopyName(const QString& folder, const QString& fileName);

}  // namespace pyxa
