// Start-up in the installed layout: the administrator's machine hive is never written by the
// program, yet what it keeps at machine level (last login, scanner, support package run) is found
// again by the same user's next start.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "platform/InstalledRegistry.h"
#include "platform/ScriptedPrompter.h"
#include "shell/Startup.h"

namespace pyxa {
namespace {

struct Fakes final : InstanceCheck, LoginPrompt, MainWindowOpener, ProcessRunner {
  InstanceGuard::Result TryAcquire() override { return InstanceGuard::Result::Acquired; }
  bool ShowLogin() override { return true; }
  void OpenMainWindow() override {}
  int RunAndWait(const QString&, const QStringList&) override { return ++packageRuns, 0; }
  int packageRuns = 0;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class InstalledStart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    program = dir.filePath(QStringLiteral("usr/lib/pyxadesk/"));
    data = dir.filePath(QStringLiteral("home/.local/share/Pyxadesk/"));
    machine = dir.filePath(QStringLiteral("etc/xdg/Corvantis/Pyxadesk.conf"));
    user = dir.filePath(QStringLiteral("home/.config/Corvantis/Pyxadesk.conf"));
    ASSERT_TRUE(QDir().mkpath(program) && QDir().mkpath(dir.filePath(QStringLiteral("etc/xdg/Corvantis"))));
    QFile package(program + QStringLiteral("support.sh"));
    ASSERT_TRUE(package.open(QIODevice::WriteOnly));
  }
  void WriteMachine(const QByteArray& text) {
    QFile file(machine);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  // One start of the program up to its main window, and its end, which saves the settings.
  AppSettings StartAndExit(const std::function<void(AppSettings&)>& use = {}) {
    InstalledRegistry registry(machine, user);
    SettingsStore store(registry, program, data);
    AppSettings settings;
    ScriptedPrompter prompter;
    Startup startup(store, settings, prompter, fakes, fakes, fakes, fakes, program);
    EXPECT_TRUE(startup.Main());
    EXPECT_TRUE(prompter.Prompts().empty());
    if (use) use(settings);
    QString error;
    EXPECT_EQ(store.SaveSettings(settings, error), 0);
    return settings;
  }

  QTemporaryDir dir;
  QString program, data, machine, user;
  Fakes fakes;
};

TEST_F(InstalledStart, MachineValuesTheProgramKeepsComeBackWithoutTouchingTheAdministratorsFile) {
  // The hive as README shows it, complete: every value the program writes back is already there.
  const QByteArray admin =
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=https://clinic:8443/\nWebService_Timeout=60\n"
      "MicrosoftWSE=support.sh\nWSE_Installed=False\nKofax=False\nScanner=\nLastLogin=\n";
  WriteMachine(admin);
  StartAndExit([](AppSettings& settings) {
    settings.LastLogin = QStringLiteral("clerk");
    settings.Scanner = QStringLiteral("test:0");
  });
  EXPECT_EQ(fakes.packageRuns, 1);

  const AppSettings next = StartAndExit();
  EXPECT_EQ(fakes.packageRuns, 1) << "the support package ran again";
  EXPECT_EQ(next.LastLogin, QStringLiteral("clerk"));
  EXPECT_EQ(next.Scanner, QStringLiteral("test:0"));
  EXPECT_TRUE(next.SupportPackageInstalled);
  EXPECT_EQ(next.WebServiceURL, QStringLiteral("https://clinic:8443/"));
  EXPECT_EQ(ReadAll(machine), admin);
  EXPECT_TRUE(QDir(data + QStringLiteral("Available Files")).exists());

  // A scanner the administrator names is the one used, whatever a user chose before.
  WriteMachine(
      "[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=https://clinic:8443/\nWebService_Timeout=60\n"
      "MicrosoftWSE=support.sh\nWSE_Installed=False\nKofax=False\nScanner=fujitsu:fi-7160\nLastLogin=\n");
  EXPECT_EQ(StartAndExit().Scanner, QStringLiteral("fujitsu:fi-7160"));
  EXPECT_EQ(StartAndExit().LastLogin, QStringLiteral("clerk"));
}

}  // namespace
}  // namespace pyxa
