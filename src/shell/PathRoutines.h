// Small file-system helpers shared by the shell and the windows: creating a folder path,
// choosing a fresh temporary file name, and finding a text in the first column of a table.
#pragma once

#include <QString>
#include <cstdint>

#include "components/ClinicalService.h"

namespace pyxa {

// Creates the folder and every missing parent (each new level with mode 0700, as the folders
// hold patient records); folders that exist are left as they are. One trailing "/" is ignored.
// Returns 0 on success (also when the folder already exists), -1 at the first level that cannot
// be created, including when a file that is not a folder stands in its place.
std::int32_t CreateFolderPath(const QString& path);

// Puts into fileName the full path of a file that does not exist in folder: folder + prefix +
// random characters, then "." + extension when extension is not empty. A folder without a
// trailing "/" gets one. Returns 0, or the system error code (fileName emptied) when no name
// can be made there, for example because the folder is missing.
std::int32_t MakeUniqueTempName(const QString& folder, const QString& extension, QString& fileName,
                                const QString& prefix);

// Row index of the first row whose first field equals text, ignoring letter case; -1 when no
// row matches or the table is not an array.
std::int32_t FindInColumn(const QString& text, const ValuesTable& table);

}  // namespace pyxa
