// Names of indexed documents: the default name proposed from the date and category, the
// extension of a name, and the rule applied when the user leaves the name field.
#pragma once

#include <QDateTime>
#include <QString>

namespace pyxa {

// Year, "_", month and day, the category's last four characters, "_", hours ":" minutes.
QString DefaultDocumentName(const QDateTime& now, const QString& category);

// The upper-cased text after the last "." of a name; empty when it has none.
QString DocumentFileExtension(const QString& name);

// The name with the extension ext: a three-letter extension is replaced, else ".ext" is appended.
// An empty name stays empty.
QString WithDocumentExtension(const QString& name, const QString& ext);

// The name after a category change: a name with the extension TIF or none becomes the default
// name (with the extension kept); any other name (a PDF's or DOC's) stays.
QString NameForCategory(const QString& name, const QDateTime& now, const QString& category);

// Leaving the name field: a name whose fourth character from the end is not "." gets "." and
// the extension it had on entry (or the indexed file's, else TIF). An empty name stays empty.
QString NameOnLeave(const QString& name, const QString& extensionOnEntry, const QString& fileExtension);

}  // namespace pyxa
