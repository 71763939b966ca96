// An in-memory Registry for tests: values per hive, key path and name; reads of chosen values
// can be made to fail with a given code; every write is recorded in order (and stored).
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <map>
#include <optional>
#include <tuple>

#include "platform/Registry.h"

namespace pyxa {

class MemoryRegistry : public Registry {
 public:
  struct Write {
    Hive hive;
    QString keyPath;
    QString name;
    QString value;
    bool operator==(const Write&) const = default;
  };

  // Stores a value without recording it as a write.
  void Set(Hive hive, const QString& name, const QString& value, const QString& keyPath = kSettingsKeyPath) {
    values_[{hive, keyPath, name}] = value;
  }
  void Remove(Hive hive, const QString& name, const QString& keyPath = kSettingsKeyPath) {
    values_.erase({hive, keyPath, name});
  }
  std::optional<QString> Value(Hive hive, const QString& name, const QString& keyPath = kSettingsKeyPath) const {
    const auto it = values_.find({hive, keyPath, name});
    if (it == values_.end()) return std::nullopt;
    return it->second;
  }

  // Reads of this value answer code (and no text) until cleared; code 0 clears.
  void FailReads(Hive hive, const QString& name, std::int32_t code, const QString& keyPath = kSettingsKeyPath) {
    if (code == 0) {
      failures_.erase({hive, keyPath, name});
    } else {
      failures_[{hive, keyPath, name}] = code;
    }
  }

  const QVector<Write>& Writes() const { return writes_; }
  void ClearWrites() { writes_.clear(); }
  // Value names written, in order, optionally only those of one hive.
  QStringList WrittenNames(std::optional<Hive> hive = std::nullopt) const {
    QStringList names;
    for (const Write& w : writes_) {
      if (!hive || w.hive == *hive) names << w.name;
    }
    return names;
  }
  // Value names read, in order.
  const QStringList& ReadNames() const { return reads_; }

  std::int32_t ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName, QString& value) override {
    reads_ << valueName;
    const Key key{hive, keyPath, valueName};
    if (const auto failure = failures_.find(key); failure != failures_.end()) return failure->second;
    const auto it = values_.find(key);
    if (it == values_.end()) return kNotFound;
    value = it->second;
    return 0;
  }

  std::int32_t WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                  const QString& value) override {
    writes_.push_back({hive, keyPath, valueName, value});
    values_[{hive, keyPath, valueName}] = value;
    return 0;
  }

 private:
  using Key = std::tuple<Hive, QString, QString>;
  std::map<Key, QString> values_;
  std::map<Key, std::int32_t> failures_;
  QVector<Write> writes_;
  QStringList reads_;
};

}  // namespace pyxa
