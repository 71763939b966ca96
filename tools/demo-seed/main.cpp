// Prepares the demo: a portable program folder with its settings hives, the embedded demo clinic
// and, in its "Available Files" folder, paper waiting to be indexed. Run again, it keeps what is
// there (the clinic's data, the user's settings, what the user did with the paper).
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
  if (argc != 2) return Fail(QStringLiteral("usage: pyxa-demo-seed <program folder>"));
  const QDir folder(QFile::decodeName(argv[1]));
  if (!QDir().mkpath(folder.absolutePath())) return Fail(QStringLiteral("cannot create ") + folder.absolutePath());
  QFile::setPermissions(folder.absolutePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  const QString clinic = folder.absoluteFilePath(QStringLiteral("clinic.sqlite"));
  SystemClock clock;
  QString error;
  if (!CreateDemoClinic(clinic, clock, error)) return Fail(error);

  QFile marker(folder.absoluteFilePath(QStringLiteral("pyxadesk.portable")));
  if (!marker.exists() && !marker.open(QIODevice::WriteOnly)) return Fail(QStringLiteral("cannot write the marker"));
  marker.close();

  IniRegistry registry(folder.absoluteFilePath(QStringLiteral("Pyxadesk-machine.conf")),
                       folder.absoluteFilePath(QStringLiteral("Pyxadesk-user.conf")));
  Default(registry, QStringLiteral("WebService_URL"), QUrl::fromLocalFile(clinic).toString());
  Default(registry, QStringLiteral("MicrosoftWSE"), QString());
  Default(registry, QStringLiteral("LastLogin"), QStringLiteral("demo"));

  PaperCast cast;
  if (!LoadPaperCast(clinic, cast, error)) return Fail(error);
  if (!CreateDemoPaper(folder.absoluteFilePath(QStringLiteral("Available Files")), cast, clock, error)) {
    return Fail(error);
  }
  return 0;
}
