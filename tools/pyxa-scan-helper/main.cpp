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

std::string Describe(scanwire::Reader& request) {
  const std::string name = request.Str();
  if (!request.Ok()) return StatusMessage(scanwire::Phase::BadRequest, SANE_STATUS_INVAL, 0, "");
  SANE_Handle device = nullptr;
  if (const SANE_Status s = sane_open(name.c_str(), &device); s != SANE_STATUS_GOOD)
    return StatusMessage(scanwire::Phase::Open, s, 0, name);
  std::string reply = DescribeOptions(device);
  sane_close(device);
  if (reply.size() - 4 > scanwire::kMaxMessage)
    return StatusMessage(scanwire::Phase::Describe, SANE_STATUS_NO_MEM, 0, "too many options");
  return reply;
}

}  // namespace

int main() {
  HelperChannel channel;
  const unsigned releaseSeconds = ReleaseWatchdog::LimitFromEnvironment();
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
        channel.Send(Describe(request));
        break;
      case scanwire::Msg::Scan:
        RunBatch(channel, request, releaseSeconds);
        break;
      case scanwire::Msg::Cancel:
        break;  // a cancel that crossed the end of its batch
      default:
        channel.Send(StatusMessage(scanwire::Phase::BadRequest, SANE_STATUS_INVAL, 0, ""));
        break;
    }
    if (channel.Gone()) break;
  }
  if (init == SANE_STATUS_GOOD) sane_exit();
  return 0;
}
