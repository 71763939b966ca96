// The scan control and the image-processing control as far as the document object uses them. The
// document imports single page files through the scan control's file-import source (to recompress
// a page for saving, or to run a page through image processing again); scanning itself drives the
// same control from the scanning subsystem. Nothing here throws.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace pyxa {

// Output compressions a scan control may offer, by TIFF compression number.
inline constexpr int kScanCompressionNone = 1;
inline constexpr int kScanCompressionGroup3 = 3;
inline constexpr int kScanCompressionGroup4 = 4;
inline constexpr int kScanCompressionJpeg = 7;

enum class ScanOutputType { Tiff, Jpg };  // "TIFF" or "JPG"

// What an import made of one page file: the page keeps its object, and these properties are
// refreshed from the file written.
struct ImportedPage {
  std::int32_t code = 0;                          // 0, or the control's own error code
  QString message;                                // what failed
  bool written = false;                           // the target file was written (output was on)
  std::int32_t xResolution = 0, yResolution = 0;  // dots per inch
  std::int32_t compression = 0;                   // TIFF compression number of the result
  std::int32_t colourModel = 0;                   // 1 black and white, 2 greyscale, 3 colour
};

class ScanControl {
 public:
  virtual ~ScanControl() = default;

  // The reserved source's name; "" when none is reserved.
  virtual QString ReservedSource() const = 0;
  // 0, or a code (3010 when the source cannot be reserved).
  virtual std::int32_t Reserve(const QString& source) = 0;
  virtual std::int32_t Unreserve() = 0;

  // Whether an import writes its output file; off, the page is processed and nothing is written.
  virtual void SetOutput(bool on) = 0;
  virtual bool Output() const = 0;

  virtual void SetOutputType(ScanOutputType type) = 0;
  virtual ScanOutputType OutputType() const = 0;

  // Whether compression (kScanCompression*) is offered; setting one that is not answers 3021.
  virtual bool CompressionAvailable(int compression) const = 0;
  virtual std::int32_t SetOutputCompression(int compression) = 0;
  virtual int OutputCompression() const = 0;

  // Imports the page file source through the reserved file-import source and writes the result
  // to target in the output type and compression set; target may be source itself.
  virtual ImportedPage ImportPage(const QString& source, const QString& target) = 0;
};

// Codes a scanner control reports besides the document's own (3000-3068).
inline constexpr std::int32_t kScanNoMorePaper = 20025;   // the feeder is empty
inline constexpr std::int32_t kScanUserStopped = 20044;   // the user stopped the batch
inline constexpr std::int32_t kScanStoppedAfter = 20090;  // the scanner stopped the batch after a page
inline constexpr std::int32_t kScanWarmingUp = 20235;     // the scanner is powering up: wait and retry

// The scanner control's bar-code type codes and the symbology codes of cBarCode, one row each.
inline constexpr std::pair<std::int32_t, std::int32_t> kControlBarCodeTypes[] = {
    {1, 2},    // Code 39
    {2, 5},    // Interleaved 2 of 5
    {4, 1},    // Code 128
    {8, 4},    // EAN
    {16, 8},   // UPC A
    {32, 9},   // UPC E
    {64, 0},   // Codabar
    {128, 3},  // Code 93
    {256, 7},  // POSTNET
    {512, 6},  // Linear 2 of 5
};

// The symbology of a control type code; -1 for a code the control does not define.
inline std::int32_t SymbologyOfControlType(std::int32_t typeCode) {
  for (const auto& [control, symbology] : kControlBarCodeTypes)
    if (control == typeCode) return symbology;
  return -1;
}

// The control type code of a symbology; 0 for a symbology the control does not report.
inline std::int32_t ControlTypeOfSymbology(std::int32_t symbology) {
  for (const auto& [control, code] : kControlBarCodeTypes)
    if (code == symbology) return control;
  return 0;
}

// A scanned page as the control reports it when the page has ended.
struct ScannedPageReport {
  struct BarCode {
    std::int32_t typeCode = 0;  // the control's code: 1 Code 39, 2 Interleaved 2 of 5, 4 Code 128, ...
    double left = 0;
    double top = 0;
    QString value;
  };
  std::int32_t pixelCode = 0;  // 1 black and white, 2 or 4 colour, 8 or 16 greyscale
  // 1 = 75, 2 = 100, 4 = 150, 8 = 200, 16 = 240, 32 = 300, 64 = 400, 128 = 600 dots per inch;
  // 0 for any other resolution, which xDpi and yDpi then give.
  std::int32_t xResolutionCode = 0, yResolutionCode = 0;
  std::int32_t xDpi = 0, yDpi = 0;
  std::int32_t compression = 0;  // TIFF compression number of the page file the control writes
  std::int32_t pageType = 0;     // 0 simplex, 1 duplex front, 2 duplex back
  bool barCodesRead = false;     // the page scenario reads bar codes (the list may still be empty)
  std::vector<BarCode> barCodes;
};

// What a scanner control tells while a batch runs, in this order: BatchStart, then per page PageEnd
// and PageDone, an Error at most once, and BatchEnd always.
class ScanEvents {
 public:
  virtual ~ScanEvents() = default;
  virtual void BatchStart() = 0;
  // Answers the file the control writes the page to; "" drops the page and stops the batch.
  virtual QString PageEnd(const ScannedPageReport& page) = 0;
  virtual void PageDone() = 0;
  virtual void Error(std::int32_t code, const QString& description) = 0;
  virtual void BatchEnd() = 0;
};

// A scan control with scanner sources: choosing, preparing and reserving one, loading the page
// scenario's scan settings, and scanning a batch.
class ScannerControl : public ScanControl {
 public:
  // The index-th source (1-based); "" past the last.
  virtual QString SourceAt(int index) const = 0;
  virtual QString CurrentSource() const = 0;
  virtual void SetCurrentSource(const QString& source) = 0;
  // Gets the current source ready: 0, kScanWarmingUp while it powers up, or another code.
  virtual std::int32_t PrepareSource() = 0;
  // The control's text for one of its codes.
  virtual QString ErrorDescription(std::int32_t code) const = 0;
  // Loads the scan settings from a section of a page scenario INI file: 0 or a code.
  virtual std::int32_t LoadScanSettings(const QString& iniFile, const QString& section) = 0;
  virtual QString ScanSettingsFile() const = 0;
  // The loaded settings scan black and white (else colour or greyscale).
  virtual bool BlackAndWhite() const = 0;
  // Scans one batch from the reserved source, telling events as it goes, and returns when the batch
  // has ended (the program's window keeps painting meanwhile).
  virtual void StartScan(ScanEvents& events) = 0;
  // Stops the running batch: the pages already ended stay.
  virtual void Stop() = 0;
};

// The image-processing control: the page scenario (INI file and section) it processes pages with.
class ImageControl {
 public:
  virtual ~ImageControl() = default;
  virtual QString ScenarioIniFile() const = 0;
  virtual QString ScenarioSection() const = 0;
  virtual void SetScenario(const QString& iniFile, const QString& section) = 0;
};

}  // namespace pyxa
