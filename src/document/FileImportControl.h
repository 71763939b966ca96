// The program's own file-import source: a scan control with one source, which imports page files
// from disk by converting them through the imaging layer (black-and-white TIFF in a chosen
// compression, or JPEG). The document object recompresses pages and re-imports them through it.
#pragma once

#include <QString>

#include "document/ScanControl.h"

namespace pyxa {

class FileImportControl final : public ScanControl {
 public:
  // sourceName is the one source this control offers, e.g. "File Import".
  explicit FileImportControl(QString sourceName);

  const QString& SourceName() const { return sourceName_; }

  QString ReservedSource() const override { return reserved_ ? sourceName_ : QString(); }
  // Only this control's own source (compared ignoring case) can be reserved; any other gives 3010.
  std::int32_t Reserve(const QString& source) override;
  std::int32_t Unreserve() override;

  void SetOutput(bool on) override { output_ = on; }
  bool Output() const override { return output_; }
  void SetOutputType(ScanOutputType type) override { type_ = type; }
  ScanOutputType OutputType() const override { return type_; }

  // None, Group 3, Group 4 and JPEG are offered.
  bool CompressionAvailable(int compression) const override;
  std::int32_t SetOutputCompression(int compression) override;
  int OutputCompression() const override { return compression_; }

  // Answers 3048 while nothing is reserved, 3021 for a TIFF output in JPEG compression, else the
  // imaging layer's code. With output off, the source is only checked for being readable.
  ImportedPage ImportPage(const QString& source, const QString& target) override;

 private:
  QString sourceName_;
  bool reserved_ = false;
  bool output_ = true;
  ScanOutputType type_ = ScanOutputType::Tiff;
  int compression_ = kScanCompressionGroup4;
};

}  // namespace pyxa
