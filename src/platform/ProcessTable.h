// Whether a program of a given name runs on this computer, read from /proc.
#pragma once

#include <QString>

namespace pyxa {

// True when a process of the user's or anyone's whose program name (the name the kernel keeps,
// or the file name of its first argument) equals name, ignoring letter case. machine: only the
// local computer is known; any other name answers false.
bool IsProcessRunning(const QString& machine, const QString& name);

}  // namespace pyxa
