#include "shell/Startup.h"

#include <QFile>
#include <QFileInfo>

#include "platform/SystemError.h"
#include "shell/ErrorTexts.h"

namespace pyxa {

bool Startup::Main() {
  BuildViewerErrorTable();

  switch (instance_.TryAcquire()) {
    case InstanceGuard::Result::Acquired:
      break;
    case InstanceGuard::Result::HeldElsewhere:
      prompter_.Information(kProductName + QStringLiteral(" is already running."));
      return false;
    case InstanceGuard::Result::Failed:
      // Not another instance: the folder is unusable or the disk full, and the user must hear which.
      prompter_.Critical(
          QStringLiteral("%1 cannot start: the lock file '%2' that keeps it from running twice cannot be created.\n%3")
              .arg(kProductName, instance_.LockPath(), SystemErrorText(instance_.LockError().value())));
      return false;
  }

  QString errorText;
  if (store_.LoadSettings(settings_, errorText) != 0) {
    prompter_.Critical(QStringLiteral("Failed to load the application settings.\n") + errorText);
    return false;
  }
  if (!store_.UserSettingsProblem().isEmpty()) {
    prompter_.Ask({store_.UserSettingsProblem(), kProductName, PromptIcon::Warning, PromptButtons::Ok});
  }

  if (settings_.WebServiceURL.isEmpty()) {
    prompter_.Notice(ViewerErrorText(2074));
    return false;
  }

  if (!settings_.SupportPackage.isEmpty() && !settings_.SupportPackageInstalled) InstallSupportPackage();

  if (!login_.ShowLogin()) return false;

  mainWindow_.OpenMainWindow();
  return true;
}

void Startup::InstallSupportPackage() {
  const QString path = programFolder_ + settings_.SupportPackage;
  QFile probe(path);
  if (!probe.open(QIODevice::ReadOnly)) {
    prompter_.Notice(QStringLiteral("Unable to locate the ") + settings_.SupportPackage);
    return;
  }
  probe.close();

  // The package is its own installer: run it directly when it is executable, else as a shell script.
  const bool executable = QFileInfo(path).isExecutable();
  const int exitCode =
      executable ? runner_.RunAndWait(path, {}) : runner_.RunAndWait(QStringLiteral("/bin/sh"), {path});
  if (exitCode == ProcessRunner::kFailedToStart) {
    // Marking it installed would hide that it never ran; the next start tries again.
    prompter_.Notice(QStringLiteral("Unable to run the ") + settings_.SupportPackage);
    return;
  }
  settings_.SupportPackageInstalled = true;
  store_.MarkSupportPackageInstalled();
}

}  // namespace pyxa
