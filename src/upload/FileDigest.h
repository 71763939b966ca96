// The fingerprint of a file in "Available Files": taken when its pages are indexed and compared
// before they are stored, so that pages are never taken from a file another program has changed.
#pragma once

#include <QByteArray>
#include <QString>

namespace pyxa {

// BLAKE2b-256 of the file's bytes (32 bytes; several times faster than SHA-256 on a long batch);
// empty when the file cannot be read. Does not throw.
QByteArray FileDigest(const QString& path);

// What tells a file apart from a rewritten one without reading it: its inode, size and change
// time to the nanosecond. Equal stamps spare a second digest of an unchanged file.
struct FileStamp {
  quint64 inode = 0;
  qint64 size = -1;
  qint64 changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
// All zero and -1 when the file cannot be looked at.
FileStamp StampOf(const QString& path);

}  // namespace pyxa
