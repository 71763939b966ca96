#include "print/PrintChoices.h"

#include "print/PageRange.h"

#include <algorithm>

namespace pyxa {

void PrintChoices::ChooseStartingPrinter() {
  installed_ = port_.PrinterNames();
  // The PDF file stays chosen once the user chose it: it is always there.
  const bool known = std::find(installed_.begin(), installed_.end(), state_.printerName) != installed_.end() ||
                     state_.printerName == kPrintToPdfName;
  if (!known) {
    QString printer = port_.DefaultPrinter();
    if (printer.isEmpty() && !installed_.empty()) printer = installed_.front();
    state_.printerName = printer.isEmpty() ? kPrintToPdfName : printer;
  }
  SetPrinter(state_.printerName);
}

std::vector<QString> PrintChoices::Destinations() const {
  std::vector<QString> names = installed_;
  names.push_back(kPrintToPdfName);
  return names;
}

bool PrintChoices::SetPrinter(const QString& printer) {
  state_.printerName = printer;
  capabilities_ = {};
  if (printer == kPrintToPdfName) {
    capabilities_ = PdfFileCapabilities();
    return true;
  }
  if (port_.Capabilities(printer, &capabilities_)) return true;
  capabilities_ = {};
  return false;
}

std::vector<ChoiceEntry> PrintChoices::PaperSizes() const {
  std::vector<ChoiceEntry> entries;
  for (const PaperSize& size : capabilities_.paperSizes) entries.push_back({size.name, size.code});
  return entries;
}

std::vector<ChoiceEntry> PrintChoices::PaperSources() const {
  std::vector<ChoiceEntry> entries;
  for (const PaperSource& source : capabilities_.paperSources) entries.push_back({source.name, source.bin});
  return entries;
}

std::vector<ChoiceEntry> PrintChoices::DuplexModes() const {
  std::vector<ChoiceEntry> entries{{QStringLiteral("Single-sided printing"), kDuplexNone}};
  if (capabilities_.duplex) {
    entries.push_back({QStringLiteral("Double-sided printing using a horizontal page turn"), kDuplexLongEdge});
    entries.push_back({QStringLiteral("Double-sided printing using a vertical page turn"), kDuplexShortEdge});
  }
  return entries;
}

namespace {
int IndexOfValue(const std::vector<ChoiceEntry>& entries, int value) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].value == value) return static_cast<int>(i);
  return -1;
}
}  // namespace

int PrintChoices::SelectedPaperSize() const {
  const std::vector<ChoiceEntry> entries = PaperSizes();
  if (entries.empty()) return -1;
  return std::max(0, IndexOfValue(entries, state_.paperSize));
}

int PrintChoices::SelectedPaperSource() {
  const std::vector<ChoiceEntry> entries = PaperSources();
  if (entries.empty()) return -1;
  int index = IndexOfValue(entries, state_.paperSource);
  if (index < 0) index = 0;
  state_.paperSource = entries[size_t(index)].value;
  return index;
}

int PrintChoices::SelectedDuplexMode() {
  const std::vector<ChoiceEntry> entries = DuplexModes();
  int index = IndexOfValue(entries, state_.duplexMode);
  if (index < 0) index = 0;
  state_.duplexMode = entries[size_t(index)].value;
  return index;
}

JobOptions PrintChoices::StoredOptions() const {
  QByteArray stored;
  if (state_.printerSettings.FindPrinterSettings(state_.printerName, &stored) != 0) return {};
  return DecodeJobOptions(stored);
}

int PrintChoices::StoredPaperSource() const {
  const JobOptions stored = StoredOptions();
  for (size_t i = 0; i < capabilities_.paperSources.size(); ++i) {
    const JobOption& option = capabilities_.paperSources[i].option;
    if (std::find(stored.begin(), stored.end(), option) != stored.end()) return static_cast<int>(i);
  }
  return -1;
}

int PrintChoices::StoredDuplexMode() const {
  const JobOptions stored = StoredOptions();
  const std::vector<ChoiceEntry> entries = DuplexModes();
  for (size_t i = 0; i < entries.size(); ++i) {
    const JobOption& option = capabilities_.duplexOptions[size_t(entries[i].value - 1)];
    if (!option.name.isEmpty() && std::find(stored.begin(), stored.end(), option) != stored.end())
      return static_cast<int>(i);
  }
  return -1;
}

bool PrintChoices::RangeKeyAccepted(QChar key, bool isBackspace, bool boxEmpty) {
  if (isBackspace || (key >= QLatin1Char('0') && key <= QLatin1Char('9'))) return true;
  return !boxEmpty && (key == QLatin1Char(',') || key == QLatin1Char('-'));
}

namespace {
// The number the text starts with, as far as it goes; 0 for none.
int LeadingNumber(const QString& text) {
  int value = 0;
  for (const QChar c : text.trimmed()) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
    value = std::min(value * 10 + (c.unicode() - '0'), 1'000'000);
  }
  return value;
}
}  // namespace

QString PrintChoices::CopiesUp(const QString& copies) {
  const int next = LeadingNumber(copies) + 1;
  return next < kCopiesLimit ? QString::number(next) : copies;
}

QString PrintChoices::CopiesDown(const QString& copies) {
  const int next = LeadingNumber(copies) - 1;
  return next > 0 ? QString::number(next) : copies;
}

int PrintChoices::Copies(const QString& copies) {
  const QString text = copies.trimmed();
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok && value >= 1 && value <= 999 ? value : 0;
}

std::int32_t PrintChoices::Pages(PageChoice choice, const QString& range, std::vector<int>* pages,
                                 QString* error) const {
  pages->clear();
  switch (choice) {
    case PageChoice::All:
      for (int page = 1; page <= state_.pageCount; ++page) pages->push_back(page);
      return 0;
    case PageChoice::Current:
      pages->push_back(state_.currentPage == 0 ? 1 : state_.currentPage);
      return 0;
    case PageChoice::Range:
      break;
  }
  std::vector<std::int32_t> parsed;
  const std::int32_t code = ParsePageRange(range, state_.pageCount, parsed, *error);
  pages->assign(parsed.begin(), parsed.end());
  return code;
}

const PaperSource* PrintChoices::SourceByBin(int bin) const {
  for (const PaperSource& source : capabilities_.paperSources)
    if (source.bin == bin) return &source;
  return nullptr;
}

void PrintChoices::RememberInStoredSettings(int paperSource, int duplexMode) {
  QByteArray stored;
  if (state_.printerSettings.FindPrinterSettings(state_.printerName, &stored) != 0) return;
  JobOptions options = DecodeJobOptions(stored);
  if (duplexMode >= 1 && duplexMode <= 3) {
    const JobOption& duplex = capabilities_.duplexOptions[size_t(duplexMode - 1)];
    if (!duplex.name.isEmpty()) SetJobOption(options, duplex.name, duplex.value);
  }
  if (const PaperSource* source = SourceByBin(paperSource))
    SetJobOption(options, source->option.name, source->option.value);
  state_.printerSettings.StorePrinterSettings(state_.printerName, EncodeJobOptions(options));
}

PrintRequest PrintChoices::Request(int mode, int scalePercent, int paperSize, int paperSource, int duplexMode,
                                   int copies, int colourKind, std::vector<int> pages) {
  state_.printMode = mode;
  if (mode == kPrintScaled) state_.scalePercent = scalePercent;
  state_.paperSize = paperSize;
  state_.paperSource = paperSource;
  state_.duplexMode = duplexMode;
  PrintRequest request;
  request.mode = mode;
  request.scalePercent = mode == kPrintScaled ? scalePercent : 100;
  request.colourKind = colourKind == kColourPalette ? kColourFull : colourKind;
  request.printer = state_.printerName;
  request.paperSource = paperSource;
  request.paperSize = paperSize;
  request.duplexMode = duplexMode;
  request.copies = copies;
  request.pages = std::move(pages);
  state_.printerSettings.FindPrinterSettings(state_.printerName, &request.storedSettings);
  return request;
}

}  // namespace pyxa
