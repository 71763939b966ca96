#include "scan/ScenarioFile.h"

#include <unistd.h>

#include <cerrno>

#include <QFile>

#include "document/BesideFile.h"

namespace pyxa {
namespace {

// A scenario is a few dozen lines; anything far bigger is not one.
constexpr qint64 kMaxScenarioBytes = 1024 * 1024;

}  // namespace

IniEntries ScenarioFileRead::Section(const QString& name) const {
  for (const IniSection& s : sections)
    if (QString::compare(s.name, name, Qt::CaseInsensitive) == 0) return s.entries;
  return {};
}

bool ScenarioFileRead::HasSection(const QString& name) const {
  for (const IniSection& s : sections)
    if (QString::compare(s.name, name, Qt::CaseInsensitive) == 0) return true;
  return false;
}

ScenarioFileRead ReadScenarioFile(const QString& path) {
  ScenarioFileRead read;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return read;
  if (file.size() > kMaxScenarioBytes) {
    read.problems << QStringLiteral("The file is too large to be a page scenario.");
    return read;
  }
  read.found = true;
  const QByteArray bytes = file.readAll();
  const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      read.sections.append({line.mid(1, line.size() - 2).trimmed(), {}});
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0 || read.sections.isEmpty()) {
      read.problems << QStringLiteral("Line %1 could not be read: %2").arg(i + 1).arg(line.left(80));
      continue;
    }
    read.sections.last().entries.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
  }
  return read;
}

int WriteScenarioFile(const QString& path, const QList<IniSection>& sections) {
  QByteArray text;
  for (const IniSection& s : sections) {
    if (!text.isEmpty()) text += '\n';
    text += '[' + s.name.toUtf8() + "]\n";
    for (const auto& [key, value] : s.entries) {
      // A line break in a value would start a line of its own when read back.
      QString flat = value;
      flat.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
      text += key.toUtf8() + '=' + flat.toUtf8() + '\n';
    }
  }
  BesideFile out(path);
  if (out.Error() != 0) return out.Error();
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(out.Fd(), text.constData() + done, std::size_t(text.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    done += n;
  }
  return out.Commit();
}

QString ScenarioFilePath(const QString& programFolder, const QString& scenario) {
  return programFolder + QStringLiteral("PS") + scenario + QStringLiteral(".ini");
}

}  // namespace pyxa
