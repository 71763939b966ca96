// The line a fax machine prints across the top of every page it sends.
#pragma once

#include <QDateTime>
#include <QString>

#include "Sheet.h"

namespace pyxa {

void FaxHeader(Sheet& sheet, const QDateTime& sent, const QString& from, const QString& number, int page, int pages);

}  // namespace pyxa
