// The names the audit windows show for the identifiers in their rows (patients, users, providers),
// asked of the clinical service once per identifier per search instead of once per row.
#pragma once

#include <QHash>
#include <QString>

namespace pyxa {

class Session;

class NameLookups {
 public:
  explicit NameLookups(Session& session) : session_(session) {}

  // "Last, First" of the patient; "" when the service knows no such patient. Throws ServiceError when
  // the service fails (the names found so far stay known).
  QString Patient(qint64 patientId);
  // "Last, First" of the program user; "" when unknown.
  QString User(qint64 userId);
  // "Last, First" of the provider; "" when unknown.
  QString Provider(qint64 physicianId);

  // Questions asked of the service so far.
  int ServiceCalls() const { return calls_; }

 private:
  Session& session_;
  QHash<qint64, QString> patients_, users_, providers_;
  int calls_ = 0;
};

}  // namespace pyxa
