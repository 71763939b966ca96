#include "FakeService.h"
#include "shell/Session.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

using testing::FakeService;
using testing::FakeServiceLog;

class SessionRetry : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Replace(std::make_unique<FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("pw"), QStringLiteral("file:///c.sqlite"));
  }
  QDateTime ServerTime(RetryOn on = RetryOn::SessionTimeout) {
    return session.Call([](ClinicalService& s) { return s.GetServerTime(); }, on);
  }

  FakeServiceLog log;
  Session session;
};

TEST_F(SessionRetry, SucceedsWithoutReconnectWhenTheCallWorks) {
  EXPECT_TRUE(ServerTime().isValid());
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("GetServerTime")});
}

TEST_F(SessionRetry, AnExpiredSessionAnywhereInTheDescriptionReconnectsOnceWithStoredCredentials) {
  log.failures = {QStringLiteral("Server said: your session timed out (code 9)")};
  EXPECT_TRUE(ServerTime().isValid());
  EXPECT_EQ(log.calls, (QStringList{QStringLiteral("GetServerTime"), QStringLiteral("Connect(demo,pw,file:///c.sqlite)"),
                                    QStringLiteral("GetServerTime")}));
}

TEST_F(SessionRetry, TheSecondFailureReachesTheCallerWithoutAThirdAttempt) {
  log.failures = {QStringLiteral("session timed out"), QStringLiteral("session timed out")};
  EXPECT_THROW(ServerTime(), ServiceError);
  EXPECT_EQ(log.calls.count(QStringLiteral("GetServerTime")), 2);
}

TEST_F(SessionRetry, TheSubstringTestIsCaseSensitive) {
  log.failures = {QStringLiteral("Session Timed Out")};
  EXPECT_THROW(ServerTime(), ServiceError);
  EXPECT_EQ(log.calls, QStringList{QStringLiteral("GetServerTime")});
}

TEST_F(SessionRetry, ConnectionErrorsRetryOnlyWhenTheCallerAsks) {
  log.failures = {QStringLiteral("Unable to connect to the remote server")};
  EXPECT_THROW(ServerTime(), ServiceError);
  log.calls.clear();
  log.failures = {QStringLiteral("The underlying connection was closed")};
  EXPECT_TRUE(ServerTime(RetryOn::SessionTimeoutOrConnection).isValid());
  EXPECT_EQ(log.calls.size(), 3);
}

TEST_F(SessionRetry, AnEmptyUrlReconnectsWithTwoArguments) {
  session.SetCredentials(QStringLiteral("demo"), QStringLiteral("pw"), QString());
  log.failures = {QStringLiteral("session timed out")};
  ServerTime();
  EXPECT_EQ(log.calls.at(1), QStringLiteral("Connect(demo,pw)"));
}

TEST_F(SessionRetry, AFailedReconnectReachesTheCaller) {
  log.failures = {QStringLiteral("session timed out")};
  log.connectFailures = {QStringLiteral("Unable to connect: host down")};
  try {
    ServerTime();
    FAIL() << "expected the reconnect failure";
  } catch (const ServiceError& error) {
    EXPECT_EQ(error.Description(), QStringLiteral("Unable to connect: host down"));
  }
}

TEST(SessionWithoutLogin, CallsReportAnExpiredSession) {
  Session session;
  try {
    session.Call([](ClinicalService& s) { return s.UserID(); });
    FAIL();
  } catch (const ServiceError& error) {
    EXPECT_TRUE(IsSessionTimeout(error.Description()));
  }
}

TEST(ErrorPhrases, ConnectionPhrasesAreCaseSensitiveSubstrings) {
  EXPECT_TRUE(IsConnectionError(QStringLiteral("x Unable to connect y")));
  EXPECT_TRUE(IsConnectionError(QStringLiteral("The underlying connection was closed: ...")));
  EXPECT_TRUE(IsConnectionError(QStringLiteral("The request failed with HTTP status 503")));
  EXPECT_FALSE(IsConnectionError(QStringLiteral("unable to connect")));
  EXPECT_FALSE(IsConnectionError(QStringLiteral("Request Failed")));
  EXPECT_FALSE(IsSessionTimeout(QStringLiteral("session expired")));
}

}  // namespace
}  // namespace pyxa
