// The fingerprint of a file in "Available Files": taken when its pages are indexed and compared
// before they are stored, so that pages are never taken from a file another program has changed.
#pragma once

#include <QByteArray>
#include <QString>

namespace pyxa {

// SHA-256 of the file's bytes (32 bytes); empty when the file cannot be read. Does not throw.
QByteArray FileDigest(const QString& path);

}  // namespace pyxa
