#include "RequestLog.h"

namespace pyxa {

QString FormatRequestLine(const RequestRecord& record) {
  return QStringLiteral("%1 %2 %3 %4 %5ms in=%6 out=%7 user=%8")
      .arg(record.time.toUTC().toString(Qt::ISODateWithMs),
           record.address.isEmpty() ? QStringLiteral("-") : record.address,
           record.member.isEmpty() ? QStringLiteral("-") : record.member)
      .arg(record.status)
      .arg(record.durationMs)
      .arg(record.requestBytes)
      .arg(record.answerBytes)
      .arg(record.userId);
}

}  // namespace pyxa
