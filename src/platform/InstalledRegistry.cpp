#include "platform/InstalledRegistry.h"

#include <QStringList>
#include <utility>

#include "platform/AppPaths.h"

namespace pyxa {
namespace {

struct KeptValue {
  const char* keyPath;
  const char* name;
  bool flag;  // a Boolean whose false only says "not yet"
};

// The machine values the program writes itself, as it goes (grep Hive::Machine): the others are the
// administrator's, and a failing write of them is silent as on any read-only machine hive.
constexpr KeptValue kKeptValues[] = {
    {"SOFTWARE\\Corvantis\\Pyxadesk", "LastLogin", false},
    {"SOFTWARE\\Corvantis\\Pyxadesk", "Scanner", false},
    {"SOFTWARE\\Corvantis\\Pyxadesk", "WSE_Installed", true},
    {"Software\\Corvantis\\Pyxa", "Current Device", false},
};

// Key paths compare as the hive files compare them: letter case and "/" against "\" aside.
QString KeyOf(const QString& path) {
  QString key = path;
  key.replace(QLatin1Char('/'), QLatin1Char('\\'));
  QStringList parts;
  for (const QString& part : key.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
    if (!part.trimmed().isEmpty()) parts << part.trimmed().toLower();
  }
  return parts.join(QLatin1Char('\\'));
}

const KeptValue* FindKept(const QString& keyPath, const QString& valueName) {
  const QString key = KeyOf(keyPath);
  for (const KeptValue& kept : kKeptValues) {
    if (key == KeyOf(QString::fromLatin1(kept.keyPath)) &&
        valueName.compare(QString::fromLatin1(kept.name), Qt::CaseInsensitive) == 0) {
      return &kept;
    }
  }
  return nullptr;
}

// Whether the machine hive's value leaves the choice to the user's hive.
bool LeavesItUnset(const KeptValue& kept, const QString& value) {
  const QString text = value.trimmed();
  if (text.isEmpty()) return true;
  if (!kept.flag) return false;
  if (text.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return false;
  bool number = false;
  const double amount = text.toDouble(&number);
  return !(number && amount != 0.0);  // "False", zero, or text that means nothing
}

}  // namespace

InstalledRegistry::InstalledRegistry(QString machineHivePath, QString userHivePath)
    : files_(std::move(machineHivePath), std::move(userHivePath)) {}

bool InstalledRegistry::IsKeptPerUser(const QString& keyPath, const QString& valueName) {
  return FindKept(keyPath, valueName) != nullptr;
}

std::int32_t InstalledRegistry::ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                                  QString& value) {
  const KeptValue* kept = hive == Hive::Machine ? FindKept(keyPath, valueName) : nullptr;
  if (!kept) return files_.ReadRegistryValue(hive, keyPath, valueName, value);

  QString machine;
  const std::int32_t machineRc = files_.ReadRegistryValue(Hive::Machine, keyPath, valueName, machine);
  if (machineRc == 0 && !LeavesItUnset(*kept, machine)) {
    value = machine;
    return 0;
  }
  QString user;
  const std::int32_t userRc = files_.ReadRegistryValue(Hive::User, keyPath, valueName, user);
  if (userRc == 0 && (!user.trimmed().isEmpty() || machineRc != 0)) {
    value = user;
    return 0;
  }
  // Neither says more than the machine hive: its answer (an empty value, missing, unreadable).
  if (machineRc == 0) value = machine;
  return machineRc;
}

std::int32_t InstalledRegistry::WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                                   const QString& value) {
  const Hive target = hive == Hive::Machine && IsKeptPerUser(keyPath, valueName) ? Hive::User : hive;
  return files_.WriteRegistryValue(target, keyPath, valueName, value);
}

std::unique_ptr<Registry> OpenSettingsRegistry(const AppPaths& paths) {
  if (paths.IsPortable()) return std::make_unique<IniRegistry>(paths.MachineHive(), paths.UserHive());
  return std::make_unique<InstalledRegistry>(paths.MachineHive(), paths.UserHive());
}

}  // namespace pyxa
