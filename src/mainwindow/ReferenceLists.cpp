#include "mainwindow/ReferenceLists.h"

namespace pyxa {
namespace {

QString Lookup(const ListEntries& entries, const QString& want, const QString& value) {
  const QString key = value.trimmed();
  const bool byName = want.compare(QStringLiteral("ID"), Qt::CaseInsensitive) == 0;
  for (const ListEntry& entry : entries) {
    if (byName && entry.name == key) return entry.id;
    if (!byName && entry.id == key) return entry.name;
  }
  return {};
}

}  // namespace

ListEntries Entries(const QStringList& names, const ValuesTable& values, const QString& idField,
                    const QString& nameField) {
  ListEntries entries;
  for (int row = 0; row < RowCount(values); ++row) {
    entries.push_back({FieldText(names, values, row, idField).trimmed(),
                       FieldText(names, values, row, nameField).trimmed()});
  }
  return entries;
}

void ReferenceLists::LoadCategories(Session& session) {
  session.Call([this](ClinicalService& service) {
    service.GetCategories(labNames, labs, physicianNames, physicians, labTypeNames, labTypes, categories);
  });
}

void ReferenceLists::LoadCountry(Session& session) {
  QStringList names;
  ValuesTable values;
  session.Call([&](ClinicalService& service) { service.GetUsersCountry(service.UserID(), names, values); });
  country = (values && !values->isEmpty() && !values->first().isEmpty()) ? values->first().first().toString()
                                                                       : QString();
}

void ReferenceLists::LoadTypes(Session& session, TypeSource source, qint64 officeId, qint64 physicianId) {
  if (source == TypeSource::None || source == TypeSource::LabTypes) return;
  QStringList names;
  ValuesTable values;
  session.Call([&](ClinicalService& service) {
    if (source == TypeSource::DITypes) service.GetDITypes(officeId, names, values);
    if (source == TypeSource::CorrespondenceTypes) service.GetCorrespondenceTypes(physicianId, names, values);
    if (source == TypeSource::VisitTypes) service.GetVisitTypes(physicianId, names, values);
  });
  typeNames = names;
  types = values;
}

ListEntries ReferenceLists::Laboratories() const {
  return Entries(labNames, labs, QStringLiteral("LID"), QStringLiteral("szLaboratory"));
}
ListEntries ReferenceLists::Physicians() const {
  return Entries(physicianNames, physicians, QStringLiteral("lid"), QStringLiteral("physName"));
}
ListEntries ReferenceLists::Categories() const {
  return Entries(kCategoryFields, categories, kCategoryFields.at(0), kCategoryFields.at(1));
}
ListEntries ReferenceLists::Types(TypeSource source) const {
  if (source == TypeSource::LabTypes)
    return Entries(labTypeNames, labTypes, QStringLiteral("lid"), QStringLiteral("szName"));
  if (source == TypeSource::None) return {};
  return Entries(typeNames, types, QStringLiteral("lid"), QStringLiteral("szName"));
}

QString ReferenceLists::GetPhysician(const QString& want, const QString& value) const {
  return Lookup(Physicians(), want, value);
}
QString ReferenceLists::GetSender(const QString& want, const QString& value) const {
  return Lookup(Laboratories(), want, value);
}
QString ReferenceLists::GetCategory(const QString& want, const QString& value) const {
  return Lookup(Categories(), want, value);
}
QString ReferenceLists::GetDocumentType(TypeSource source, const QString& want, const QString& value) const {
  return Lookup(Types(source), want, value);
}

}  // namespace pyxa
