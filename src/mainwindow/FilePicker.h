// The file-open dialog as a seam: windows ask it for files, tests script the answer.
#pragma once

#include <QString>
#include <QStringList>

namespace pyxa {

class FilePicker {
 public:
  virtual ~FilePicker() = default;
  // Full paths of the chosen files; empty when the user cancelled.
  virtual QStringList OpenFiles(const QString& title, const QString& filter) = 0;
};

}  // namespace pyxa
