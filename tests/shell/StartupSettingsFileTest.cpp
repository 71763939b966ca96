// Start-up against real settings and lock files: what a damaged or read-only installation does.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/IniRegistry.h"
#include "platform/ScriptedPrompter.h"
#include "platform/SystemError.h"
#include "shell/Startup.h"

namespace pyxa {
namespace {

struct Yes final : InstanceCheck, LoginPrompt, MainWindowOpener, ProcessRunner {
  InstanceGuard::Result TryAcquire() override { return InstanceGuard::Result::Acquired; }
  bool ShowLogin() override { return ++logins, true; }
  void OpenMainWindow() override {}
  int RunAndWait(const QString&, const QStringList&) override { return 0; }
  int logins = 0;
};

class StartupWithFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.path() + QStringLiteral("/");
    machine = folder + QStringLiteral("Pyxadesk-machine.conf");
    user = folder + QStringLiteral("Pyxadesk-user.conf");
  }
  void WriteMachine(const QByteArray& text) {
    QFile file(machine);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool Start(InstanceCheck* instance = nullptr) {
    IniRegistry registry(machine, user);
    SettingsStore store(registry, folder, folder);
    Startup startup(store, settings, prompter, fakes, instance ? *instance : fakes, fakes, fakes, folder);
    return startup.Main();
  }

  QTemporaryDir dir;
  QString folder, machine, user;
  AppSettings settings;
  ScriptedPrompter prompter;
  Yes fakes;
};

TEST_F(StartupWithFiles, AFirstRunCreatesTheDefaultsAndTheWorkingFolders) {
  WriteMachine("[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=file:///srv/clinic.sqlite\nMicrosoftWSE=\n");
  EXPECT_TRUE(Start());
  EXPECT_TRUE(prompter.Prompts().empty());
  EXPECT_TRUE(Read(machine).contains("WebService_Timeout=60"));
  EXPECT_EQ(settings.WebServiceTimeout, 60);
  EXPECT_EQ(settings.MainFormLeft, -1);
  EXPECT_TRUE(QDir(folder + QStringLiteral("Available Files")).exists());
  EXPECT_TRUE(QDir(folder + QStringLiteral("Uploads")).exists());
  EXPECT_EQ(QFile::permissions(folder + QStringLiteral("Uploads")) & 0x0077, 0);  // nobody else may look in
}

TEST_F(StartupWithFiles, ADamagedSettingsFileStopsWithAMessageAndIsLeftAsItWas) {
  const QByteArray damaged(
      "[SOFTWARE\\Corvantis\\Pyxadesk\nWebService_URL=file:///srv/clinic.sqlite\n\x01\xff garbage");
  WriteMachine(damaged);
  EXPECT_FALSE(Start());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  const QString text = prompter.Prompts()[0].text;
  EXPECT_TRUE(text.startsWith(QStringLiteral("Failed to load the application settings.\n"))) << text.toStdString();
  EXPECT_TRUE(text.endsWith(QStringLiteral("[SOFTWARE\\Corvantis\\Pyxadesk\\MicrosoftWSE]"))) << text.toStdString();
  EXPECT_EQ(Read(machine), damaged);
  EXPECT_EQ(fakes.logins, 0);
}

TEST_F(StartupWithFiles, MissingMicrosoftWseIsFatalWithTheSystemTextAndKeyPath) {
  WriteMachine("[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=file:///srv/clinic.sqlite\n");
  EXPECT_FALSE(Start());
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("Failed to load the application settings.\nNo such file or directory (2)"
                           "[SOFTWARE\\Corvantis\\Pyxadesk\\MicrosoftWSE]"));
}

TEST_F(StartupWithFiles, ALockFileThatCannotBeCreatedIsReportedAsSuchNotAsASecondInstance) {
  WriteMachine("[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=file:///srv/clinic.sqlite\nMicrosoftWSE=\n");
  // The runtime folder's place is taken by a file.
  const QString runtime = folder + QStringLiteral("run");
  QFile blocker(runtime);
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  LockFileInstance instance(runtime);
  EXPECT_FALSE(Start(&instance));
  ASSERT_EQ(prompter.Prompts().size(), 1u);
  EXPECT_EQ(prompter.Prompts()[0].text,
            QStringLiteral("Pyxadesk cannot start: the lock file '%1/Pyxadesk.lock' that keeps it from running twice "
                           "cannot be created.\n%2")
                .arg(runtime, SystemErrorText(ENOTDIR)));
  EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Critical);
  EXPECT_EQ(fakes.logins, 0);
}

TEST_F(StartupWithFiles, PersonalSettingsThatCannotBeReadAreNamedOnceAndStartUpGoesOn) {
  WriteMachine("[SOFTWARE\\Corvantis\\Pyxadesk]\nWebService_URL=file:///srv/clinic.sqlite\nMicrosoftWSE=\n");
  const QString tail = QStringLiteral(
      "\nPyxadesk starts with the default window position and indexing values, and cannot keep your changes to them "
      "until the file is repaired or removed.");
  struct Case {
    bool folder;  // a folder in the file's place, else a file whose text is damaged
    QString cause;
  } const cases[] = {
      {false, QStringLiteral("The file is damaged: its text is not settings text.")},
      {true, SystemErrorText(EISDIR)},
  };
  for (const Case& c : cases) {
    QFile::remove(user);
    QDir(user).removeRecursively();
    const QByteArray damaged("[SOFTWARE\\Corvantis\\Pyxadesk]\nMainForm_Left=10\nStore_Sender City Lab\n");
    if (c.folder) {
      ASSERT_TRUE(QDir().mkpath(user));
    } else {
      QFile file(user);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(damaged);
    }
    prompter.Clear();
    fakes.logins = 0;
    EXPECT_TRUE(Start());
    ASSERT_EQ(prompter.Prompts().size(), 1u);
    EXPECT_EQ(prompter.Prompts()[0].text,
              QStringLiteral("Your personal settings file '%1' cannot be read.\n").arg(user) + c.cause + tail);
    EXPECT_EQ(prompter.Prompts()[0].icon, PromptIcon::Warning);
    EXPECT_EQ(fakes.logins, 1);

    // Saving leaves what is there for the user to repair.
    IniRegistry registry(machine, user);
    SettingsStore store(registry, folder, folder);
    settings.MainFormLeft = 5;
    settings.MainFormTop = 5;
    settings.MainFormWidth = 500;
    settings.MainFormHeight = 400;
    QString error;
    EXPECT_EQ(store.SaveSettings(settings, error), 0);
    EXPECT_EQ(QFileInfo(user).isDir(), c.folder);
    if (!c.folder) {
      EXPECT_EQ(Read(user), damaged);
    }
  }
}

}  // namespace
}  // namespace pyxa
