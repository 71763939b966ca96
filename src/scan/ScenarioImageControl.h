// The image-processing control of the production scanner kind: the page scenario file and section it
// processes pages with, which the scan control hands to the page processing before each batch.
#pragma once

#include "document/ScanControl.h"

namespace pyxa {

class ScenarioImageControl final : public ImageControl {
 public:
  QString ScenarioIniFile() const override { return iniFile_; }
  QString ScenarioSection() const override { return section_; }
  void SetScenario(const QString& iniFile, const QString& section) override {
    iniFile_ = iniFile;
    section_ = section;
  }

 private:
  QString iniFile_;
  QString section_;
};

}  // namespace pyxa
