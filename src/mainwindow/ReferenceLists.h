// The reference lists the main window asks the service for: laboratories, providers, lab report
// types and categories at start, the type list of the chosen category when it is chosen, and the
// user's country; with the lookups between their identifiers and names.
#pragma once

#include "components/ClinicalService.h"
#include "mainwindow/CategoryRules.h"
#include "shell/Session.h"

namespace pyxa {

// One list as (identifier, name) pairs, names trimmed, in the service's order.
struct ListEntry {
  QString id, name;
};
using ListEntries = QVector<ListEntry>;

// The rows of a names/values result as entries of the two named fields.
ListEntries Entries(const QStringList& names, const ValuesTable& values, const QString& idField,
                    const QString& nameField);

struct ReferenceLists {
  QStringList labNames, physicianNames, labTypeNames;
  ValuesTable labs, physicians, labTypes, categories;
  QStringList typeNames;  // the type list fetched last (DI, correspondence or visit types)
  ValuesTable types;
  QString country;  // "2": the health-card number is not used

  bool HidesHealthCard() const { return country == QStringLiteral("2"); }

  // Both calls under the session-retry rule; what still fails is thrown as ServiceError.
  void LoadCategories(Session& session);
  void LoadCountry(Session& session);
  // Fetches the type list of a source (DI types by office, the others by provider) under the
  // session-retry rule; it is the list in force from then on. Throws ServiceError.
  void LoadTypes(Session& session, TypeSource source, qint64 officeId, qint64 physicianId);

  ListEntries Laboratories() const;
  ListEntries Physicians() const;
  ListEntries Categories() const;
  // The type list of a source: the lab report types, or the list fetched last.
  ListEntries Types(TypeSource source) const;

  // The lookups: want "ID" gives the identifier of the first entry named value, "Name" the name
  // of the first entry with identifier value; empty when none matches.
  QString GetPhysician(const QString& want, const QString& value) const;
  QString GetSender(const QString& want, const QString& value) const;
  QString GetCategory(const QString& want, const QString& value) const;
  QString GetDocumentType(TypeSource source, const QString& want, const QString& value) const;
};

}  // namespace pyxa
