// Prints listed pages of a document: draws each page onto the printer's paper at the printer's
// resolution in the chosen mode, into one PDF, and hands that to the printer with the chosen paper
// size, source, duplex mode, copies and the printer's stored driver settings; or, for the
// "Print to PDF file" destination, writes the PDF to the chosen file. Nothing is sent unless
// every page was drawn.
#pragma once

#include "print/PrintPageSource.h"
#include "print/PrintState.h"
#include "print/PrinterPort.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace pyxa {

// The destination offered beside the printers.
inline const QString kPrintToPdfName = QStringLiteral("Print to PDF file");

struct PrintRequest {
  int mode = kPrintFitToPage;
  int scalePercent = 100;  // used in kPrintScaled; 100 otherwise
  int colourKind = kColourFull;
  QString printer;
  int paperSource = 0;  // bin number; 0 or unknown: the printer's own choice
  int paperSize = 0;    // paper-size code; 0 or unknown: the printer's default size
  int duplexMode = kDuplexNone;
  int copies = 1;
  std::vector<int> pages;  // 1-based, in print order, repeats printed again
  QByteArray storedSettings;  // the printer's stored driver settings, or empty
  QString pdfTarget;   // for kPrintToPdfName: the file to write (replaced whole, never half-written)
  QString workFolder;  // where the job's PDF is made before it is handed over (private to the user)
  QString title;       // the job's name in the print queue
};

struct PrintOutcome {
  int code = 0;  // 0, or a viewer error code
  QString detail;  // what went wrong in more words, e.g. the page or the print service's reason
  int pagesDrawn = 0;
  bool cancelled = false;
  bool Ok() const { return code == 0 && !cancelled; }
};

// What the "Print to PDF file" destination offers: the common paper sizes, no margins, 300 dpi.
PrinterCapabilities PdfFileCapabilities();

// Driver settings travel as the bytes of "name=value" lines.
QByteArray EncodeJobOptions(const JobOptions& options);
JobOptions DecodeJobOptions(const QByteArray& bytes);
// Sets name to value in the options, replacing an earlier value of it.
void SetJobOption(JobOptions& options, const QString& name, const QString& value);

class PrintRoutine {
 public:
  explicit PrintRoutine(PrinterPort& port) : port_(port) {}
  // Told after each page drawn (pages drawn, pages to draw); answering false gives the job up
  // and nothing is printed.
  using Progress = std::function<bool(int done, int total)>;
  PrintOutcome Print(const PrintRequest& request, PrintPageSource& pages, const Progress& progress = {});

 private:
  PrinterPort& port_;
};

}  // namespace pyxa
