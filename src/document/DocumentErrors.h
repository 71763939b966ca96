// Result codes of the document object (cDocument) and the texts shown for them. The texts are the
// scanning layer's table of 3000-3068; the shell's error texts read it from here.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace pyxa {

inline constexpr std::int32_t kDocNoFileName = 3000;     // a file name is needed
inline constexpr std::int32_t kDocFileMissing = 3001;    // the file does not exist
inline constexpr std::int32_t kDocNoSuchPage = 3005;     // page number outside the document
inline constexpr std::int32_t kDocCannotReserve = 3010;  // the import source cannot be reserved
inline constexpr std::int32_t kDocNothingCut = 3011;     // nothing cut / nothing to undo
inline constexpr std::int32_t kDocReadOnly = 3015;       // the target file is read-only
inline constexpr std::int32_t kDocRangeOutside = 3017;   // page range or list outside the document
inline constexpr std::int32_t kDocNoDocument = 3019;     // the document has no pages
inline constexpr std::int32_t kDocInsertBeyondEnd = 3012;  // insert position beyond the document
inline constexpr std::int32_t kDocNoScenarioFile = 3020;   // the page scenario's INI file is missing
inline constexpr std::int32_t kDocCompressionUnavailable = 3021;
inline constexpr std::int32_t kDocFormatUnsupported = 3022;  // file type 3
inline constexpr std::int32_t kDocScanFailed = 3029;         // the scan control reported an error
inline constexpr std::int32_t kDocCannotLock = 3031;         // the file lock cannot be taken
inline constexpr std::int32_t kDocNoScenario = 3035;         // no page scenario named
inline constexpr std::int32_t kDocNoPaper = 3036;            // the batch ended before its first page
inline constexpr std::int32_t kDocNoScannerSource = 3037;    // no scanner source to scan with
inline constexpr std::int32_t kDocMissingDuplexFront = 3041;
inline constexpr std::int32_t kDocMissingDuplexBack = 3042;
inline constexpr std::int32_t kDocNotConfigured = 3046;  // file import source or INI not given
inline constexpr std::int32_t kDocNoSourceReserved = 3048;
inline constexpr std::int32_t kDocSourceNotReserved = 3049;  // the source was not reserved
inline constexpr std::int32_t kDocBackupFailed = 3050;  // the document's file cannot be moved aside
inline constexpr std::int32_t kDocBackupNameFailed = 3051;
inline constexpr std::int32_t kDocRestoreFailed = 3052;  // the moved-aside file cannot be put back
inline constexpr std::int32_t kDocOddDuplex = 3055;      // a duplex document with an odd page count
inline constexpr std::int32_t kDocColourOntoBilevel = 3061;  // colour pages appended to black and white
inline constexpr std::int32_t kDocBilevelOntoColour = 3062;  // black-and-white pages appended to colour
inline constexpr std::int32_t kDocNothingToAppendTo = 3065;

inline constexpr std::int32_t kDocErrorFirst = 3000;
inline constexpr std::int32_t kDocErrorLast = 3068;

// Index n holds the text of code 3000 + n (69 entries). Built on first use and then shared.
const QStringList& DocumentErrorTable();

// The table text of a code in 3000..3068; "" for any other code.
QString DocumentErrorText(std::int32_t code);

}  // namespace pyxa
