// One line of the clinic server's request log: who asked for which member, how it went and how
// long it took. Only those facts: never a body, a token, a password or patient data.
#pragma once

#include <QDateTime>
#include <QString>

namespace pyxa {

struct RequestRecord {
  QDateTime time;         // when the request arrived
  QString address;        // the workstation's address
  QString member;         // "-" when the path names no member
  int status = 0;         // the HTTP status answered
  qint64 durationMs = 0;
  qint64 requestBytes = 0;
  qint64 answerBytes = 0;
  qint64 userId = 0;      // 0 until a login has told who it is
};

// "2026-01-05T09:00:00.000Z 127.0.0.1 Connect 200 12ms in=45 out=210 user=101"
QString FormatRequestLine(const RequestRecord& record);

}  // namespace pyxa
