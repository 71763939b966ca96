#include "UploadReport.h"

#include "platform/EventLog.h"

namespace pyxa {

void ConsoleAndEventLogReport::Line(const QString& text, bool failure) {
  const QByteArray line = (QStringLiteral("UploadDocuments: ") + text + QLatin1Char('\n')).toLocal8Bit();
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stream_);
  std::fflush(stream_);
  std::int32_t result = 0;
  eventLog_.WriteToEventLog(QStringLiteral("UploadDocuments: ") + text,
                            failure ? EventLog::kError : EventLog::kInformation, result);
}

}  // namespace pyxa
