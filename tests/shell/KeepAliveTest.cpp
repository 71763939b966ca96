#include "FakeService.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ErrorTexts.h"
#include "shell/KeepAlive.h"
#include "shell/ServiceFailures.h"

#include <gtest/gtest.h>

namespace pyxa {
namespace {

using testing::FakeService;
using testing::FakeServiceLog;

struct CountingLogin final : LoginPrompt {
  bool ShowLogin() override {
    ++shown;
    return answer;
  }
  int shown = 0;
  bool answer = true;
};

struct RecordingTimer final : KeepAliveTimer {
  void Stop() override { events << QStringLiteral("stop"); }
  void Start() override { events << QStringLiteral("start"); }
  QStringList events;
};

class KeepAliveTick : public ::testing::Test {
 protected:
  void SetUp() override {
    session.Replace(std::make_unique<FakeService>(log));
    session.SetCredentials(QStringLiteral("demo"), QStringLiteral("pw"), QStringLiteral("file:///c"));
  }
  FakeServiceLog log;
  Session session;
  ScriptedPrompter prompter;
  CountingLogin login;
  RecordingTimer timer;
  KeepAlive keepAlive{session, prompter, login, timer};
};

TEST_F(KeepAliveTick, AnyFailureReconnectsSilentlyOnce) {
  log.failures = {QStringLiteral("anything at all")};
  EXPECT_EQ(keepAlive.Tick(), KeepAlive::Result::Reconnected);
  EXPECT_EQ(log.calls.count(QStringLiteral("Connect(demo,pw,file:///c)")), 1);
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_TRUE(timer.events.isEmpty());
}

TEST_F(KeepAliveTick, OtherErrorsOfTheSecondAttemptEndTheTickSilently) {
  log.failures = {QStringLiteral("boom"), QStringLiteral("Unable to connect")};
  EXPECT_EQ(keepAlive.Tick(), KeepAlive::Result::Failed);
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_EQ(login.shown, 0);
}

TEST_F(KeepAliveTick, ADeadSessionStopsTheTimerAsksForLoginAndRestartsOnlyAfterSuccess) {
  log.failures = {QStringLiteral("session timed out"), QStringLiteral("session timed out")};
  EXPECT_EQ(keepAlive.Tick(), KeepAlive::Result::LoggedInAgain);
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts().front().text, QStringLiteral("You're not logged in, or your session timed out"));
  EXPECT_EQ(prompter.Prompts().front().icon, PromptIcon::Critical);
  EXPECT_EQ(timer.events, (QStringList{QStringLiteral("stop"), QStringLiteral("start")}));

  log.failures = {QStringLiteral("session timed out"), QStringLiteral("session timed out")};
  login.answer = false;
  timer.events.clear();
  EXPECT_EQ(keepAlive.Tick(), KeepAlive::Result::LoginRefused);
  EXPECT_EQ(timer.events, QStringList{QStringLiteral("stop")});
}

TEST(ServiceFailureReport, ClassifiesIntoSessionConnectionAndGenericMessages) {
  ScriptedPrompter prompter;
  CountingLogin login;
  ReportServiceFailure(ServiceError(5, QStringLiteral("x session timed out")), prompter, login);
  ReportServiceFailure(ServiceError(5, QStringLiteral("request failed: timeout")), prompter, login);
  ReportServiceFailure(ServiceError(5, QStringLiteral("Patient table locked")), prompter, login);
  ASSERT_EQ(prompter.Prompts().size(), 3u);
  EXPECT_EQ(prompter.Prompts()[0].text, ViewerErrorText(2072));
  EXPECT_EQ(login.shown, 1);  // only the expired session leads to the login window
  EXPECT_EQ(prompter.Prompts()[1].text,
            QStringLiteral("You're experiencing problem connecting to Pyxa Web service. Check Web service URL by "
                           "opening it in a browser"));
  EXPECT_EQ(prompter.Prompts()[2].text,
            QStringLiteral("An error has occurred.\n#5\nDescription: Patient table locked"));
  for (const auto& prompt : prompter.Prompts()) {
    EXPECT_EQ(prompt.title, QStringLiteral("Pyxadesk"));
    EXPECT_EQ(prompt.icon, PromptIcon::Critical);
  }
}

}  // namespace
}  // namespace pyxa
