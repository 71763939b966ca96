// The scan control and the image-processing control as far as the document object uses them. The
// document imports single page files through the scan control's file-import source (to recompress
// a page for saving, or to run a page through image processing again); scanning itself drives the
// same control from the scanning subsystem. Nothing here throws.
#pragma once

#include <QString>
#include <cstdint>

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

// The image-processing control: the page scenario (INI file and section) it processes pages with.
class ImageControl {
 public:
  virtual ~ImageControl() = default;
  virtual QString ScenarioIniFile() const = 0;
  virtual QString ScenarioSection() const = 0;
  virtual void SetScenario(const QString& iniFile, const QString& section) = 0;
};

}  // namespace pyxa
