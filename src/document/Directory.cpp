#include "document/Directory.h"

#include <QCollator>
#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/SystemError.h"

namespace pyxa {

namespace fs = std::filesystem;

// ---- Items ----

pyxa::Item* Items::Add(const QString& name, bool isDirectory, const QString& key) {
  if (!key.isEmpty() && IndexOfKey(key) >= 0) return nullptr;
  items_.append(pyxa::Item{name, isDirectory});
  keys_.append(key);
  return &items_.last();
}

pyxa::Item* Items::Item(int index) {
  if (index < 1 || index > Count()) return nullptr;
  return &items_[index - 1];
}

const pyxa::Item* Items::Item(int index) const {
  if (index < 1 || index > Count()) return nullptr;
  return &items_[index - 1];
}

pyxa::Item* Items::Item(const QString& key) {
  const int at = IndexOfKey(key);
  return at < 0 ? nullptr : &items_[at];
}

const pyxa::Item* Items::Item(const QString& key) const {
  const int at = IndexOfKey(key);
  return at < 0 ? nullptr : &items_[at];
}

bool Items::Remove(int index) {
  if (index < 1 || index > Count()) return false;
  items_.removeAt(index - 1);
  keys_.removeAt(index - 1);
  return true;
}

bool Items::Remove(const QString& key) {
  const int at = IndexOfKey(key);
  if (at < 0) return false;
  items_.removeAt(at);
  keys_.removeAt(at);
  return true;
}

int Items::IndexOfKey(const QString& key) const {
  if (key.isEmpty()) return -1;
  return static_cast<int>(keys_.indexOf(key));
}

// ---- Directory ----

void Directory::SetPath(const QString& value) {
  QString path = value;
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  // Only spaces are trimmed, not other white space, and only after the separator is added.
  qsizetype first = 0;
  qsizetype last = path.size();
  while (first < last && path.at(first) == QLatin1Char(' ')) ++first;
  while (last > first && path.at(last - 1) == QLatin1Char(' ')) --last;
  path_ = path.mid(first, last - first);
}

namespace {

struct Found {
  QString name;
  bool isDirectory;
};

// The upper-cased text after the last ".", or "" when the name has none.
QString Extension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

bool Matches(const QString& extension, const QString& normalisedFilter) {
  // A "|" inside a name would otherwise let one extension match across two list entries.
  if (extension.isEmpty() || extension.contains(QLatin1Char('|'))) return false;
  return normalisedFilter.contains(QLatin1Char('|') + extension + QLatin1Char('|'));
}

}  // namespace

void Directory::Load(bool filesOnly, QString& filter, std::int32_t& result) {
  errorNumber_ = 0;
  errorDescription_.clear();
  result = 0;

  const bool everything = filter == QStringLiteral("*.*");
  QString normalised = QLatin1Char('|') + filter.toUpper() + QLatin1Char('|');
  normalised.replace(QStringLiteral("||"), QStringLiteral("|"));
  filter = normalised;

  std::error_code error;
  fs::directory_iterator entries(fs::path(QFile::encodeName(path_).toStdString()), error);
  if (error) return;  // a folder that cannot be opened simply holds nothing

  std::vector<Found> found;
  int failure = 0;
  const fs::directory_iterator end;
  while (entries != end) {
    const fs::directory_entry& entry = *entries;
    const std::string raw = entry.path().filename().string();
    const QString name = QFile::decodeName(QByteArray::fromStdString(raw));
    // Hidden files, and names that would not lead back to this file when opened by name.
    const bool listable = !name.startsWith(QLatin1Char('.')) && QFile::encodeName(name).toStdString() == raw;
    if (listable && (everything || Matches(Extension(name), normalised))) {
      // An entry that cannot be looked at (gone since it was read, a link to nothing, a link that
      // loops or whose target cannot be named) is not one to offer; it must not cost the rest.
      std::error_code entryError;
      const fs::file_status status = entry.status(entryError);
      const fs::file_type type = entryError ? fs::file_type::none : status.type();
      if (type == fs::file_type::directory) {
        if (!filesOnly) found.push_back({name, true});
      } else if (type == fs::file_type::regular) {
        found.push_back({name, false});
      }
    }
    entries.increment(error);
    if (error) {
      failure = error.value();
      break;
    }
  }

  // The system hands entries back in no useful order; sort them so the user sees a stable list.
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(found.begin(), found.end(), [&collator](const Found& a, const Found& b) {
    const int order = collator.compare(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
  });
  for (const Found& each : found) items_.Add(each.name, each.isDirectory);

  if (failure != 0) {
    errorNumber_ = failure;
    errorDescription_ = SystemErrorText(failure);
    result = failure;
  }
}

}  // namespace pyxa
