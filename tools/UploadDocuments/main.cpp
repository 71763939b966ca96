// The upload program: uploads the documents awaiting upload in the local store to the clinical
// service, once per run; started by the main program's Upload Now and by a systemd timer.
#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "UploadArguments.h"
#include "UploadReport.h"
#include "UploadRun.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/InstalledRegistry.h"
#include "shell/Settings.h"

int main(int argc, char** argv) {
  using namespace pyxa;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("UploadDocuments"));
  QCoreApplication::setOrganizationName(QStringLiteral("Corvantis"));
  QCoreApplication::setApplicationVersion(QStringLiteral("2.5.2"));

  EventLog eventLog;
  ConsoleAndEventLogReport report(stderr, eventLog);

  const UploadArguments arguments = ParseUploadArguments(QCoreApplication::arguments());
  if (!arguments.error.isEmpty()) {
    report.Line(arguments.error + QStringLiteral("; ") + kUploadUsage, true);
    return kUploadCannotStart;
  }

  const AppPaths paths(AppPaths::RunningExecutableFolder());
  const std::unique_ptr<Registry> settingsRegistry = OpenSettingsRegistry(paths);
  Registry& registry = *settingsRegistry;
  QString storePath = arguments.storePath;
  QString fallbackUrl;
  if (storePath.isEmpty()) {
    // The store the main program writes: found through the same settings and folders.
    SettingsStore settingsStore(registry, paths.ProgramFolder(), paths.DataFolder());
    AppSettings settings;
    QString errorText;
    const std::int32_t rc = settingsStore.LoadSettings(settings, errorText);
    if (settings.UploadsFolder.isEmpty()) {
      report.Line(QStringLiteral("The settings cannot be read: %1").arg(errorText), true);
      return kUploadCannotStart;
    }
    // The working folders come before the other values; only those matter here.
    if (rc != 0) report.Line(QStringLiteral("Some settings cannot be read: %1").arg(errorText), false);
    storePath = settings.UploadsFolder + QStringLiteral("documents.mdb");
    fallbackUrl = settings.WebServiceURL;
  }

  // How a clinic server is reached (time-out, certificates, an accepted address) is read without
  // loading the rest, which would create folders and values a run with its own store has no use for.
  SystemClock clock;
  UploadRun run(clock, MakeConfiguredService(clock, StoredServiceOptions(registry)), report);
  return run.Run(storePath, fallbackUrl);
}
