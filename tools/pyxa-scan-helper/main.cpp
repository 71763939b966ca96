// The scanner helper: answers the program's requests (list devices, describe options, scan a batch)
// over stdin and stdout until the program closes stdin.
#include <sane/sane.h>

#include "HelperChannel.h"
#include "ReleaseWatchdog.h"
#include "SaneBatch.h"
#include "SaneOptions.h"

using namespace pyxa;
using namespace pyxa::scanhelper;

namespace {

std::string ListDevices() {
  const SANE_Device** list = nullptr;
  if (const SANE_Status s = sane_get_devices(&list, SANE_FALSE); s != SANE_STATUS_GOOD)
    return StatusMessage(scanwire::Phase::List, s, 0, "");
  std::uint32_t n = 0;
  while (list && list[n]) ++n;
  scanwire::Writer w(scanwire::Msg::Devices);
  w.U32(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    const SANE_Device& d = *list[i];
    w.Str(d.name ? d.name : "").Str(d.vendor ? d.vendor : "").Str(d.model ? d.model : "").Str(d.type ? d.type : "");
  }
  return w.Finish();
}

std::string Describe(scanwire::Reader& request, const Reservation& reserved) {
  const std::string name = request.Str();
  if (!request.Ok()) return StatusMessage(scanwire::Phase::BadRequest, SANE_STATUS_INVAL, 0, "");
  const bool ownHandle = reserved.handle == nullptr || reserved.name != name;
  SANE_Handle device = ownHandle ? nullptr : reserved.handle;
  if (ownHandle) {
    if (const SANE_Status s = sane_open(name.c_str(), &device); s != SANE_STATUS_GOOD)
      return StatusMessage(scanwire::Phase::Open, s, 0, name);
  }
  std::string reply = DescribeOptions(device);
  if (ownHandle) sane_close(device);
  if (reply.size() - 4 > scanwire::kMaxMessage)
    return StatusMessage(scanwire::Phase::Describe, SANE_STATUS_NO_MEM, 0, "too many options");
  return reply;
}

void Release(Reservation& reserved) {
  if (reserved.handle) sane_close(reserved.handle);
  reserved = {};
}

// Holds the device open; a different device reserved before is given back first.
std::string Reserve(scanwire::Reader& request, Reservation& reserved) {
  const std::string name = request.Str();
  if (!request.Ok()) return StatusMessage(scanwire::Phase::BadRequest, SANE_STATUS_INVAL, 0, "");
  if (reserved.handle && reserved.name == name) return StatusMessage(scanwire::Phase::Done, SANE_STATUS_GOOD, 0, "");
  Release(reserved);
  SANE_Handle device = nullptr;
  if (const SANE_Status s = sane_open(name.c_str(), &device); s != SANE_STATUS_GOOD)
    return StatusMessage(scanwire::Phase::Open, s, 0, name);
  reserved = {name, device};
  return StatusMessage(scanwire::Phase::Done, SANE_STATUS_GOOD, 0, "");
}

}  // namespace

int main() {
  HelperChannel channel;
  const unsigned releaseSeconds = ReleaseWatchdog::LimitFromEnvironment();
  Reservation reserved;
  SANE_Int version = 0;
  const SANE_Status init = sane_init(&version, nullptr);
  while (auto m = channel.Next()) {
    scanwire::Reader request(m->payload);
    if (init != SANE_STATUS_GOOD && m->type != scanwire::Msg::Cancel) {
      channel.Send(StatusMessage(scanwire::Phase::List, init, 0, ""));
      continue;
    }
    switch (m->type) {
      case scanwire::Msg::ListDevices:
        channel.Send(ListDevices());
        break;
      case scanwire::Msg::GetOptions:
        channel.Send(Describe(request, reserved));
        break;
      case scanwire::Msg::Scan:
        RunBatch(channel, request, releaseSeconds, reserved);
        break;
      case scanwire::Msg::Reserve:
        channel.Send(Reserve(request, reserved));
        break;
      case scanwire::Msg::Release:
        Release(reserved);
        channel.Send(StatusMessage(scanwire::Phase::Done, SANE_STATUS_GOOD, 0, ""));
        break;
      case scanwire::Msg::Cancel:
        break;  // a cancel that crossed the end of its batch
      default:
        channel.Send(StatusMessage(scanwire::Phase::BadRequest, SANE_STATUS_INVAL, 0, ""));
        break;
    }
    if (channel.Gone()) break;
  }
  if (init == SANE_STATUS_GOOD) {
    Release(reserved);
    sane_exit();
  }
  return 0;
}
