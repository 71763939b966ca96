#include "audit/NameLookups.h"

#include "shell/Session.h"

namespace pyxa {
namespace {

// Two fields of the first row joined by ", "; "" when no row came back.
QString JoinedFields(const ValuesTable& values, int first, int second) {
  if (!values || values->isEmpty()) return {};
  const auto& row = values->first();
  const auto field = [&row](int index) {
    return index < row.size() && !row.at(index).isNull() ? row.at(index).toString() : QString();
  };
  return field(first) + QStringLiteral(", ") + field(second);
}

template <typename Ask>
QString Lookup(QHash<qint64, QString>& known, qint64 id, int& calls, Ask ask) {
  if (const auto found = known.constFind(id); found != known.constEnd()) return *found;
  ++calls;
  const QString name = ask();
  known.insert(id, name);
  return name;
}

}  // namespace

QString NameLookups::Patient(qint64 patientId) {
  return Lookup(patients_, patientId, calls_, [&] {
    QStringList names;
    ValuesTable values;
    session_.Call([&](ClinicalService& service) { service.GetPatientNameByID(patientId, names, values); });
    return JoinedFields(values, 1, 2);
  });
}

QString NameLookups::User(qint64 userId) {
  return Lookup(users_, userId, calls_, [&] {
    QStringList names;
    ValuesTable values;
    session_.Call([&](ClinicalService& service) { service.GetUserNameByID(userId, names, values); });
    return JoinedFields(values, 3, 2);
  });
}

QString NameLookups::Provider(qint64 physicianId) {
  return Lookup(providers_, physicianId, calls_, [&] {
    QStringList names;
    ValuesTable values;
    session_.Call([&](ClinicalService& service) { service.GetPhysicianInfo(physicianId, names, values); });
    return JoinedFields(values, 3, 4);
  });
}

}  // namespace pyxa
