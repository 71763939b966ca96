// What printing needs of the system's print service: the installed printers and the default one,
// a printer's details, its paper sizes, paper sources and duplex capability, the driver's own
// options, and handing over a finished job. CupsPrinterPort is the real one; tests script a fake.
#pragma once

#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <array>
#include <vector>

namespace pyxa {

// One option of a print job, as the print service names it ("InputSlot" = "Tray2",
// "sides" = "two-sided-long-edge", "copies" = "2").
struct JobOption {
  QString name;
  QString value;
  bool operator==(const JobOption&) const = default;
};
using JobOptions = std::vector<JobOption>;

// What the printer window shows of a printer.
struct PrinterDetails {
  QString server;  // the print server that holds the queue
  QString driver;  // make and model of the driver
  QString port;    // the device the queue sends to
  QString share;   // the name other computers print to it by; empty when not shared
};

struct PaperSize {
  int code = 0;    // the paper-size code of the print state (1 Letter, 9 A4...; 256 up for others)
  QString name;    // as the list shows it
  JobOption option;  // what asks the printer for this size
  QSizeF sizeMm;     // the sheet, portrait
  QMarginsF marginsMm;  // the part of the sheet the printer cannot reach
};

struct PaperSource {
  int bin = 0;  // the bin number of the print state: 1-based position in the printer's list
  QString name;
  JobOption option;
};

struct PrinterCapabilities {
  std::vector<PaperSize> paperSizes;  // the printer's default size first
  std::vector<PaperSource> paperSources;
  bool duplex = false;
  // The option that asks for duplex mode 1 (single-sided), 2 (long-edge, a horizontal page turn)
  // and 3 (short-edge, a vertical page turn); entries 2 and 3 are empty without duplex.
  std::array<JobOption, 3> duplexOptions;
  int resolution = 300;  // dots per inch the printer prints at by default
};

// One option of the driver's properties, with its choices, for the properties window.
struct DriverChoice {
  QString keyword;
  QString text;
};
struct DriverOption {
  QString keyword;
  QString text;
  QString group;  // the driver's group of the option, for laying the window out
  std::vector<DriverChoice> choices;
  QString defaultChoice;  // the keyword the driver uses unless told otherwise
};

struct SubmitResult {
  bool ok = false;
  int jobId = 0;
  QString error;  // the print service's own words when not ok
};

class PrinterPort {
 public:
  virtual ~PrinterPort() = default;
  // Names of the installed printers, in the print service's order; empty when there are none or
  // the print service cannot be reached.
  virtual std::vector<QString> PrinterNames() = 0;
  // The system's default printer; empty when there is none.
  virtual QString DefaultPrinter() = 0;
  // False when the printer cannot be found or read.
  virtual bool Details(const QString& printer, PrinterDetails* details) = 0;
  virtual bool Capabilities(const QString& printer, PrinterCapabilities* capabilities) = 0;
  // The options of the printer's driver; empty when it has none or cannot be read.
  virtual std::vector<DriverOption> DriverOptions(const QString& printer) = 0;
  // Hands a PDF to the printer with the options. A printer that is gone, stopped accepting jobs
  // or refused the job answers not ok with the print service's reason.
  virtual SubmitResult SubmitPdf(const QString& printer, const QString& pdfPath, const QString& title,
                                 const JobOptions& options) = 0;
};

}  // namespace pyxa
