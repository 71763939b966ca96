// The save dialog windows ask for a file name with; tests script it.
#pragma once

#include <QString>

namespace pyxa {

class SaveFilePicker {
 public:
  virtual ~SaveFilePicker() = default;
  // The chosen file, or "" when the user cancelled. filter: "Label (*.ext)|*.ext|..." pairs.
  virtual QString SaveFile(const QString& title, const QString& folder, const QString& filter) = 0;
};

}  // namespace pyxa
