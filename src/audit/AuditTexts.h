// How the audit windows word a stored action: its action and outcome texts and its date and time.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace pyxa {

// "PENDING UPLOAD", "SAVED", "DELETED", "REINDEXED", "UPLOADED", "VIEWED", "PRINTED"; "" for other codes.
QString AuditActionText(std::int32_t actionId);
// "SUCCEEDED" for 0 and 1, "FAILED" for -1, "" otherwise.
QString AuditStatusText(std::int32_t statusId);
// usDates (the user's country is the United States): the system's short date; otherwise day/month/year
// with a two-digit month; then a blank and the time with seconds.
QString AuditDateText(const QDateTime& when, bool usDates);

// The same wording with the system's formats read once, for lists of many rows.
class AuditDateFormat {
 public:
  explicit AuditDateFormat(bool usDates);
  QString Text(const QDateTime& when) const;

 private:
  bool usDates_;
  QString dateFormat_, timeFormat_;
};

}  // namespace pyxa
