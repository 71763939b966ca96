// The program's side of the helper's messages: requests encoded, device and option replies decoded
// into the plain values of ScannerTypes.h. A reply that does not decode yields nullopt.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "scan/ScanPageAssembler.h"
#include "scan/ScannerTypes.h"

namespace pyxa {

std::string EncodeOptionsRequest(const QString& device);
std::string EncodeScanRequest(const QString& device, const QList<OptionSetting>& settings, int maxPages);

std::optional<QList<ScannerDevice>> DecodeDevices(std::string_view payload);
std::optional<QList<ScannerOption>> DecodeOptions(std::string_view payload);

struct PageStart {
  int page = 0;
  PageFormat format;
};
std::optional<PageStart> DecodePageStart(std::string_view payload);

struct HelperStatus {
  scanwire::Phase phase = scanwire::Phase::Done;
  int saneStatus = 0;
  int page = 0;
  QString detail;
};
std::optional<HelperStatus> DecodeStatus(std::string_view payload);

}  // namespace pyxa
