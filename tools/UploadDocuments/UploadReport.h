// Where an upload run reports: one line per document and per reason to stop, so that a scheduled
// run leaves a trace. The program writes each line to stderr and to the system log.
#pragma once

#include <QString>
#include <cstdio>

namespace pyxa {

class EventLog;

class UploadReport {
 public:
  virtual ~UploadReport() = default;
  // failure: the line tells of something that did not work.
  virtual void Line(const QString& text, bool failure) = 0;
};

// Writes "UploadDocuments: " + the line to a stream, and the line to the event log.
class ConsoleAndEventLogReport final : public UploadReport {
 public:
  ConsoleAndEventLogReport(std::FILE* stream, EventLog& eventLog) : stream_(stream), eventLog_(eventLog) {}
  void Line(const QString& text, bool failure) override;

 private:
  std::FILE* stream_;
  EventLog& eventLog_;
};

}  // namespace pyxa
