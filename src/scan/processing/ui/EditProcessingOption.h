// Opens the settings dialog of one processing option over parent, modal, and applies what the user chose.
#pragma once

#include "scan/processing/ProcessingOption.h"
#include "scan/processing/ProcessingSettings.h"

class QWidget;

namespace pyxa {

// OK applies the dialog to settings and returns true; Cancel (or closing it) changes nothing and returns
// false. An option outside the enum opens nothing and returns false.
bool EditProcessingOption(ProcessingOption option, ProcessingSettings& settings, QWidget* parent);

}  // namespace pyxa
