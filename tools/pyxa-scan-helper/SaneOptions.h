// Reading and setting a SANE device's options for the helper: the Options reply, and applying the
// program's settings in order before a batch.
#pragma once

#include <sane/sane.h>

#include <string>

#include "scan/ScanWire.h"

namespace pyxa::scanhelper {

// The Options message for an open device.
std::string DescribeOptions(SANE_Handle device);

struct SetResult {
  SANE_Status status = SANE_STATUS_GOOD;
  std::string option;  // the name of the option that failed
};

// Applies the settings that follow in the Scan request (count, then name, kind, value each), stopping at
// the first the device refuses or does not have.
SetResult ApplySettings(SANE_Handle device, scanwire::Reader& settings);

// The current value of a string option, or "" when the device has no such option.
std::string StringOption(SANE_Handle device, const char* name);

}  // namespace pyxa::scanhelper

namespace pyxa::scanhelper {
// The current value of a numeric option (e.g. "resolution"), or 0 when the device has no such option.
double NumberOption(SANE_Handle device, const char* name);
}  // namespace pyxa::scanhelper
