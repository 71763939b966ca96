// The name of a new scanned batch in the Available Files folder: "Batch_yyyyMMdd_hhmmss.tif", one
// second later while that name is taken. The name is taken by creating the file exclusively, so two
// programs (or two batches of one program) starting in the same second never share a batch file.
#pragma once

#include <QDateTime>
#include <QString>

namespace pyxa {

class Clock;

// The batch file name rule on its own: the date part is fixed by start, the time part moves on by
// attempt seconds (a batch begun at 23:59:59 keeps that day's date past midnight).
QString BatchFileName(const QString& folder, const QDateTime& start, int attempt);

struct BatchName {
  int code = 0;     // 0, or the system error that kept the folder or the file from being made
  QString path;     // the reserved (empty, owner-only) batch file when code is 0
  QString message;  // what went wrong, for the user
  bool Ok() const { return code == 0; }
};

// Creates folder (with missing parents) and reserves the first free batch name in it from the
// clock's present moment on. The caller fills the reserved file or removes it.
BatchName ReserveBatchName(const QString& folder, const Clock& clock);

}  // namespace pyxa
