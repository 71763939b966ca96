#include "platform/IniRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QLockFile>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringList>
#include <utility>

namespace pyxa {
namespace {

// A hive is a settings file, never large; anything bigger is not one of ours.
constexpr qint64 kMaxHiveBytes = 4 * 1024 * 1024;
// How long a write waits for another writer of the same hive before giving up (silently).
constexpr int kLockWaitMs = 5000;

struct HiveEntry {
  QString section;
  QString name;
  QString value;
  int line;
};

struct HiveSection {
  QString path;
  int lastLine;  // the header or the section's last value line
};

struct HiveText {
  QStringList lines;
  QList<HiveEntry> entries;
  QList<HiveSection> sections;
};

bool Same(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

bool HasControl(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
  }
  return false;
}

// "SOFTWARE\Corvantis\Pyxadesk", "SOFTWARE/Corvantis/Pyxadesk/" and files written by QSettings
// ("%5C" for "\") all name one key. Empty when the text cannot name a key.
QString NormalizeKeyPath(QString path) {
  path.replace(QStringLiteral("%5C"), QStringLiteral("\\"), Qt::CaseInsensitive);
  path.replace(QLatin1Char('/'), QLatin1Char('\\'));
  QStringList parts;
  for (const QString& part : path.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
    const QString trimmed = part.trimmed();
    if (!trimmed.isEmpty()) parts << trimmed;
  }
  const QString joined = parts.join(QLatin1Char('\\'));
  if (joined.contains(QLatin1Char('[')) || joined.contains(QLatin1Char(']')) || HasControl(joined)) return {};
  return joined;
}

// A name must survive a round trip through a "name=value" line.
bool IsValidValueName(const QString& name) {
  if (name.isEmpty() || name != name.trimmed() || HasControl(name) || name.contains(QLatin1Char('='))) return false;
  const QChar first = name.front();
  return first != QLatin1Char('[') && first != QLatin1Char(';') && first != QLatin1Char('#');
}

// A value is taken literally up to the end of its line; a value in double quotes may use the
// escapes \\ \" \n \r \t (any other backslash stays as it is).
bool DecodeValue(const QString& raw, QString& value) {
  if (!raw.startsWith(QLatin1Char('"'))) {
    value = raw;
    return true;
  }
  QString out;
  for (qsizetype i = 1; i < raw.size(); ++i) {
    const QChar c = raw.at(i);
    if (c == QLatin1Char('"')) {
      if (i != raw.size() - 1) return false;  // text after the closing quote
      value = out;
      return true;
    }
    if (c == QLatin1Char('\\') && i + 1 < raw.size()) {
      const QChar next = raw.at(i + 1);
      if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
        out += next;
      } else if (next == QLatin1Char('n')) {
        out += QLatin1Char('\n');
      } else if (next == QLatin1Char('r')) {
        out += QLatin1Char('\r');
      } else if (next == QLatin1Char('t')) {
        out += QLatin1Char('\t');
      } else {
        out += c;
        continue;
      }
      ++i;
      continue;
    }
    out += c;
  }
  return false;  // no closing quote
}

QString EncodeValue(const QString& value) {
  const bool quote = value != value.trimmed() || value.startsWith(QLatin1Char('"')) || HasControl(value);
  if (!quote) return value;
  QString out = QStringLiteral("\"");
  for (const QChar c : value) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
      out += QLatin1Char('\\');
      out += c;
    } else if (c == QLatin1Char('\n')) {
      out += QStringLiteral("\\n");
    } else if (c == QLatin1Char('\r')) {
      out += QStringLiteral("\\r");
    } else if (c == QLatin1Char('\t')) {
      out += QStringLiteral("\\t");
    } else {
      out += c;
    }
  }
  return out + QLatin1Char('"');
}

bool ParseHive(const QByteArray& bytes, HiveText& hive) {
  QStringDecoder decoder(QStringDecoder::Utf8);  // drops a leading byte-order mark
  const QString text = decoder.decode(bytes);
  if (decoder.hasError()) return false;
  hive.lines = text.split(QLatin1Char('\n'));
  if (!hive.lines.isEmpty() && hive.lines.back().isEmpty()) hive.lines.removeLast();  // final line break
  int current = -1;
  for (int i = 0; i < hive.lines.size(); ++i) {
    QString& raw = hive.lines[i];
    if (raw.endsWith(QLatin1Char('\r'))) raw.chop(1);
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1Char('['))) {
      if (!line.endsWith(QLatin1Char(']'))) return false;
      const QString path = NormalizeKeyPath(line.mid(1, line.size() - 2));
      if (path.isEmpty()) return false;
      hive.sections.append({path, i});
      current = static_cast<int>(hive.sections.size()) - 1;
      continue;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0 || current < 0) return false;
    const QString name = line.left(eq).trimmed();
    QString value;
    if (!DecodeValue(line.mid(eq + 1).trimmed(), value)) return false;
    hive.entries.append({hive.sections[current].path, name, value, i});
    hive.sections[current].lastLine = i;
  }
  return true;
}

// 0 with the parsed text; kNotFound when there is no file; an errno-style code otherwise.
std::int32_t LoadHive(const QString& path, HiveText& hive) {
  if (path.isEmpty()) return Registry::kNotFound;
  // Non-blocking open, so that a named pipe in the hive's place cannot hang the program.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    return (error == ENOENT || error == ENOTDIR) ? Registry::kNotFound : error;
  }
  struct stat info {};
  std::int32_t rc = 0;
  QByteArray bytes;
  if (::fstat(fd, &info) != 0) {
    rc = errno;
  } else if (S_ISDIR(info.st_mode)) {
    rc = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    rc = IniRegistry::kUnreadable;
  } else if (info.st_size > kMaxHiveBytes) {
    rc = EFBIG;
  } else {
    char buffer[8192];
    for (;;) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        rc = errno;
        break;
      }
      if (got == 0) break;
      bytes.append(buffer, got);
      if (bytes.size() > kMaxHiveBytes) {
        rc = EFBIG;
        break;
      }
    }
  }
  ::close(fd);
  if (rc == 0 && !ParseHive(bytes, hive)) rc = IniRegistry::kMalformed;
  return rc;
}

// The entry that a read sees: the last one of that name in any section of that key.
const HiveEntry* FindEntry(const HiveText& hive, const QString& key, const QString& name) {
  for (auto it = hive.entries.crbegin(); it != hive.entries.crend(); ++it) {
    if (Same(it->section, key) && Same(it->name, name)) return &*it;
  }
  return nullptr;
}

// Returns false when the hive already holds exactly this value.
bool SetValue(HiveText& hive, const QString& key, const QString& name, const QString& value) {
  if (const HiveEntry* entry = FindEntry(hive, key, name)) {
    if (entry->value == value) return false;
    hive.lines[entry->line] = entry->name + QLatin1Char('=') + EncodeValue(value);
    return true;
  }
  const QString line = name + QLatin1Char('=') + EncodeValue(value);
  for (auto it = hive.sections.crbegin(); it != hive.sections.crend(); ++it) {
    if (Same(it->path, key)) {
      hive.lines.insert(it->lastLine + 1, line);
      return true;
    }
  }
  if (!hive.lines.isEmpty() && !hive.lines.back().trimmed().isEmpty()) hive.lines.append(QString());
  hive.lines.append(QLatin1Char('[') + key + QLatin1Char(']'));
  hive.lines.append(line);
  return true;
}

}  // namespace

IniRegistry::IniRegistry(QString machineHivePath, QString userHivePath)
    : machinePath_(std::move(machineHivePath)), userPath_(std::move(userHivePath)) {}

std::int32_t IniRegistry::ReadRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                            QString& value) {
  const QString key = NormalizeKeyPath(keyPath);
  if (key.isEmpty() || !IsValidValueName(valueName)) return kNotFound;
  HiveText text;
  const std::int32_t rc = LoadHive(HivePath(hive), text);
  if (rc != 0) return rc;
  const HiveEntry* entry = FindEntry(text, key, valueName);
  if (!entry) return kNotFound;
  value = entry->value;
  return 0;
}

std::int32_t IniRegistry::WriteRegistryValue(Hive hive, const QString& keyPath, const QString& valueName,
                                             const QString& value) {
  // Every failure here is silent: the settings rules carry on as if the write had succeeded.
  const QString key = NormalizeKeyPath(keyPath);
  const QString& path = HivePath(hive);
  if (key.isEmpty() || !IsValidValueName(valueName) || path.isEmpty()) return 0;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return 0;

  // Read, change and replace under one lock, so that two writers cannot lose each other's values.
  QLockFile lock(path + QStringLiteral(".lock"));
  if (!lock.tryLock(kLockWaitMs)) return 0;
  HiveText text;
  const std::int32_t rc = LoadHive(path, text);
  if (rc != 0 && rc != kNotFound) return 0;  // never replace a hive we could not read: it may hold values
  if (!SetValue(text, key, valueName, value)) return 0;

  QSaveFile file(path);  // a temporary file renamed over the hive: the old text or the new, never half
  if (!file.open(QIODevice::WriteOnly)) return 0;
  // The user's hive keeps the last indexing values (sender, document name): its owner's only.
  // The machine hive stays readable for every user; a replaced file keeps its permissions.
  if (hive == Hive::User && rc == kNotFound) file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  const QByteArray bytes = (text.lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
  // A short write (disk full, file size limit) is no error to QSaveFile: commit would then put
  // a cut-off hive in place of the old one.
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return 0;
  }
  file.commit();
  return 0;
}

}  // namespace pyxa
