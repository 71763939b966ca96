// The login throttle: failures make further attempts wait, doubling, per account and computer and
// per computer; a success clears the account; old failures are forgotten.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "LoginThrottle.h"
#include "components/ClinicErrors.h"
#include "components/ClinicalService.h"

namespace pyxa {
namespace {

const QString kHere = QStringLiteral("10.0.0.5");

class LoginThrottleTest : public ::testing::Test {
 protected:
  // The seconds the refusal asks for, or 0 when the attempt is let through.
  qint64 Refusal(const QString& login, const QString& address = kHere) {
    try {
      throttle_.Admit(login, address);
      return 0;
    } catch (const ServiceError& error) {
      EXPECT_EQ(error.Number(), kClinicErrorThrottled);
      lastText_ = error.Description();
      const QRegularExpressionMatch wait =
          QRegularExpression(QStringLiteral("Please wait (\\d+) seconds")).match(error.Description());
      EXPECT_TRUE(wait.hasMatch()) << error.Description().toStdString();
      return wait.captured(1).toLongLong();
    }
  }
  void Fail(const QString& login, int times, const QString& address = kHere) {
    for (int i = 0; i < times; ++i) {
      ASSERT_EQ(Refusal(login, address), 0) << "failure " << i;
      throttle_.Failed(login, address);
    }
  }

  ManualClock clock_;
  LoginThrottle throttle_{clock_};
  QString lastText_;
};

TEST_F(LoginThrottleTest, WaitDoublesAfterTheFifthFailureUpToItsCap) {
  Fail(QStringLiteral("demo"), 5);
  qint64 expected = 1;
  for (int failures = 5; failures < 16; ++failures) {
    EXPECT_EQ(Refusal(QStringLiteral("demo")), expected) << failures << " failures";
    clock_.AdvanceSeconds(expected - 1);
    EXPECT_EQ(Refusal(QStringLiteral("demo")), 1) << "a second before the wait is over";
    clock_.AdvanceSeconds(1);
    EXPECT_EQ(Refusal(QStringLiteral("demo")), 0);
    throttle_.Failed(QStringLiteral("demo"), kHere);
    expected = std::min<qint64>(expected * 2, 300);
  }
  EXPECT_EQ(Refusal(QStringLiteral("demo")), 300);
}

TEST_F(LoginThrottleTest, RefusalNamesTheLoginAndNeverSaysWrongPassword) {
  Fail(QStringLiteral("demo"), 5);
  EXPECT_EQ(Refusal(QStringLiteral("  DEMO ")), 1) << "letter case and spaces name the same account";
  EXPECT_EQ(lastText_, QStringLiteral("Too many failed logins for \"DEMO\" from this computer. Please wait 1 seconds "
                                      "and try again."));
  EXPECT_FALSE(lastText_.contains(kWrongLoginOrPassword));
}

TEST_F(LoginThrottleTest, ParallelAttemptsPastTheLimitPassOneAtATime) {
  Fail(QStringLiteral("demo"), 5);
  clock_.AdvanceSeconds(1);
  EXPECT_EQ(Refusal(QStringLiteral("demo")), 0);
  EXPECT_GT(Refusal(QStringLiteral("demo")), 0) << "a second attempt while the first is being checked";
}

TEST_F(LoginThrottleTest, SuccessClearsTheAccountOnThatComputerOnly) {
  Fail(QStringLiteral("demo"), 5);
  Fail(QStringLiteral("demo"), 5, QStringLiteral("10.0.0.6"));
  ASSERT_GT(Refusal(QStringLiteral("demo")), 0);
  throttle_.Succeeded(QStringLiteral("demo"), kHere);
  EXPECT_EQ(Refusal(QStringLiteral("demo")), 0);
  EXPECT_EQ(Refusal(QStringLiteral("demo")), 0) << "the wait is gone, not only spent";
  EXPECT_GT(Refusal(QStringLiteral("demo"), QStringLiteral("10.0.0.6")), 0);
}

TEST_F(LoginThrottleTest, OneComputerTryingManyAccountsIsSlowedDown) {
  for (int i = 0; i < 30; ++i) Fail(QStringLiteral("user%1").arg(i), 1);
  EXPECT_EQ(Refusal(QStringLiteral("never-tried")), 1);
  EXPECT_EQ(Refusal(QStringLiteral("never-tried"), QStringLiteral("10.0.0.6")), 0) << "another computer";
  throttle_.Succeeded(QStringLiteral("user0"), kHere);
  EXPECT_EQ(Refusal(QStringLiteral("never-tried")), 1) << "one known password does not clear the computer";
}

TEST_F(LoginThrottleTest, FailuresOlderThanTheWindowAreForgotten) {
  Fail(QStringLiteral("demo"), 4);
  clock_.AdvanceSeconds(15 * 60 + 1);
  Fail(QStringLiteral("demo"), 4);
  EXPECT_EQ(Refusal(QStringLiteral("demo")), 0) << "four old and four new failures are not eight";

  for (int i = 0; i < 50; ++i) Fail(QStringLiteral("user%1").arg(i), 1, QStringLiteral("10.1.0.%1").arg(i));
  EXPECT_EQ(throttle_.Entries(), 102);
  clock_.AdvanceSeconds(15 * 60 + 1);
  Fail(QStringLiteral("someone"), 1);
  EXPECT_EQ(throttle_.Entries(), 2) << "only the new failure's account and computer are kept";
}

}  // namespace
}  // namespace pyxa
