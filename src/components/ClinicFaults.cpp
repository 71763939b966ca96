#include "components/ClinicFaults.h"

#include <utility>

#include "components/ClinicSchema.h"
#include "components/LocalClinic.h"

namespace pyxa {

ClinicFaults::ClinicFaults(QString clinicPath) : path_(std::move(clinicPath)) {}

void ClinicFaults::Write(const QString& sql, const QVariant& first, const QVariant& second) {
  SqlConnection connection(path_);
  SqlTransaction transaction(connection);
  auto statement = connection.Prepare(sql);
  if (!first.isNull()) statement.Bind(1, first);
  if (!second.isNull()) statement.Bind(2, second);
  statement.Run();
  transaction.Commit();
}

void ClinicFaults::FailNextCall(qint32 number, const QString& description) {
  Write(QStringLiteral("UPDATE faults SET fail_number = ?, fail_description = ? WHERE id = 1"), number, description);
}

void ClinicFaults::SetTimingOut(bool on) {
  Write(QStringLiteral("UPDATE faults SET timing_out = ? WHERE id = 1"), on ? 1 : 0);
}

void ClinicFaults::SetConnectionLost(bool on) {
  Write(QStringLiteral("UPDATE faults SET connection_lost = ? WHERE id = 1"), on ? 1 : 0);
}

void ClinicFaults::SetIdleMinutes(int minutes) {
  SqlConnection connection(path_);
  SqlTransaction transaction(connection);
  SetClinicConfig(connection, kConfigIdleMinutes, QString::number(minutes));
  transaction.Commit();
}

void ClinicFaults::ClearAll() {
  Write(
      QStringLiteral("UPDATE faults SET fail_number = NULL, fail_description = NULL, timing_out = 0,"
                     " connection_lost = 0 WHERE id = 1"));
}

std::optional<ServiceError> ClinicFaults::TakeFault(SqlConnection& connection) {
  std::optional<ServiceError> oneShot;
  bool connectionLost = false;
  bool timingOut = false;
  {
    auto read = connection.Prepare(
        QStringLiteral("SELECT fail_number, fail_description, timing_out, connection_lost FROM faults WHERE id = 1"));
    if (!read.Step()) return std::nullopt;
    if (!read.IsNull(QStringLiteral("fail_description"))) {
      oneShot.emplace(static_cast<qint32>(read.Int(QStringLiteral("fail_number"))),
                      read.Text(QStringLiteral("fail_description")));
    }
    connectionLost = read.Int(QStringLiteral("connection_lost")) != 0;
    timingOut = read.Int(QStringLiteral("timing_out")) != 0;
  }
  if (oneShot) {
    connection.Execute(QStringLiteral("UPDATE faults SET fail_number = NULL, fail_description = NULL WHERE id = 1"));
    return oneShot;
  }
  if (connectionLost) {
    return ServiceError(kClinicErrorConnect,
                        QStringLiteral("Unable to connect to the clinic: the connection was lost."));
  }
  if (timingOut) {
    return ServiceError(kClinicErrorTimedOut, QStringLiteral("The request failed: the operation timed out."));
  }
  return std::nullopt;
}

}  // namespace pyxa
