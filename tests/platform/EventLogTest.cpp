#include <gtest/gtest.h>
#include <syslog.h>

#include <QList>
#include <utility>

#include "platform/EventLog.h"

namespace pyxa {
namespace {

class RecordingSink final : public EventSink {
 public:
  std::int32_t Write(int priority, const QByteArray& record) override {
    records.append({priority, record});
    return failWith;
  }
  QList<std::pair<int, QByteArray>> records;
  std::int32_t failWith = 0;
};

TEST(EventLog, WritesOneRecordWithEventIdCategoryAndMappedPriority) {
  RecordingSink sink;
  EventLog log(sink);
  const QList<std::pair<std::int32_t, int>> types{{1, LOG_ERR},    {2, LOG_WARNING},  {4, LOG_INFO},
                                                  {8, LOG_NOTICE}, {16, LOG_WARNING}, {3, LOG_NOTICE}};
  for (const auto& [type, level] : types) {
    std::int32_t result = -99;
    log.WriteToEventLog(QString::fromUtf8("Store failed for Zoë"), type, result);
    EXPECT_EQ(result, 0);
    ASSERT_FALSE(sink.records.isEmpty());
    EXPECT_EQ(sink.records.back().first, LOG_USER | level) << type;
    EXPECT_EQ(sink.records.back().second, QByteArray("[event 1, category 0] Store failed for Zo\xC3\xAB"));
  }
  EXPECT_EQ(sink.records.size(), types.size());
}

TEST(EventLog, TypeZeroWritesNothingAndSinkFailuresComeBack) {
  RecordingSink sink;
  EventLog log(sink);
  std::int32_t result = -99;
  log.WriteToEventLog(QStringLiteral("ignored"), 0, result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(sink.records.isEmpty());

  // The text ends at its first zero character; format characters stay text.
  log.WriteToEventLog(QStringLiteral("100%s done") + QChar(0) + QStringLiteral("hidden"), EventLog::kWarning, result);
  ASSERT_EQ(sink.records.size(), 1);
  EXPECT_EQ(sink.records.back().second, QByteArray("[event 1, category 0] 100%s done"));

  sink.failWith = EIO;
  log.WriteToEventLog(QStringLiteral("lost"), EventLog::kError, result);
  EXPECT_EQ(result, EIO);
}

}  // namespace
}  // namespace pyxa
