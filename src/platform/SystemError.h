// Texts for system error codes (errno values), in the program's message shape.
#pragma once

#include <QString>
#include <cstdint>

namespace pyxa {

// The system's text for the code, line breaks removed, followed by " (" + hexadecimal code + ")".
// Returns 0, or -1 with the fallback text when the system has no message for the code.
std::int32_t FormatSystemError(std::int32_t code, QString& text);

// Convenience: the text alone.
QString SystemErrorText(std::int32_t code);

}  // namespace pyxa
