// Numbers of the errors a clinic raises, whether embedded or reached over the network; the
// descriptions carry the phrases the session rules test for.
#pragma once

#include <QtGlobal>

namespace pyxa {

inline constexpr qint32 kClinicErrorConnect = 5001;    // description starts "Unable to connect"
inline constexpr qint32 kClinicErrorLogin = 5002;      // "Wrong Login or Password"
inline constexpr qint32 kClinicErrorSession = 5003;    // contains "session timed out"
inline constexpr qint32 kClinicErrorTimedOut = 5004;   // contains "request failed"
inline constexpr qint32 kClinicErrorRequest = 5005;    // a request the clinic cannot carry out
inline constexpr qint32 kClinicErrorLocked = 5006;     // an encounter reserved by another user
inline constexpr qint32 kClinicErrorThrottled = 5007;  // too many failed logins: wait before the next
inline constexpr qint32 kClinicErrorAnswer = 5008;     // an answer that is not the clinic's ("request failed")
inline constexpr qint32 kClinicErrorGivenUp = 5009;    // the user stopped waiting for the answer
inline constexpr qint32 kClinicErrorServer = 5010;     // the clinic server failed on its side

}  // namespace pyxa
