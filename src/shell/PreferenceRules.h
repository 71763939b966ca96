// The configuration window's rules that need no window: reading the service time-out the user typed,
// and whether a service address needs the insecure-connection question.
#pragma once

#include <QString>
#include <optional>

namespace pyxa {

// The time-out in seconds, 0 to 32767 (0: the service component's own); none, with why for the user,
// for text that is not such a number.
std::optional<qint16> ParseServiceTimeout(const QString& text, QString* why);

// True when the address should be confirmed as insecure: it does not start with "https" (any letter
// case). A "file:" address is a clinic on this computer, not a connection, and is not asked about.
bool AsksInsecureQuestion(const QString& url);
inline const QString kInsecureQuestion = QStringLiteral(
    "You have entered a URL that is not secure (https). Are you sure you want to use an insecure connection?");

}  // namespace pyxa
