#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "MemoryRegistry.h"
#include "platform/ScriptedPrompter.h"
#include "shell/Startup.h"

namespace pyxa {
namespace {

struct FakeInstance final : InstanceCheck {
  InstanceGuard::Result TryAcquire() override {
    return free ? InstanceGuard::Result::Acquired : InstanceGuard::Result::HeldElsewhere;
  }
  bool free = true;
};
struct FakeLogin final : LoginPrompt {
  bool ShowLogin() override {
    ++shown;
    return answer;
  }
  int shown = 0;
  bool answer = true;
};
struct FakeMainWindow final : MainWindowOpener {
  void OpenMainWindow() override { ++opened; }
  int opened = 0;
};
struct FakeRunner final : ProcessRunner {
  int RunAndWait(const QString& program, const QStringList& arguments) override {
    runs << (QStringList{program} + arguments).join(QLatin1Char(' '));
    return exitCode;
  }
  QStringList runs;
  int exitCode = 0;
};

class StartupOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    programFolder = dir.path() + QStringLiteral("/");
    registry.Set(Hive::Machine, QStringLiteral("WebService_URL"), QStringLiteral("file:///clinic.sqlite"));
    registry.Set(Hive::Machine, QStringLiteral("MicrosoftWSE"), QString());
  }
  bool Start() {
    SettingsStore store(registry, programFolder, programFolder);
    Startup startup(store, settings, prompter, runner, instance, login, mainWindow, programFolder);
    return startup.Main();
  }
  void WritePackage(const QString& name) {
    QFile file(programFolder + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nexit 0\n");
  }

  QTemporaryDir dir;
  QString programFolder;
  MemoryRegistry registry;
  AppSettings settings;
  ScriptedPrompter prompter;
  FakeRunner runner;
  FakeInstance instance;
  FakeLogin login;
  FakeMainWindow mainWindow;
};

TEST_F(StartupOrder, AConfiguredMachineLogsInAndOpensTheMainWindow) {
  EXPECT_TRUE(Start());
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_EQ(login.shown, 1);
  EXPECT_EQ(mainWindow.opened, 1);
  EXPECT_TRUE(runner.runs.isEmpty());
}

TEST_F(StartupOrder, ASecondInstanceOnlySaysSoAndDoesNothingElse) {
  instance.free = false;
  EXPECT_FALSE(Start());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("Pyxadesk is already running."));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Information);
  EXPECT_EQ(prompter.Prompts()[0].title, QStringLiteral("Pyxadesk"));
  EXPECT_TRUE(registry.ReadNames().isEmpty());  // settings were never touched
  EXPECT_EQ(login.shown, 0);
}

TEST_F(StartupOrder, SettingsThatFailToLoadEndWithTheirText) {
  registry.Remove(Hive::Machine, QStringLiteral("MicrosoftWSE"));
  EXPECT_FALSE(Start());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_TRUE(prompter.Prompts()[0].text.startsWith(QStringLiteral("Failed to load the application settings.\n")));
  EXPECT_TRUE(prompter.Prompts()[0].text.endsWith(QStringLiteral("[SOFTWARE\\Corvantis\\Pyxadesk\\MicrosoftWSE]")));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Critical);
  EXPECT_EQ(login.shown, 0);
}

TEST_F(StartupOrder, AnUnconfiguredUrlRefusesToRun) {
  registry.Set(Hive::Machine, QStringLiteral("WebService_URL"), QString());
  EXPECT_FALSE(Start());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("Computer is not configured to use Pyxa. Please run 'Full Installation'."));
  EXPECT_EQ(prompter.Prompts()[0].buttons, PromptButtons::Ok);
  EXPECT_EQ(prompter.Prompts()[0].title, QString());
  EXPECT_EQ(login.shown, 0);
}

TEST_F(StartupOrder, TheSupportPackageRunsOnceAndIsRememberedAtOnce) {
  registry.Set(Hive::Machine, QStringLiteral("MicrosoftWSE"), QStringLiteral("support.sh"));
  WritePackage(QStringLiteral("support.sh"));
  EXPECT_TRUE(Start());
  ASSERT_EQ(runner.runs.size(), 1);
  EXPECT_EQ(runner.runs[0], QStringLiteral("/bin/sh ") + programFolder + QStringLiteral("support.sh"));
  EXPECT_EQ(registry.Value(Hive::Machine, QStringLiteral("WSE_Installed")), QStringLiteral("True"));
  EXPECT_TRUE(settings.SupportPackageInstalled);

  settings = AppSettings();
  EXPECT_TRUE(Start());
  EXPECT_EQ(runner.runs.size(), 1);  // not again
}

TEST_F(StartupOrder, AMissingPackageIsReportedOnEveryStartAndStartUpGoesOn) {
  registry.Set(Hive::Machine, QStringLiteral("MicrosoftWSE"), QStringLiteral("WSE3.msi"));
  for (int start = 0; start < 2; ++start) {
    prompter.Clear();
    settings = AppSettings();
    EXPECT_TRUE(Start());
    ASSERT_EQ(prompter.Prompts().size(), 1u);
    EXPECT_EQ(prompter.Prompts()[0].text, QStringLiteral("Unable to locate the WSE3.msi"));
  }
  EXPECT_TRUE(runner.runs.isEmpty());
  EXPECT_EQ(login.shown, 2);
}

TEST_F(StartupOrder, APackageThatCannotBeStartedIsNotMarkedInstalled) {
  registry.Set(Hive::Machine, QStringLiteral("MicrosoftWSE"), QStringLiteral("support.sh"));
  WritePackage(QStringLiteral("support.sh"));
  runner.exitCode = ProcessRunner::kFailedToStart;
  EXPECT_TRUE(Start());
  EXPECT_FALSE(settings.SupportPackageInstalled);
  EXPECT_NE(registry.Value(Hive::Machine, QStringLiteral("WSE_Installed")), QStringLiteral("True"));
}

TEST_F(StartupOrder, ClosingTheLoginWindowEndsWithoutAMessage) {
  login.answer = false;
  EXPECT_FALSE(Start());
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_EQ(mainWindow.opened, 0);
}

}  // namespace
}  // namespace pyxa
