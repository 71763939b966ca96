// The clinic server's answer to one member call, apart from HTTP: logs in, finds the caller's
// session, runs the member on it and turns its results or its error into the clinic's wire form.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>

#include "ClinicSessions.h"
#include "LoginThrottle.h"
#include "platform/Clock.h"

namespace pyxa {

struct ClinicCall {
  QString member;   // one of wire::Members()
  QString address;  // the workstation's address, for the login throttle
  QString token;    // the bearer token; empty when the request has none
  QByteArray body;  // the JSON arguments (not for UploadDocument)
  // UploadDocument's multipart parts; nullopt when the request lacks one.
  std::optional<QByteArray> documentPart, filePart;
};

struct ClinicAnswer {
  int status = 200;
  QByteArray body;    // JSON: the results or an error object
  qint64 userId = 0;  // the session's user, 0 when none is known
};

class ClinicAnswers {
 public:
  // log gets the server's own failures; the clock must outlive the object.
  ClinicAnswers(QString clinicUrl, const Clock& clock, std::function<void(const QString&)> log);

  // Never throws: every failure becomes an error answer.
  ClinicAnswer Answer(const ClinicCall& call);
  int Sessions() const { return sessions_.Count(); }

 private:
  QByteArray Connect(const ClinicCall& call, ClinicAnswer& answer);
  QByteArray Member(const ClinicCall& call, ClinicAnswer& answer);

  const QString clinicUrl_;
  const Clock& clock_;
  const std::function<void(const QString&)> log_;
  ClinicSessions sessions_;
  LoginThrottle throttle_;
  // Every member writes the clinic file in a transaction of its own: taken in turn here, the
  // workstations queue fairly for a fraction of a millisecond each instead of sleeping in the
  // file's busy back-off, which left some of twenty waiting most of a second.
  std::mutex clinicFile_;
};

inline const QString kNoSession =
    QStringLiteral("Your session timed out or you have not logged in yet. Please log in.");

}  // namespace pyxa
