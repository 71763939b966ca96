// The clinic server: serves one clinic file over HTTPS to the clinic's workstations until SIGTERM
// or SIGINT, logging one line per request to stderr (journald keeps them under systemd).
#include <QCoreApplication>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>

#include "ClinicServer.h"
#include "ServerArguments.h"
#include "components/DemoClinic.h"
#include "platform/Clock.h"

namespace {

std::mutex stderrMutex;

void Print(const QString& line) {
  const std::lock_guard lock(stderrMutex);
  std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pyxa;
  // Blocked before any thread starts, so every thread inherits the mask and only sigwait below takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("pyxa-clinic-server"));

  const ServerArguments arguments = ParseServerArguments(QCoreApplication::arguments());
  if (!arguments.error.isEmpty()) {
    Print(QStringLiteral("pyxa-clinic-server: %1; %2").arg(arguments.error, kServerUsage));
    return 2;
  }

  SystemClock clock;
  if (arguments.createDemo && !QFileInfo::exists(arguments.clinicPath)) {
    QString error;
    if (!CreateDemoClinic(arguments.clinicPath, clock, error)) {
      Print(QStringLiteral("pyxa-clinic-server: cannot create the demo clinic: %1").arg(error));
      return 1;
    }
  }
  if (!QFileInfo(arguments.clinicPath).isFile()) {
    Print(QStringLiteral("pyxa-clinic-server: there is no clinic file \"%1\"").arg(arguments.clinicPath));
    return 1;
  }

  ClinicServerOptions options;
  options.clinicPath = QFileInfo(arguments.clinicPath).absoluteFilePath();
  options.certificatePath = arguments.certificatePath;
  options.keyPath = arguments.keyPath;
  options.host = arguments.host;
  options.port = arguments.port;
  options.threads = arguments.threads;
  options.log = Print;
  ClinicServer server(options, clock);
  QString error;
  if (!server.Start(error)) {
    Print(QStringLiteral("pyxa-clinic-server: %1").arg(error));
    return 1;
  }
  const QString shownHost = arguments.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(arguments.host)
                                                                       : arguments.host;
  Print(QStringLiteral("Serving %1 at https://%2:%3/").arg(options.clinicPath, shownHost).arg(server.Port()));

  int signal = 0;
  sigwait(&stopSignals, &signal);
  Print(QStringLiteral("pyxa-clinic-server: stopping (signal %1)").arg(signal));
  server.Stop();
  return 0;
}
