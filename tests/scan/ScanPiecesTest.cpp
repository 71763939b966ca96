// The pieces under SaneScanner that a real scanner rarely exercises: page forms built from raw lines,
// messages that do not decode, and the wording of every way a batch ends.
#include <gtest/gtest.h>

#include "scan/SaneReplies.h"
#include "scan/ScanOutcome.h"
#include "scan/ScanPageAssembler.h"

namespace pyxa {
namespace {

using Status = ScannerSource::Status;
using scanwire::Frame;
using scanwire::Phase;

std::optional<ScannedPage> Build(const PageFormat& f, const std::string& bytes) {
  ScanPageAssembler a;
  if (!a.Begin(f)) return std::nullopt;
  a.Append(bytes);
  return a.Finish();
}

TEST(ScanPageAssemblerTest, LineartOneBitsAreBlackAndPaddingIsIgnored) {
  // 10 pixels in 3 bytes a line (one padding byte): 1100000000, then 0000000001
  const auto page = Build({Frame::Gray, 1, 10, 2, 3, 300, 200}, std::string("\xC0\x00\xEE\x00\x40\xEE", 6));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->image.format(), QImage::Format_Mono);
  EXPECT_EQ(qGray(page->image.pixel(0, 0)), 0);
  EXPECT_EQ(qGray(page->image.pixel(2, 0)), 255);
  EXPECT_EQ(qGray(page->image.pixel(9, 1)), 0);
  EXPECT_EQ(qGray(page->image.pixel(8, 1)), 255);
  EXPECT_EQ(page->xDpi, 300);
  EXPECT_EQ(page->yDpi, 200);
}

TEST(ScanPageAssemblerTest, SixteenBitSamplesKeepTheirValue) {
  const quint16 grey[2] = {0x1234, 0xFFFF};
  auto page = Build({Frame::Gray, 16, 2, 1, 4, 0, 0}, std::string(reinterpret_cast<const char*>(grey), 4));
  ASSERT_TRUE(page);
  EXPECT_EQ(reinterpret_cast<const quint16*>(page->image.constScanLine(0))[0], 0x1234);
  const quint16 rgb[3] = {0x1000, 0x2000, 0x3000};
  page = Build({Frame::Rgb, 16, 1, 1, 6, 0, 0}, std::string(reinterpret_cast<const char*>(rgb), 6));
  ASSERT_TRUE(page);
  const QRgba64 px = page->image.pixelColor(0, 0).rgba64();
  EXPECT_EQ(px.red(), 0x1000);
  EXPECT_EQ(px.green(), 0x2000);
  EXPECT_EQ(px.blue(), 0x3000);
  EXPECT_EQ(px.alpha(), 0xFFFF);
}

TEST(ScanPageAssemblerTest, AShortPageKeepsItsWholeLinesAndAnEmptyOneIsNoPage) {
  auto page = Build({Frame::Gray, 8, 4, 10, 4, 0, 0}, std::string(9, '\x7F'));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->image.height(), 2);
  EXPECT_FALSE(Build({Frame::Gray, 8, 4, 10, 4, 0, 0}, std::string(3, '\x7F')));
  // Bytes beyond the announced length are dropped.
  page = Build({Frame::Gray, 8, 4, 1, 4, 0, 0}, std::string(40, '\x7F'));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->image.height(), 1);
}

TEST(ScanPageAssemblerTest, RefusesDescriptionsItCannotHonour) {
  const PageFormat bad[] = {
      {Frame::Gray, 8, 10, 5, 9, 0, 0},          // a line shorter than its pixels
      {Frame::Rgb, 1, 10, 5, 30, 0, 0},          // colour lineart
      {Frame::Gray, 4, 10, 5, 10, 0, 0},         // a depth we do not read
      {Frame::Gray, 8, 0, 5, 10, 0, 0},          // no pixels
      {Frame::Gray, 8, 10, -2, 10, 0, 0},        // a negative length other than "unknown"
      {Frame::Rgb, 16, 60000, 60000, 360000, 0, 0},  // far above the memory we allow a page
  };
  for (const PageFormat& f : bad) {
    ScanPageAssembler a;
    EXPECT_FALSE(a.Begin(f)) << f.depth << " " << f.width << " " << f.lines;
  }
}

TEST(ScanWireTest, ForgedCountsAndTruncatedMessagesFailWithoutReadingPastTheEnd) {
  std::string devices = scanwire::Writer(scanwire::Msg::Devices).U32(0xFFFFFFFF).Finish();
  EXPECT_FALSE(DecodeDevices(std::string_view(devices).substr(5)));
  std::string status = scanwire::Writer(scanwire::Msg::Status).U8(3).I32(7).U32(2).Str("abc").Finish();
  const std::string_view payload = std::string_view(status).substr(5);
  ASSERT_TRUE(DecodeStatus(payload));
  for (std::size_t n = 0; n < payload.size(); ++n) EXPECT_FALSE(DecodeStatus(payload.substr(0, n))) << n;
  EXPECT_FALSE(DecodeOptions(std::string_view("\x01\x00\x00\x00\x05", 5)));

  std::string buffer("\x00\x00\x00\x00", 4);
  scanwire::Message m;
  EXPECT_EQ(scanwire::TakeMessage(buffer, m), scanwire::Take::Broken);
  buffer = std::string("\xFF\xFF\xFF\x7F", 4);
  EXPECT_EQ(scanwire::TakeMessage(buffer, m), scanwire::Take::Broken);
  buffer = status.substr(0, 7);
  EXPECT_EQ(scanwire::TakeMessage(buffer, m), scanwire::Take::NeedMore);
}

struct EndCase {
  Phase phase;
  int saneStatus;
  int delivered;
  Status status;
  const char* words;  // "" when the batch ended well and says nothing
};

TEST(ScanOutcomeTest, EveryEndHasItsStatusAndWords) {
  const EndCase cases[] = {
      {Phase::Done, 0, 3, Status::Ok, ""},
      {Phase::Start, 7, 3, Status::Ok, ""},  // the feeder ran empty after three sheets
      {Phase::Start, 7, 0, Status::NoDocuments, "no paper"},
      {Phase::Read, 7, 2, Status::Failed, "page 3"},  // ran out in the middle of a page
      {Phase::Read, 6, 2, Status::Jammed, "The 2 pages scanned before are kept."},
      {Phase::Read, 8, 1, Status::CoverOpen, "The page scanned before is kept."},
      {Phase::Read, 9, 0, Status::IoError, "stopped working while scanning page 3"},
      {Phase::Start, 3, 0, Status::DeviceBusy, "busy"},
      {Phase::Read, 2, 0, Status::Cancelled, "at the scanner"},
      {Phase::Open, 4, 0, Status::DeviceVanished, "dev:1 is not available"},
      {Phase::Open, 3, 0, Status::DeviceBusy, "in use by another program"},
      {Phase::Open, 11, 0, Status::Failed, "may not use"},
      {Phase::SetOption, 4, 0, Status::Failed, "\"depth\""},
      {Phase::Format, 1, 0, Status::Failed, "cannot read"},
      {Phase::Cancelled, 2, 0, Status::Cancelled, "cancelled"},
  };
  for (const EndCase& c : cases) {
    const ScanOutcome o = DescribeScanEnd(c.phase, c.saneStatus, 3, "depth", c.delivered, "dev:1");
    EXPECT_EQ(o.status, c.status) << int(c.phase) << "/" << c.saneStatus;
    if (*c.words == '\0') EXPECT_TRUE(o.message.isEmpty()) << o.message.toStdString();
    else EXPECT_TRUE(o.message.contains(c.words)) << o.message.toStdString();
  }
}

}  // namespace
}  // namespace pyxa
