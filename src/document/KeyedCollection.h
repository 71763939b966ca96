// An ordered collection of shared objects with 1-based positions and optional keys, the shape the
// page and bar-code collections share. The objects are shared because callers keep and move them
// between collections (a cut page is pasted elsewhere); removing one only drops the collection's
// reference.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <utility>

namespace pyxa {

template <typename T>
class KeyedCollection {
 public:
  using Ptr = std::shared_ptr<T>;

  // Inserts before position when it lies in 1..Count, else appends; a non-empty key is stored
  // with the object. Keys are compared exactly and are unique: a key already in use, or a null
  // object, adds nothing and gives nullptr.
  Ptr Insert(Ptr item, const QString& key, int position) {
    if (!item || (!key.isEmpty() && IndexOfKey(key) >= 0)) return nullptr;
    const int at = position >= 1 && position <= Count() ? position - 1 : Count();
    items_.insert(at, item);
    keys_.insert(at, key);
    return item;
  }

  int Count() const { return static_cast<int>(items_.size()); }

  // By 1-based position or by key; nullptr when there is no such object.
  Ptr Item(int index) const { return index >= 1 && index <= Count() ? items_[index - 1] : nullptr; }
  Ptr Item(const QString& key) const {
    const int at = IndexOfKey(key);
    return at < 0 ? nullptr : items_[at];
  }

  // False when there is no such object.
  bool Remove(int index) {
    if (index < 1 || index > Count()) return false;
    items_.removeAt(index - 1);
    keys_.removeAt(index - 1);
    return true;
  }
  bool Remove(const QString& key) { return Remove(IndexOfKey(key) + 1); }

  void Clear() {
    items_.clear();
    keys_.clear();
  }

  // In order, as shared pointers.
  auto begin() const { return items_.cbegin(); }
  auto end() const { return items_.cend(); }

 private:
  int IndexOfKey(const QString& key) const { return key.isEmpty() ? -1 : static_cast<int>(keys_.indexOf(key)); }

  QList<Ptr> items_;
  QList<QString> keys_;  // parallel to items_; empty for unkeyed objects
};

}  // namespace pyxa
