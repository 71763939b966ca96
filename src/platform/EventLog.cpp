#include "platform/EventLog.h"

#include <syslog.h>

namespace pyxa {

std::int32_t SyslogSink::Write(int priority, const QByteArray& record) {
  // syslog(3) reports no failure; the record is a format argument, never the format itself.
  openlog("Pyxadesk", LOG_PID, LOG_USER);
  syslog(priority, "%s", record.constData());
  closelog();
  return 0;
}

EventLog::EventLog() : sink_(syslog_) {}

EventLog::EventLog(EventSink& sink) : sink_(sink) {}

int EventLog::PriorityFor(std::int32_t eventType) {
  switch (eventType) {
    case kError:
      return LOG_USER | LOG_ERR;
    case kWarning:
    case kAuditFailure:
      return LOG_USER | LOG_WARNING;
    case kInformation:
      return LOG_USER | LOG_INFO;
    default:  // audit success and types the event log does not define
      return LOG_USER | LOG_NOTICE;
  }
}

QByteArray EventLog::RecordFor(const QString& message) {
  QByteArray text = message.toUtf8();
  // The message travels as one zero-terminated string: it ends at its first zero character.
  const qsizetype zero = text.indexOf('\0');
  if (zero >= 0) text.truncate(zero);
  return QByteArrayLiteral("[event ") + QByteArray::number(kEventId) + QByteArrayLiteral(", category ") +
         QByteArray::number(kCategory) + QByteArrayLiteral("] ") + text;
}

void EventLog::WriteToEventLog(const QString& message, std::int32_t eventType, std::int32_t& result) {
  result = 0;
  if (eventType == 0) return;
  result = sink_.Write(PriorityFor(eventType), RecordFor(message));
}

}  // namespace pyxa
