// Turns the helper's end of a request (where it stopped, SANE's status, the page) into the status a
// window acts on and the sentence it shows.
#pragma once

#include <QString>

#include "scan/ScanWire.h"
#include "scan/ScannerSource.h"

namespace pyxa {

struct ScanOutcome {
  ScannerSource::Status status = ScannerSource::Status::Ok;
  QString message;  // empty for a batch that ran to its end
};

// pagesDelivered: the pages the program received before this end; device: the name scanned with.
ScanOutcome DescribeScanEnd(scanwire::Phase phase, int saneStatus, int page, const QString& detail,
                            int pagesDelivered, const QString& device);

// The sentence for a list or options request that failed.
QString DescribeRequestFailure(scanwire::Phase phase, int saneStatus, const QString& detail, const QString& device);

}  // namespace pyxa
