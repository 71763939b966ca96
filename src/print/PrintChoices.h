// The rules of the print window without its widgets: which printer a print starts on, the lists
// of paper sizes, paper sources and duplex modes offered for it and which entry each selects, the
// keys the page-range box takes, the copies arrows, the page list of each page choice, and the
// request the window's OK hands to the print routine.
#pragma once

#include "print/PrintRoutine.h"
#include "print/PrintState.h"
#include "print/PrinterPort.h"

#include <QString>
#include <vector>

namespace pyxa {

struct ChoiceEntry {
  QString text;
  int value = 0;
};

enum class PageChoice { All, Current, Range };

class PrintChoices {
 public:
  static constexpr int kCopiesLimit = 10;  // the arrows stop below it

  PrintChoices(PrintState& state, PrinterPort& port) : state_(state), port_(port) {}

  // Before the window shows: a remembered printer that is no longer installed, or none yet, gives
  // way to the system's default printer (the first installed one when none is default, the PDF
  // file when no printer is installed). Reads the chosen printer's capabilities.
  void ChooseStartingPrinter();
  bool NoPrinterInstalled() const { return installed_.empty(); }
  // The installed printers, then the PDF file destination.
  std::vector<QString> Destinations() const;
  // Makes the printer the one to print on and reads its capabilities; false when they cannot
  // be read (the lists then offer only what needs no printer).
  bool SetPrinter(const QString& printer);
  bool PrintsToPdfFile() const { return state_.printerName == kPrintToPdfName; }
  const PrinterCapabilities& Capabilities() const { return capabilities_; }

  std::vector<ChoiceEntry> PaperSizes() const;
  std::vector<ChoiceEntry> PaperSources() const;
  std::vector<ChoiceEntry> DuplexModes() const;
  // The entry each list selects on load: the remembered value when the list has it, else the
  // first (which then becomes the remembered value for sources and duplex). -1 for an empty list.
  int SelectedPaperSize() const;
  int SelectedPaperSource();
  int SelectedDuplexMode();
  // After another printer was chosen in the printer window: the source and duplex entries its
  // stored driver settings name, when they are in the lists; -1 otherwise.
  int StoredPaperSource() const;
  int StoredDuplexMode() const;

  // Whether the page-range box takes the key: digits and Backspace always, "," and "-" once the
  // box holds something; nothing else.
  static bool RangeKeyAccepted(QChar key, bool isBackspace, bool boxEmpty);
  static QString CopiesUp(const QString& copies);
  static QString CopiesDown(const QString& copies);
  // The copies typed: 1 to 999, else 0.
  static int Copies(const QString& copies);

  // 0 and the page list of the choice, or ParsePageRange's code and message.
  std::int32_t Pages(PageChoice choice, const QString& range, std::vector<int>* pages, QString* error) const;

  // Puts the chosen source and duplex mode into the printer's stored driver settings when it has
  // some, so that its properties show them next time.
  void RememberInStoredSettings(int paperSource, int duplexMode);
  // The request for the chosen values; the state keeps the mode, scale, size, source and duplex.
  PrintRequest Request(int mode, int scalePercent, int paperSize, int paperSource, int duplexMode, int copies,
                       int colourKind, std::vector<int> pages);

 private:
  const PaperSource* SourceByBin(int bin) const;
  JobOptions StoredOptions() const;

  PrintState& state_;
  PrinterPort& port_;
  std::vector<QString> installed_;
  PrinterCapabilities capabilities_;
};

}  // namespace pyxa
