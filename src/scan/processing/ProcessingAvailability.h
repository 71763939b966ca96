// Which processing options a scanner source can be offered. Deshade and Image Filtering work on grey
// or colour pages, so they need a source that scans grey or colour; every other option works on any page.
// An option whose library is missing or too old at run time (Leptonica for the image steps and patch
// codes, ZXing for bar codes) is not available on any source; the annotations need only Qt.
#pragma once

#include <QString>

#include "scan/processing/ProcessingOption.h"

namespace pyxa {

// The modes a source offers.
struct SourceTraits {
  bool bilevel = true;
  bool grey = false;
  bool colour = false;
};

// What the libraries loaded at run time can do.
struct ProcessingLibraries {
  bool imaging = true;   // Leptonica 1.74 or later
  bool barCodes = true;  // ZXing
};

ProcessingLibraries InstalledProcessingLibraries();

// True when the option can be offered; otherwise false, and why (when given) says why for the user.
bool ProcessingOptionAvailable(ProcessingOption option, const SourceTraits& source, QString* why,
                               const ProcessingLibraries& libraries = InstalledProcessingLibraries());

}  // namespace pyxa
