#include "platform/ui/ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace pyxa {

bool ShellOpen(const QString& filePath) {
  // The file is handed over as a file: URL, so no part of its name is read as a command or option.
  const QFileInfo info(filePath);
  if (filePath.isEmpty() || !info.exists()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool DesktopShellOpener::Open(const QString& filePath) { return ShellOpen(filePath); }

}  // namespace pyxa
