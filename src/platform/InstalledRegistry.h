// The settings registry of the installed layout. The machine hive there is the administrator's file
// in /etc/xdg, which a normal user cannot write; the few machine values the program keeps itself
// (the last login, the scanner, whether the support package ran) therefore live in the user's hive,
// where the same user's next start finds them. An administrator's value in the machine hive still
// rules: the user's one is read only where the machine hive leaves the value unset (empty, or for
// WSE_Installed anything but true). Every other value reads and writes its own hive as usual.
#pragma once

#include <QString>
#include <memory>

#include "platform/IniRegistry.h"

namespace pyxa {

class AppPaths;

class InstalledRegistry final : public Registry {
 public:
  InstalledRegistry(QString machineHivePath, QString userHivePath);

  std::int32_t ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName, QString& value) override;
  std::int32_t WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                  const QString& value) override;
  QString HiveLocation(Hive hive) const override { return files_.HiveLocation(hive); }

  // Whether the program keeps this machine value in the user's hive.
  static bool IsKeptPerUser(const QString& keyPath, const QString& valueName);

 private:
  IniRegistry files_;
};

// The registry of a layout: plain hive files in the portable layout, InstalledRegistry otherwise.
std::unique_ptr<Registry> OpenSettingsRegistry(const AppPaths& paths);

}  // namespace pyxa
