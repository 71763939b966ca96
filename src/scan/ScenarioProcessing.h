// The page processing of the production scanner: the processing chain with the settings of the page
// scenario's "Image Processing" section, its bar codes reported in the scan control's type codes.
#pragma once

#include "scan/ProductionScanner.h"
#include "scan/processing/ProcessingSettings.h"

namespace pyxa {

class ScenarioProcessing final : public PageProcessing {
 public:
  QStringList Configure(const QString& iniFile, const QString& section) override;
  // Safe on several worker threads at once: the settings are only read while a batch runs.
  ProcessedScan Process(const ScannedPage& page, int pageInBatch) override;

  const ProcessingSettings& Settings() const { return settings_; }

 private:
  ProcessingSettings settings_;
};

}  // namespace pyxa
