#include "FaxHeader.h"

#include <QLocale>

namespace pyxa {

void FaxHeader(Sheet& sheet, const QDateTime& sent, const QString& from, const QString& number, int page, int pages) {
  sheet.SetFont(Face::Mono, 8, true);
  const QString when = QLocale::c().toString(sent, QStringLiteral("MMM-dd-yyyy HH:mm")).toUpper();
  sheet.Text(24, 16, QStringLiteral("%1   FROM: %2   %3").arg(when, from.toUpper(), number));
  sheet.Text(Sheet::kWidth - 24, 16, QStringLiteral("P. %1/%2").arg(page).arg(pages), Qt::AlignRight);
}

}  // namespace pyxa
