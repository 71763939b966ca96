// One batch on a SANE device for the helper: open, apply the settings, then start and read page after
// page, sending each page's bytes as they come and ending with one Status.
#pragma once

#include "HelperChannel.h"

namespace pyxa::scanhelper {

// The device the program reserved: held open between batches, so no other program takes it.
struct Reservation {
  std::string name;
  void* handle = nullptr;  // the SANE handle; null when nothing is reserved
};

// releaseSeconds bounds giving the device back (0: unbounded); past it the helper sends the ending and exits.
// A batch on the reserved device uses its handle and leaves it open; any other opens and closes its own.
void RunBatch(HelperChannel& channel, scanwire::Reader& request, unsigned releaseSeconds, const Reservation& reserved);

// The Status message that ends a request.
std::string StatusMessage(scanwire::Phase phase, int saneStatus, std::uint32_t page, const std::string& detail);

}  // namespace pyxa::scanhelper
