// Prepares the demo: a portable program folder with its settings hives, the embedded demo clinic
// and, in its "Available Files" folder, paper waiting to be indexed. Run again, it keeps what is
// there (the clinic's data, the user's settings, what the user did with the paper). Options point
// the folder at a clinic: a clinic file of another folder, a clinic server's address and the
// certificate authority it is trusted through, the login offered first.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QGuiApplication>
#include <QUrl>
#include <cstdio>

#include "DemoPaper.h"
#include "PaperCast.h"
#include "components/DemoClinic.h"
#include "platform/Clock.h"
#include "platform/IniRegistry.h"
#include "platform/Registry.h"

using namespace pyxa;

namespace {

int Fail(const QString& text) {
  std::fprintf(stderr, "pyxa-demo-seed: %s\n", qPrintable(text));
  return 1;
}

// Writes the value only when the hive does not have it yet.
void Default(Registry& registry, const QString& name, const QString& value) {
  QString current;
  if (registry.ReadRegistryValue(Hive::Machine, kSettingsKeyPath, name, current) == Registry::kNotFound) {
    registry.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, name, value);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing the paper needs fonts and a GUI application but no screen: scripts/run may run anywhere.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString usage = QStringLiteral(
      "usage: pyxa-demo-seed <program folder> [--clinic-file FILE] [--embedded | --clinic-url URL --ca-file PEM] "
      "[--login NAME]");
  QStringList arguments = QCoreApplication::arguments().mid(1);
  if (arguments.isEmpty() || arguments.first().startsWith(QStringLiteral("--"))) return Fail(usage);
  const QDir folder(arguments.takeFirst());
  QString clinicFile, clinicUrl, caFile, login = QStringLiteral("demo");
  bool embedded = false;
  while (!arguments.isEmpty()) {
    const QString option = arguments.takeFirst();
    if (option == QStringLiteral("--embedded")) {
      embedded = true;
      continue;
    }
    if (arguments.isEmpty()) return Fail(usage);
    const QString value = arguments.takeFirst();
    if (option == QStringLiteral("--clinic-file")) {
      clinicFile = QFileInfo(value).absoluteFilePath();
    } else if (option == QStringLiteral("--clinic-url")) {
      clinicUrl = value;
    } else if (option == QStringLiteral("--ca-file")) {
      caFile = QFileInfo(value).absoluteFilePath();
    } else if (option == QStringLiteral("--login")) {
      login = value;
    } else {
      return Fail(usage);
    }
  }
  if (!QDir().mkpath(folder.absolutePath())) return Fail(QStringLiteral("cannot create ") + folder.absolutePath());
  QFile::setPermissions(folder.absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  const QString clinic = clinicFile.isEmpty() ? folder.absoluteFilePath(QStringLiteral("clinic.sqlite")) : clinicFile;
  SystemClock clock;
  QString error;
  if (!CreateDemoClinic(clinic, clock, error)) return Fail(error);

  QFile marker(folder.absoluteFilePath(QStringLiteral("pyxadesk.portable")));
  if (!marker.exists() && !marker.open(QIODevice::WriteOnly)) return Fail(QStringLiteral("cannot write the marker"));
  marker.close();

  IniRegistry registry(folder.absoluteFilePath(QStringLiteral("Pyxadesk-machine.conf")),
                       folder.absoluteFilePath(QStringLiteral("Pyxadesk-user.conf")));
  if (embedded) clinicUrl = QUrl::fromLocalFile(clinic).toString();
  if (clinicUrl.isEmpty()) {
    Default(registry, QStringLiteral("WebService_URL"), QUrl::fromLocalFile(clinic).toString());
  } else {
    // The clinic the demo was started with is the one it uses, whatever an earlier start chose.
    registry.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_URL"), clinicUrl);
    registry.WriteRegistryValue(Hive::Machine, kSettingsKeyPath, QStringLiteral("WebService_CAFile"), caFile);
  }
  Default(registry, QStringLiteral("MicrosoftWSE"), QString());
  Default(registry, QStringLiteral("LastLogin"), login);

  PaperCast cast;
  if (!LoadPaperCast(clinic, cast, error)) return Fail(error);
  if (!CreateDemoPaper(folder.absoluteFilePath(QStringLiteral("Available Files")), cast, clock, error)) {
    return Fail(error);
  }
  return 0;
}
