#include "scan/ScenarioProcessing.h"

#include "scan/ScenarioFile.h"
#include "scan/processing/PageProcessor.h"

namespace pyxa {

QStringList ScenarioProcessing::Configure(const QString& iniFile, const QString& section) {
  const ScenarioFileRead read = ReadScenarioFile(iniFile);
  QStringList problems = read.problems;
  settings_ = ReadProcessingSection(read.Section(section), &problems);
  return problems;
}

ProcessedScan ScenarioProcessing::Process(const ScannedPage& page, int pageInBatch) {
  const ProcessedPage processed = PageProcessor().Process(page.image, page.xDpi, page.yDpi, settings_, pageInBatch);
  ProcessedScan out;
  out.image = processed.image;
  out.barCodesRead = settings_.barCodes.enabled;
  for (const FoundBarCode& code : processed.barCodes) {
    // A symbology the control has no code for cannot travel in its page report.
    if (const std::int32_t type = ControlTypeOfSymbology(code.type); type != 0)
      out.barCodes.push_back({type, double(code.left), double(code.top), code.value});
  }
  return out;
}

}  // namespace pyxa
