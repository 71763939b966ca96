#include "scan/ScanOutcome.h"

#include <sane/sane.h>

namespace pyxa {
namespace {

// Statuses newer backends send that SANE 1.2's header keeps disabled.
constexpr int kSaneWarmingUp = 12;  // the lamp is not ready: retry after a wait
constexpr int kSaneHwLocked = 13;   // the mechanism is locked for transport

using Status = ScannerSource::Status;

QString Kept(int pagesDelivered) {
  if (pagesDelivered == 0) return {};
  if (pagesDelivered == 1) return QStringLiteral(" The page scanned before is kept.");
  return QStringLiteral(" The %1 pages scanned before are kept.").arg(pagesDelivered);
}

// Our own words for SANE's statuses: the program does not load SANE itself, only its helper does.
QString SaneText(int saneStatus) {
  switch (saneStatus) {
    case SANE_STATUS_GOOD: return QStringLiteral("no error");
    case SANE_STATUS_UNSUPPORTED: return QStringLiteral("the scanner does not support this");
    case SANE_STATUS_CANCELLED: return QStringLiteral("cancelled");
    case SANE_STATUS_DEVICE_BUSY: return QStringLiteral("the scanner is busy");
    case SANE_STATUS_INVAL: return QStringLiteral("a value the scanner does not accept");
    case SANE_STATUS_EOF: return QStringLiteral("no more data");
    case SANE_STATUS_JAMMED: return QStringLiteral("paper jam");
    case SANE_STATUS_NO_DOCS: return QStringLiteral("no paper in the feeder");
    case SANE_STATUS_COVER_OPEN: return QStringLiteral("the cover is open");
    case SANE_STATUS_IO_ERROR: return QStringLiteral("a communication error with the scanner");
    case SANE_STATUS_NO_MEM: return QStringLiteral("out of memory");
    case SANE_STATUS_ACCESS_DENIED: return QStringLiteral("access denied");
    case kSaneWarmingUp: return QStringLiteral("the lamp is warming up");
    case kSaneHwLocked: return QStringLiteral("the transport lock is on");
    default: return QStringLiteral("status %1").arg(saneStatus);
  }
}

}  // namespace

ScanOutcome DescribeScanEnd(scanwire::Phase phase, int saneStatus, int page, const QString& detail,
                            int pagesDelivered, const QString& device) {
  using scanwire::Phase;
  const QString kept = Kept(pagesDelivered);
  switch (phase) {
    case Phase::Done:
      return {};
    case Phase::Cancelled:
      return {Status::Cancelled, QStringLiteral("Scanning was cancelled.") + kept};
    case Phase::Open:
      if (saneStatus == kSaneWarmingUp)
        return {Status::WarmingUp, QStringLiteral("The scanner %1 is warming up.").arg(device)};
      if (saneStatus == SANE_STATUS_DEVICE_BUSY)
        return {Status::DeviceBusy, QStringLiteral("The scanner %1 is in use by another program.").arg(device)};
      if (saneStatus == SANE_STATUS_ACCESS_DENIED)
        return {Status::Failed, QStringLiteral("This user may not use the scanner %1.").arg(device)};
      return {Status::DeviceVanished,
              QStringLiteral("The scanner %1 is not available. Check that it is switched on and connected, "
                             "then choose it again.").arg(device)};
    case Phase::SetOption:
      if (detail.isEmpty()) return {Status::Failed, QStringLiteral("The scanner settings could not be read.")};
      return {Status::Failed,
              QStringLiteral("The scanner %1 does not accept the setting \"%2\" (%3).").arg(device, detail, SaneText(saneStatus))};
    case Phase::Format:
      return {Status::Failed,
              QStringLiteral("The scanner sent page %1 in a form this program cannot read (%2).").arg(page).arg(detail) + kept};
    case Phase::BadRequest:
    case Phase::List:
    case Phase::Describe:
      return {Status::Failed, DescribeRequestFailure(phase, saneStatus, detail, device)};
    case Phase::Start:
    case Phase::Read:
      break;
  }
  switch (saneStatus) {
    case SANE_STATUS_NO_DOCS:
      // An empty feeder before the next sheet is how a feeder batch ends; one that runs out in the middle
      // of a page has lost that page, which is no success.
      if (pagesDelivered == 0)
        return {Status::NoDocuments, QStringLiteral("There is no paper in the scanner's document feeder.")};
      if (phase == scanwire::Phase::Start) return {};
      break;
    case SANE_STATUS_JAMMED:
      return {Status::Jammed, QStringLiteral("The scanner reports a paper jam at page %1.").arg(page) + kept};
    case SANE_STATUS_COVER_OPEN:
      return {Status::CoverOpen, QStringLiteral("The scanner's cover is open. Close it and scan again.") + kept};
    case SANE_STATUS_DEVICE_BUSY:
      return {Status::DeviceBusy, QStringLiteral("The scanner %1 is busy.").arg(device) + kept};
    case SANE_STATUS_CANCELLED:
      return {Status::Cancelled, QStringLiteral("Scanning was cancelled at the scanner.") + kept};
    case kSaneWarmingUp:
      return {Status::WarmingUp, QStringLiteral("The scanner is warming up; scan again in a moment.") + kept};
    case kSaneHwLocked:
      return {Status::Failed,
              QStringLiteral("The scanner's transport lock is on. Unlock it and scan again.") + kept};
    case SANE_STATUS_IO_ERROR:
      return {Status::IoError,
              QStringLiteral("The scanner stopped working while scanning page %1: %2.").arg(page).arg(SaneText(saneStatus)) + kept};
    default:
      break;
  }
  return {Status::Failed,
          QStringLiteral("The scanner stopped while scanning page %1: %2.").arg(page).arg(SaneText(saneStatus)) + kept};
}

QString DescribeRequestFailure(scanwire::Phase phase, int saneStatus, const QString& detail, const QString& device) {
  using scanwire::Phase;
  switch (phase) {
    case Phase::Open:
      return DescribeScanEnd(phase, saneStatus, 0, detail, 0, device).message;
    case Phase::List:
      return QStringLiteral("The list of scanners could not be read: %1.").arg(SaneText(saneStatus));
    case Phase::Describe:
      return QStringLiteral("The settings of the scanner %1 could not be read: %2.").arg(device, detail);
    default:
      return QStringLiteral("The scanner helper did not understand the program (%1).").arg(SaneText(saneStatus));
  }
}

}  // namespace pyxa
