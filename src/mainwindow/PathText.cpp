#include "mainwindow/PathText.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace pyxa {
namespace {

// The highest copy number tried; a folder holding that many copies of one name is not sane.
constexpr int kMaxCopyNumber = 9999;

bool Taken(const QString& path) {
  // A dangling link counts as taken: copying onto it would write wherever it points.
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

}  // namespace

QString NameFromFullPath(const QString& FullPath) {
  const qsizetype cut = std::max(FullPath.lastIndexOf(QLatin1Char('/')), FullPath.lastIndexOf(QLatin1Char('\\')));
  return FullPath.mid(cut + 1);
}

QString GetNth(const QString& text, int n, const QString& separator) {
  if (n < 1) return QString();
  if (separator.isEmpty()) return n == 1 ? text : QString();
  const QStringList fields = text.split(separator);
  return n <= fields.size() ? fields.at(n - 1) : QString();
}

QString FileExtension(const QString& name) {
  const QString bare = NameFromFullPath(name);
  const qsizetype dot = bare.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : bare.mid(dot + 1).toUpper();
}

QString FreeCopyName(const QString& folder, const QString& fileName) {
  const QString name = NameFromFullPath(fileName);
  if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) return QString();
  const QDir dir(folder);
  if (!Taken(dir.filePath(name))) return name;

  // "a.tif" becomes "a (2).tif"; a leading dot is part of the base name, not an extension.
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString base = dot > 0 ? name.left(dot) : name;
  const QString extension = dot > 0 ? name.mid(dot) : QString();
  for (int copy = 2; copy <= kMaxCopyNumber; ++copy) {
    const QString candidate = base + QStringLiteral(" (") + QString::number(copy) + QStringLiteral(")") + extension;
    if (!Taken(dir.filePath(candidate))) return candidate;
  }
  return QString();
}

}  // namespace pyxa
