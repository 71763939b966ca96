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

AuditDateFormat::AuditDateFormat(bool usDates) : usDates_(usDates) {
  const QLocale locale = QLocale::system();
  dateFormat_ = usDates ? locale.dateFormat(QLocale::ShortFormat) : QStringLiteral("d/MM/yyyy");
  // The locale's long time names the time zone; a clinic's own actions need only the clock time.
  timeFormat_ = locale.timeFormat(QLocale::LongFormat);
  timeFormat_.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
  timeFormat_ = timeFormat_.trimmed();
}

QString AuditDateFormat::Text(const QDateTime& when) const {
  if (!when.isValid()) return {};
  return when.date().toString(dateFormat_) + QLatin1Char(' ') + when.time().toString(timeFormat_);
}

QString AuditDateText(const QDateTime& when, bool usDates) { return AuditDateFormat(usDates).Text(when); }

}  // namespace pyxa
