// The printer port of the system's print service (CUPS): printers, details, capabilities and
// driver options read from the queue's PPD or from the printer's IPP attributes, and PDF jobs.
// Every call opens its own connection with a time-out, so nothing waits for ever on a dead service.
#pragma once

#include "print/PrinterPort.h"

namespace pyxa {

class CupsPrinterPort : public PrinterPort {
 public:
  // server: empty for the user's own print service (CUPS_SERVER, client.conf), otherwise
  // "host:port" or the path of the scheduler's socket.
  explicit CupsPrinterPort(QString server = {});

  std::vector<QString> PrinterNames() override;
  QString DefaultPrinter() override;
  bool Details(const QString& printer, PrinterDetails* details) override;
  bool Capabilities(const QString& printer, PrinterCapabilities* capabilities) override;
  std::vector<DriverOption> DriverOptions(const QString& printer) override;
  SubmitResult SubmitPdf(const QString& printer, const QString& pdfPath, const QString& title,
                         const JobOptions& options) override;

 private:
  QString server_;
};

}  // namespace pyxa
