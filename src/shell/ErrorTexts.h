// User-facing texts for the error codes of the imaging layer (2000-2074) and of the scanning
// layer (3000-3068), and the shapes of the generic error messages the windows show.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>

namespace pyxa {

inline constexpr std::int32_t kViewerErrorFirst = 2000;  // index 0 of the viewer table, empty text
inline constexpr std::int32_t kViewerErrorLast = 2074;
inline constexpr std::int32_t kKofaxErrorFirst = 3000;
inline constexpr std::int32_t kKofaxErrorLast = 3068;
inline constexpr std::int32_t kKofaxUnresolvedError = 3006;  // "Failed to resolve the error provided."
inline constexpr std::int32_t kScannerDriverErrorFirst = 20000;
inline constexpr std::int32_t kScannerDriverErrorLast = 20450;

// The viewer table: index n holds the text of code 2000 + n (75 entries, index 0 empty).
// Built on first use and then shared; calling it early only builds it sooner.
const QStringList& BuildViewerErrorTable();

// The table text for 2000..2074; any other code gives
// "Unspecified error # <decimal> (<upper-case hexadecimal>)".
QString ViewerErrorText(std::int32_t code);

// The scanning-layer table: index n holds the text of code 3000 + n (69 entries).
const QStringList& BuildKofaxErrorTable();

// Text of a scanning-layer code. Returns 0 for 3000..3068 and for the scanner driver's own
// range 20000..20450; any other code gets a "not a ... error" text and kKofaxUnresolvedError.
std::int32_t KofaxErrorText(std::int32_t code, QString& text);

// "An error has occurred." / "#" + number / "Description: " + description, one per line.
// A number of 0 says the failure carried no number of its own: the message then shows
// lastSystemError, the system's last error code (errno) that the caller captured at the failure.
QString GenericErrorMessage(std::int32_t number, const QString& description, std::int32_t lastSystemError = 0);

// The same shape with an operation's own first line and the label "Error #", for example
// "Failed to load your documents for uploading." / "Error #5" / "Description: ...".
// number 0 is replaced by lastSystemError as in GenericErrorMessage.
QString OperationErrorMessage(const QString& firstLine, std::int32_t number, const QString& description,
                              std::int32_t lastSystemError = 0);

// The number a caught failure carries of its own: a service error's number, a database error's
// code, a system or file-system error's code (errno), ENOMEM for memory exhausted; 0 for none.
std::int32_t ErrorNumberOf(const std::exception& error);
// Its description: a service or database error's own text, else what() it says.
QString ErrorDescriptionOf(const std::exception& error);

// The generic message for a caught failure, in the generic shape with firstLine as its first line.
// A failure without a number of its own shows lastSystemError, errno as the handler found it.
QString GenericErrorMessage(const std::exception& error, std::int32_t lastSystemError,
                            const QString& firstLine = QStringLiteral("An error has occurred."));

}  // namespace pyxa
