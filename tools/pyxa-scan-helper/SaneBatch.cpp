#include "SaneBatch.h"

#include <sane/sane.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "ReleaseWatchdog.h"
#include "SaneOptions.h"

namespace pyxa::scanhelper {
namespace {

using scanwire::Phase;

// Only a feeder has a next sheet; a flatbed would scan the same glass again and again.
bool FeedsSheets(SANE_Handle device) {
  std::string source = StringOption(device, "source");
  std::transform(source.begin(), source.end(), source.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* word : {"adf", "feeder", "automatic document", "duplex"})
    if (source.find(word) != std::string::npos) return true;
  return false;
}

std::string Unreadable(const SANE_Parameters& p) {
  if (!p.last_frame || (p.format != SANE_FRAME_GRAY && p.format != SANE_FRAME_RGB))
    return "colours in separate passes";
  if (p.format == SANE_FRAME_GRAY && p.depth != 1 && p.depth != 8 && p.depth != 16) return "grey depth " + std::to_string(p.depth);
  if (p.format == SANE_FRAME_RGB && p.depth != 8 && p.depth != 16) return "colour depth " + std::to_string(p.depth);
  if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 || p.lines == 0 || p.lines < -1) return "page size";
  return {};
}

class Batch {
 public:
  Batch(HelperChannel& channel, SANE_Handle device) : channel_(channel), device_(device) {}

  // Scans up to maxPages pages (0: no limit) and returns the message that ends the batch.
  std::string Run(std::uint32_t maxPages) {
    const bool feeder = FeedsSheets(device_);
    for (std::uint32_t page = 1;; ++page) {
      if (maxPages != 0 && page > maxPages) return StatusMessage(Phase::Done, SANE_STATUS_GOOD, page - 1, "");
      if (CancelAsked()) return StatusMessage(Phase::Cancelled, SANE_STATUS_CANCELLED, page, "");
      // Read before the page starts: backends may refuse option calls while scanning.
      const double dpi = NumberOption(device_, "resolution");
      xDpi_ = std::max(dpi, NumberOption(device_, "x-resolution"));
      yDpi_ = std::max(dpi, NumberOption(device_, "y-resolution"));
      SANE_Status s = sane_start(device_);
      if (s != SANE_STATUS_GOOD) return StatusMessage(Phase::Start, s, page, "");
      SANE_Parameters p{};
      s = sane_get_parameters(device_, &p);
      if (s != SANE_STATUS_GOOD) return StatusMessage(Phase::Start, s, page, "");
      if (const std::string why = Unreadable(p); !why.empty())
        return StatusMessage(Phase::Format, SANE_STATUS_UNSUPPORTED, page, why);
      if (std::string end = ReadPage(page, p); !end.empty()) return end;
      if (!feeder) return StatusMessage(Phase::Done, SANE_STATUS_GOOD, page, "");
    }
  }

 private:
  bool CancelAsked() {
    while (auto m = channel_.Poll())
      if (m->type == scanwire::Msg::Cancel) return true;
    return channel_.Gone();
  }

  // Sends the page; returns "" when it was read to its end, otherwise the message that ends the batch.
  std::string ReadPage(std::uint32_t page, const SANE_Parameters& p) {
    scanwire::Writer start(scanwire::Msg::PageStart);
    start.U32(page).U8(static_cast<std::uint8_t>(p.format == SANE_FRAME_RGB ? scanwire::Frame::Rgb : scanwire::Frame::Gray));
    start.U32(static_cast<std::uint32_t>(p.depth)).U32(static_cast<std::uint32_t>(p.pixels_per_line)).I32(p.lines);
    start.U32(static_cast<std::uint32_t>(p.bytes_per_line)).F64(xDpi_).F64(yDpi_);
    if (!channel_.Send(start.Finish())) return StatusMessage(Phase::Cancelled, SANE_STATUS_CANCELLED, page, "");
    std::vector<SANE_Byte> buffer(scanwire::kDataChunk);
    for (;;) {
      if (CancelAsked()) return StatusMessage(Phase::Cancelled, SANE_STATUS_CANCELLED, page, "");
      SANE_Int got = 0;
      const SANE_Status s = sane_read(device_, buffer.data(), static_cast<SANE_Int>(buffer.size()), &got);
      if (s == SANE_STATUS_EOF) break;
      if (s != SANE_STATUS_GOOD) return StatusMessage(Phase::Read, s, page, "");
      if (got <= 0) continue;
      scanwire::Writer data(scanwire::Msg::PageData);
      data.Raw(buffer.data(), std::min<std::size_t>(static_cast<std::size_t>(got), buffer.size()));
      if (!channel_.Send(data.Finish())) return StatusMessage(Phase::Cancelled, SANE_STATUS_CANCELLED, page, "");
    }
    channel_.Send(scanwire::Writer(scanwire::Msg::PageEnd).U32(page).Finish());
    return {};
  }

  HelperChannel& channel_;
  SANE_Handle device_;
  double xDpi_ = 0;
  double yDpi_ = 0;
};

}  // namespace

std::string StatusMessage(Phase phase, int saneStatus, std::uint32_t page, const std::string& detail) {
  return scanwire::Writer(scanwire::Msg::Status).U8(static_cast<std::uint8_t>(phase)).I32(saneStatus).U32(page)
      .Str(detail).Finish();
}

void RunBatch(HelperChannel& channel, scanwire::Reader& request, unsigned releaseSeconds, const Reservation& reserved) {
  const std::string name = request.Str();
  const std::uint32_t maxPages = request.U32();
  if (!request.Ok()) {
    channel.Send(StatusMessage(Phase::BadRequest, SANE_STATUS_INVAL, 0, ""));
    return;
  }
  const bool ownHandle = reserved.handle == nullptr || reserved.name != name;
  SANE_Handle device = ownHandle ? nullptr : reserved.handle;
  if (ownHandle) {
    if (const SANE_Status s = sane_open(name.c_str(), &device); s != SANE_STATUS_GOOD) {
      channel.Send(StatusMessage(Phase::Open, s, 0, name));
      return;
    }
  }
  std::string end;
  if (const SetResult set = ApplySettings(device, request); set.status != SANE_STATUS_GOOD)
    end = StatusMessage(Phase::SetOption, set.status, 0, set.option);
  else
    end = Batch(channel, device).Run(maxPages);
  // Every batch, however it ended, gives the device back before the program hears the end.
  {
    const std::string leaving = scanwire::Writer(scanwire::Msg::Leaving).Finish() + end;
    const ReleaseWatchdog watchdog(channel.OutputFd(), leaving, releaseSeconds);
    sane_cancel(device);
    if (ownHandle) sane_close(device);
  }
  channel.Send(end);
}

}  // namespace pyxa::scanhelper
