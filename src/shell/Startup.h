// The program's entry sequence: refuse a second instance, load the settings and working
// folders, refuse to run unconfigured, install the support package once, log in, open the
// main window. The first step that fails ends the program after its message.
#pragma once

#include <system_error>

#include "platform/InstanceGuard.h"
#include "platform/ProcessRunner.h"
#include "platform/Prompter.h"
#include "shell/AppSettings.h"
#include "shell/LoginPrompt.h"
#include "shell/Settings.h"

namespace pyxa {

class InstanceCheck {
 public:
  virtual ~InstanceCheck() = default;
  // Acquired when this process may run; HeldElsewhere while another instance holds the program;
  // Failed when the check itself cannot be made: LockPath and LockError then say where and why.
  virtual InstanceGuard::Result TryAcquire() = 0;
  virtual QString LockPath() const { return {}; }
  virtual std::error_code LockError() const { return {}; }
};

// The check the program makes: a lock file named after the product in the runtime folder.
class LockFileInstance final : public InstanceCheck {
 public:
  explicit LockFileInstance(const QString& runtimeFolder) : guard_(runtimeFolder, kProductName) {}
  InstanceGuard::Result TryAcquire() override { return guard_.TryAcquire(); }
  QString LockPath() const override { return guard_.LockPath(); }
  std::error_code LockError() const override { return guard_.Error(); }

 private:
  InstanceGuard guard_;
};

class MainWindowOpener {
 public:
  virtual ~MainWindowOpener() = default;
  virtual void OpenMainWindow() = 0;
};

class Startup {
 public:
  Startup(SettingsStore& store, AppSettings& settings, Prompter& prompter, ProcessRunner& runner,
          InstanceCheck& instance, LoginPrompt& login, MainWindowOpener& mainWindow, QString programFolder)
      : store_(store),
        settings_(settings),
        prompter_(prompter),
        runner_(runner),
        instance_(instance),
        login_(login),
        mainWindow_(mainWindow),
        programFolder_(std::move(programFolder)) {}

  // True when the main window is open and the event loop should run.
  bool Main();

 private:
  void InstallSupportPackage();

  SettingsStore& store_;
  AppSettings& settings_;
  Prompter& prompter_;
  ProcessRunner& runner_;
  InstanceCheck& instance_;
  LoginPrompt& login_;
  MainWindowOpener& mainWindow_;
  QString programFolder_;
};

}  // namespace pyxa
