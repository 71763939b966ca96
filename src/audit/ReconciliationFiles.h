// The files reconciliation writes: a re-indexed document put back into Available Files (made
// durable before the store lets go of it), and short-lived preview copies in a private folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace pyxa {

// A file could not be written; Number is the errno of the failure.
class ReconciliationFileError : public std::runtime_error {
 public:
  ReconciliationFileError(int number, const QString& description)
      : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
  int Number() const { return number_; }
  const QString& Description() const { return description_; }

 private:
  int number_;
  QString description_;
};

// The upper-case extension after the name's last "." ("" when none).
QString DocumentExtension(const QString& name);

// The file name a document goes back under: its stored name without ":", with "/", "\" and
// control characters made "_", and leading dots and blanks dropped so it is neither hidden nor
// a way out of the folder. "" when nothing usable is left.
QString ReindexFileName(const QString& documentName);

// Writes data to folder/name under a temporary name, syncs file and folder, then gives it its
// name without ever replacing a file. On any failure nothing is left behind. Throws
// ReconciliationFileError (EEXIST when the name was taken meanwhile, ENOSPC/EFBIG for a full disk).
void WriteFileDurably(const QString& folder, const QString& name, const QByteArray& data);

// Removes the temporary files of re-index writes a crash interrupted in folder. Such a file never
// got its name, so its document is still stored and the file is only a stray copy.
void ClearStaleReindexFiles(const QString& folder);

// Prefix of every preview copy, so stale ones are known.
inline const QString kPreviewPrefix = QStringLiteral("zzz");

// The program's own folder for preview copies (in the user's cache, mode 0700).
QString DefaultPreviewFolder();
// Creates the folder (mode 0700) when missing and removes the preview copies a crash left there.
void PreparePreviewFolder(const QString& folder);
// A new preview copy (mode 0600) of data with that extension; answers its path. Throws
// ReconciliationFileError; a partial copy is removed.
QString WritePreview(const QString& folder, const QString& extension, const QByteArray& data);

}  // namespace pyxa
