// The listing of one folder: the entries whose extension is in a "|"-separated list such as
// "PDF|DOC|TIF|JPG", gathered into an Items collection of Item records. Nothing here throws;
// Load reports failures through its result argument and ErrorNumber/ErrorDescription.
#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <utility>

namespace pyxa {

struct Item {
  QString ItemName;  // the entry's name without its folder
  bool IsDirectory = false;
};

// Ordered, 1-based collection of Item, optionally keyed. Keys are compared exactly (file names
// on Linux are case-sensitive) and are unique. Pointers handed out stay valid until the next
// Add or Remove.
class Items {
 public:
  // Appends and returns the new item; with a non-empty key it is also found by that key.
  // Returns nullptr, adding nothing, when the key is already in use.
  pyxa::Item* Add(const QString& name, bool isDirectory, const QString& key = QString());

  int Count() const { return static_cast<int>(items_.size()); }

  // By 1-based position or by key; nullptr when there is no such item.
  pyxa::Item* Item(int index);
  const pyxa::Item* Item(int index) const;
  pyxa::Item* Item(const QString& key);
  const pyxa::Item* Item(const QString& key) const;

  // False when there is no such item.
  bool Remove(int index);
  bool Remove(const QString& key);

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.cbegin(); }
  auto end() const { return items_.cend(); }

 private:
  int IndexOfKey(const QString& key) const;  // 0-based, -1 when absent

  QList<pyxa::Item> items_;
  QList<QString> keys_;  // parallel to items_; empty for unkeyed items
};

class Directory {
 public:
  // Appends "/" when the value does not end in "/", then trims leading and trailing spaces.
  void SetPath(const QString& value);
  const QString& Path() const { return path_; }

  // Created empty with the object; Load appends to it. SetItems replaces it.
  pyxa::Items& Items() { return items_; }
  const pyxa::Items& Items() const { return items_; }
  void SetItems(pyxa::Items items) { items_ = std::move(items); }

  // 0 when the last Load succeeded; otherwise the system error code (errno) and its text.
  std::int32_t ErrorNumber() const { return errorNumber_; }
  const QString& ErrorDescription() const { return errorDescription_; }

  // Appends the folder's entries whose upper-cased extension (the text after the last ".") is in
  // filter, or every entry when filter is "*.*"; directories too unless filesOnly. filter gets
  // back its normalised form: "|" + upper-cased filter + "|" with each "||" made "|" (so ""
  // becomes "|"). Entries without an extension never match an extension list.
  //
  // The entries of one Load are added sorted by name (ignoring letter case, in the user's
  // locale), so the listing is the same each time. Names starting with "." are hidden files and
  // are not listed, nor are entries that are neither files nor folders (pipes, sockets,
  // devices), links that lead nowhere or cannot be followed (a loop), and names that are not
  // valid UTF-8. Such an entry is skipped; the others are listed.
  //
  // A folder that cannot be opened (missing, not accessible, not a folder) lists nothing and
  // succeeds. A failure while reading the folder itself sets ErrorNumber/ErrorDescription and
  // result to the system error code; the entries read before the failure are still added.
  void Load(bool filesOnly, QString& filter, std::int32_t& result);

 private:
  QString path_;
  pyxa::Items items_;
  std::int32_t errorNumber_ = 0;
  QString errorDescription_;
};

}  // namespace pyxa
