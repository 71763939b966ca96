#include "mainwindow/DocumentNaming.h"

namespace pyxa {

QString DefaultDocumentName(const QDateTime& now, const QString& category) {
  return now.toString(QStringLiteral("yyyy")) + QLatin1Char('_') + now.toString(QStringLiteral("MMdd")) +
         category.right(4) + QLatin1Char('_') + now.toString(QStringLiteral("HH:mm"));
}

QString DocumentFileExtension(const QString& name) {
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

QString WithDocumentExtension(const QString& name, const QString& ext) {
  if (name.isEmpty()) return name;
  const bool hasThree = name.size() >= 4 && name[name.size() - 4] == QLatin1Char('.');
  return (hasThree ? name.left(name.size() - 4) : name) + QLatin1Char('.') + ext;
}

QString NameForCategory(const QString& name, const QDateTime& now, const QString& category) {
  const QString extension = DocumentFileExtension(name);
  if (!extension.isEmpty() && extension != QStringLiteral("TIF")) return name;
  QString proposed = DefaultDocumentName(now, category);
  if (!extension.isEmpty()) proposed += QLatin1Char('.') + extension;
  return proposed;
}

QString NameOnLeave(const QString& name, const QString& extensionOnEntry, const QString& fileExtension) {
  if (name.isEmpty()) return name;
  if (name.size() >= 4 && name.at(name.size() - 4) == QLatin1Char('.')) return name;
  // A name that had no extension on entry takes the file's, so that "." never stands alone.
  QString extension = fileExtension.isEmpty() ? QStringLiteral("TIF") : extensionOnEntry;
  if (extension.isEmpty()) extension = fileExtension;
  return name + QLatin1Char('.') + extension;
}

}  // namespace pyxa
