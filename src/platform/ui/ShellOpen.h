// Opening a file with the desktop's associated program (xdg-open through QDesktopServices),
// as an injectable service for the windows that offer "open".
#pragma once

#include <QString>

namespace pyxa {

class ShellOpener {
 public:
  virtual ~ShellOpener() = default;
  // True when the desktop accepted the file; false for a missing file or when nothing can open it.
  virtual bool Open(const QString& filePath) = 0;
};

class DesktopShellOpener final : public ShellOpener {
 public:
  bool Open(const QString& filePath) override;
};

bool ShellOpen(const QString& filePath);

}  // namespace pyxa
