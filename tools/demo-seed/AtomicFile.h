// Writes one file of the demo paper the safe way: into a temporary file beside it (mode 0600),
// flushed to disk, then renamed into place, so a reader never sees half a file.
#pragma once

#include <QFile>
#include <QString>
#include <functional>

namespace pyxa {

// fill writes the content into the open file (it may use file.handle() directly); on false it
// says why in error, and nothing is left behind. An existing file of that name is not replaced.
bool WriteFileAtomically(const QString& path, const std::function<bool(QFile& file, QString& error)>& fill,
                         QString& error);

}  // namespace pyxa
