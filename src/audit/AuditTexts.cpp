#include "audit/AuditTexts.h"

#include <QLocale>

#include "components/DocumentRecords.h"

namespace pyxa {

QString AuditActionText(std::int32_t actionId) {
  switch (actionId) {
    case kActionPendingUpload: return QStringLiteral("PENDING UPLOAD");
    case kActionSaved: return QStringLiteral("SAVED");
    case kActionDeleted: return QStringLiteral("DELETED");
    case kActionReindexed: return QStringLiteral("REINDEXED");
    case kActionUploaded: return QStringLiteral("UPLOADED");
    case kActionViewed: return QStringLiteral("VIEWED");
    case kActionPrinted: return QStringLiteral("PRINTED");
    default: return {};
  }
}

QString AuditStatusText(std::int32_t statusId) {
  if (statusId == 0 || statusId == 1) return QStringLiteral("SUCCEEDED");
  if (statusId == -1) return QStringLiteral("FAILED");
  return {};
}

QString AuditDateText(const QDateTime& when, bool usDates) {
  if (!when.isValid()) return {};
  const QLocale locale = QLocale::system();
  // The locale's long time names the time zone; a clinic's own actions need only the clock time.
  QString timeFormat = locale.timeFormat(QLocale::LongFormat);
  timeFormat.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
  const QString date = usDates ? locale.toString(when.date(), QLocale::ShortFormat)
                               : when.date().toString(QStringLiteral("d/MM/yyyy"));
  return date + QLatin1Char(' ') + locale.toString(when.time(), timeFormat.trimmed());
}

}  // namespace pyxa
