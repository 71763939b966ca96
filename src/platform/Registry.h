// The program's settings store: two hives of string values under key paths, as the
// settings rules expect of a registry. Implementations keep each hive in a file.
#pragma once

#include <QString>
#include <cstdint>

namespace pyxa {

enum class Hive { Machine, User };

// Key path under which every Pyxadesk value lives, in both hives.
inline const QString kSettingsKeyPath = QStringLiteral("SOFTWARE\\Corvantis\\Pyxadesk");

class Registry {
 public:
  static constexpr std::int32_t kNotFound = 2;

  virtual ~Registry() = default;

  // 0 and the value's text on success; kNotFound when the key or the value is missing;
  // another system error code (errno style) when the hive cannot be read.
  virtual std::int32_t ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                         QString& value) = 0;

  // Creates the key when needed and writes the text. Always returns 0: a failing write is
  // not reported, the program carries on as if it had succeeded.
  virtual std::int32_t WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                          const QString& value) = 0;

  // Where the hive is kept, to name it to the user; empty when it has no place of its own.
  virtual QString HiveLocation(Hive /*hive*/) const { return {}; }
};

}  // namespace pyxa
