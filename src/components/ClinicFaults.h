// Fault injection for an embedded clinic. The faults live in the clinic file itself, so every
// session object on that file obeys them, including the ones the program creates at each login.
#pragma once

#include <optional>

#include "components/ClinicalService.h"
#include "platform/Sql.h"

namespace pyxa {

class ClinicFaults {
 public:
  explicit ClinicFaults(QString clinicPath);

  // Each opens the clinic file and throws SqlError when it cannot.
  // The next member call on any object raises exactly this error; then the fault is cleared.
  void FailNextCall(qint32 number, const QString& description);
  // Every call raises a time-out ("The request failed: the operation timed out.").
  void SetTimingOut(bool on);
  // Every call raises a connection error ("Unable to connect: ...").
  void SetConnectionLost(bool on);
  // Idle time after which a session expires.
  void SetIdleMinutes(int minutes);
  void ClearAll();

  // The error the current call must raise, if any, consuming a one-shot failure. The caller holds
  // a write transaction and commits it before raising, so the one-shot is spent exactly once.
  static std::optional<ServiceError> TakeFault(SqlConnection& connection);

 private:
  void Write(const QString& sql, const QVariant& first = {}, const QVariant& second = {});
  QString path_;
};

}  // namespace pyxa
