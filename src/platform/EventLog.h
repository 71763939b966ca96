// The program's event-log writer. On Linux an event is one syslog record with the ident
// "Pyxadesk"; the record's sink is injectable so that tests can read what would be logged.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pyxa {

// Where event records go. Write returns 0, or when the record was lost an errno-style code
// (-1 when the failure has none).
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual std::int32_t Write(int priority, const QByteArray& record) = 0;
};

// The system log through syslog(3): opened with the ident for each record and closed again.
class SyslogSink final : public EventSink {
 public:
  std::int32_t Write(int priority, const QByteArray& record) override;
};

class EventLog {
 public:
  // Event types of the event log: 0 writes nothing.
  static constexpr std::int32_t kError = 1;
  static constexpr std::int32_t kWarning = 2;
  static constexpr std::int32_t kInformation = 4;
  static constexpr std::int32_t kAuditSuccess = 8;
  static constexpr std::int32_t kAuditFailure = 16;
  static constexpr std::int32_t kEventId = 1;
  static constexpr std::int32_t kCategory = 0;

  EventLog();  // writes to the system log
  explicit EventLog(EventSink& sink);
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Writes one record "[event 1, category 0] " + message. result: 0 on success, else the sink's
  // failure code.
  void WriteToEventLog(const QString& message, std::int32_t eventType, std::int32_t& result);

  // The syslog priority (facility and level) of an event type.
  static int PriorityFor(std::int32_t eventType);
  static QByteArray RecordFor(const QString& message);

 private:
  SyslogSink syslog_;
  EventSink& sink_;
};

}  // namespace pyxa
