// Decides where the program's files live: the portable layout (a "pyxadesk.portable" file beside
// the executable keeps hives and working folders there) or the installed layout (XDG folders:
// the machine hive in a system configuration folder, /etc/xdg unless XDG_CONFIG_DIRS says otherwise).
// Every folder path ends with "/".
#pragma once

#include <QString>
#include <functional>

namespace pyxa {

class AppPaths {
 public:
  // Looks up an environment variable; an empty text when it is not set.
  using EnvironmentLookup = std::function<QString(const QString& name)>;

  static const QString kPortableMarker;   // "pyxadesk.portable"
  static const QString kHiveName;         // "Corvantis/Pyxadesk.conf", under a configuration folder

  explicit AppPaths(const QString& executableFolder, EnvironmentLookup environment = ProcessEnvironment());

  const QString& ProgramFolder() const { return programFolder_; }
  const QString& DataFolder() const { return dataFolder_; }
  const QString& MachineHive() const { return machineHive_; }
  const QString& UserHive() const { return userHive_; }
  const QString& RuntimeFolder() const { return runtimeFolder_; }
  // Where the production scanner's page scenario files ("PS<name>.ini") are read and written.
  const QString& ScenarioFolder() const { return scenarioFolder_; }
  bool IsPortable() const { return portable_; }

  // The folder of the running executable, with a trailing "/".
  static QString RunningExecutableFolder();
  static EnvironmentLookup ProcessEnvironment();

 private:
  QString programFolder_;
  QString dataFolder_;
  QString machineHive_;
  QString userHive_;
  QString runtimeFolder_;
  QString scenarioFolder_;
  bool portable_ = false;
};

}  // namespace pyxa
