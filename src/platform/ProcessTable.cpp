#include "platform/ProcessTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pyxa {
namespace {

QByteArray ReadSmall(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(4096);
}

}  // namespace

bool IsProcessRunning(const QString& machine, const QString& name) {
  if (!machine.isEmpty() && machine != QStringLiteral(".") &&
      machine.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) != 0)
    return false;
  const QString wanted = name.toUpper();
  // The kernel keeps at most 15 characters of a program's name.
  const QString wantedShort = wanted.left(15);
  const QDir proc(QStringLiteral("/proc"));
  for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool numeric = false;
    entry.toLongLong(&numeric);
    if (!numeric) continue;
    const QString base = QStringLiteral("/proc/") + entry;
    const QString comm = QString::fromLocal8Bit(ReadSmall(base + QStringLiteral("/comm"))).trimmed().toUpper();
    const QByteArray cmdline = ReadSmall(base + QStringLiteral("/cmdline"));
    const QString first = QFileInfo(QString::fromLocal8Bit(cmdline.left(cmdline.indexOf('\0')))).fileName().toUpper();
    if (first == wanted || (!comm.isEmpty() && comm == wantedShort && (first.isEmpty() || first.startsWith(comm))))
      return true;
  }
  return false;
}

}  // namespace pyxa
