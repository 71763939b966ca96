// The settings registry on Linux: each hive is a small text file an administrator can write by
// hand, one "[key path]" section per key and one "name=value" line per value. Every call reads
// the file afresh, so registries on the same files (in this or another process) see each other's
// writes; a write replaces the file atomically and never touches a hive it could not read.
#pragma once

#include <QString>
#include <cerrno>

#include "platform/Registry.h"

namespace pyxa {

class IniRegistry final : public Registry {
 public:
  // Read results beside 0, kNotFound and the system's own codes (EISDIR for a folder in the
  // hive's place): the hive is no regular file (a pipe, a device), or its text is not hive text.
  static constexpr std::int32_t kUnreadable = EACCES;
  static constexpr std::int32_t kMalformed = EBADMSG;

  IniRegistry(QString machineHivePath, QString userHivePath);

  // Key paths and value names compare without regard to letter case, as registry keys do;
  // "\" and "/" both separate the parts of a key path. The output text is untouched on failure.
  std::int32_t ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName, QString& value) override;
  std::int32_t WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                  const QString& value) override;

  const QString& HivePath(Hive hive) const { return hive == Hive::Machine ? machinePath_ : userPath_; }
  QString HiveLocation(Hive hive) const override { return HivePath(hive); }

 private:
  QString machinePath_;
  QString userPath_;
};

}  // namespace pyxa
