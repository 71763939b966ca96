#include "platform/AppPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <vector>

namespace pyxa {
namespace {

QString AsFolder(const QString& path) {
  QString folder = QDir::cleanPath(path);
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

// The XDG rules: a variable that is unset, empty or not an absolute path is ignored.
QString XdgFolder(const AppPaths::EnvironmentLookup& environment, const char* name) {
  const QString value = environment(QString::fromLatin1(name));
  return (!value.isEmpty() && QDir::isAbsolutePath(value)) ? AsFolder(value) : QString();
}

// HOME, or the account's home folder when HOME is unusable.
QString HomeFolder(const AppPaths::EnvironmentLookup& environment) {
  const QString home = XdgFolder(environment, "HOME");
  if (!home.isEmpty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/') {
    return AsFolder(QFile::decodeName(found->pw_dir));
  }
  return QStringLiteral("/");
}

// The machine hive of the installed layout, in the first folder of XDG_CONFIG_DIRS that holds one
// (as the XDG rules look up configuration). With none there, /etc/xdg when it is listed (some
// desktops list a folder of their own before it), else the first folder listed; /etc/xdg when
// the variable names no absolute folder.
QString MachineHiveFolder(const AppPaths::EnvironmentLookup& environment) {
  const QString systemDefault = QStringLiteral("/etc/xdg/");
  QStringList folders;
  for (const QString& entry : environment(QStringLiteral("XDG_CONFIG_DIRS")).split(QLatin1Char(':'))) {
    if (!entry.isEmpty() && QDir::isAbsolutePath(entry)) folders << AsFolder(entry);
  }
  for (const QString& folder : folders) {
    if (QFileInfo(folder + AppPaths::kHiveName).isFile()) return folder;
  }
  if (folders.isEmpty() || folders.contains(systemDefault)) return systemDefault;
  return folders.front();
}

}  // namespace

const QString AppPaths::kHiveName = QStringLiteral("Corvantis/Pyxadesk.conf");
const QString AppPaths::kPortableMarker = QStringLiteral("pyxadesk.portable");

AppPaths::AppPaths(const QString& executableFolder, EnvironmentLookup environment)
    : programFolder_(AsFolder(QDir(executableFolder).absolutePath())) {
  portable_ = QFileInfo(programFolder_ + kPortableMarker).isFile();
  if (portable_) {
    machineHive_ = programFolder_ + QStringLiteral("Pyxadesk-machine.conf");
    userHive_ = programFolder_ + QStringLiteral("Pyxadesk-user.conf");
    dataFolder_ = programFolder_;
    scenarioFolder_ = programFolder_;
  } else {
    const QString home = HomeFolder(environment);
    QString config = XdgFolder(environment, "XDG_CONFIG_HOME");
    if (config.isEmpty()) config = home + QStringLiteral(".config/");
    QString data = XdgFolder(environment, "XDG_DATA_HOME");
    if (data.isEmpty()) data = home + QStringLiteral(".local/share/");
    machineHive_ = MachineHiveFolder(environment) + kHiveName;
    userHive_ = config + kHiveName;
    dataFolder_ = data + QStringLiteral("Pyxadesk/");
    // The program folder is the package's and read-only to a user: the scanner's page scenario,
    // which the user edits, lives beside the user's settings.
    scenarioFolder_ = AsFolder(QFileInfo(userHive_).path());
  }
  runtimeFolder_ = XdgFolder(environment, "XDG_RUNTIME_DIR");
  if (runtimeFolder_.isEmpty()) runtimeFolder_ = dataFolder_;
}

QString AppPaths::RunningExecutableFolder() { return AsFolder(QCoreApplication::applicationDirPath()); }

AppPaths::EnvironmentLookup AppPaths::ProcessEnvironment() {
  return [](const QString& name) { return qEnvironmentVariable(name.toLocal8Bit().constData()); };
}

}  // namespace pyxa
