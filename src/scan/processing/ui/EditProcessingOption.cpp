#include "scan/processing/ui/EditProcessingOption.h"

#include <algorithm>

#include "scan/processing/ui/ProcessingOptionDialog.h"

namespace pyxa {

bool EditProcessingOption(ProcessingOption option, ProcessingSettings& settings, QWidget* parent) {
  if (std::find(kProcessingOptions.begin(), kProcessingOptions.end(), option) == kProcessingOptions.end()) return false;
  ProcessingOptionDialog dialog(option, settings, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings = dialog.Edited();
  return true;
}

}  // namespace pyxa
