// Classifies what a service call left after the retry rule, and tells the user in the
// program's words: expired session (then a new login), lost connection, or the generic message.
#pragma once

#include "components/ClinicalService.h"
#include "platform/Prompter.h"
#include "shell/LoginPrompt.h"

namespace pyxa {

enum class ServiceFailureKind { SessionExpired, ConnectionLost, Other };

ServiceFailureKind ClassifyServiceFailure(const QString& description);

// For the interactive operations: message 2072 and a new login, message 2073, or the generic message.
void ReportServiceFailure(const ServiceError& error, Prompter& prompter, LoginPrompt& login);

}  // namespace pyxa
