#include "audit/ReconciliationSearch.h"

#include "audit/NameLookups.h"
#include "audit/ReconciliationStore.h"
#include "shell/Session.h"

#include <QLocale>

namespace pyxa {

QStringList ReconciliationHeaders() {
  return {QStringLiteral("Document Name"), QStringLiteral("Encounter Date"), QStringLiteral("Category"),
          QStringLiteral("Type"),          QStringLiteral("Patient Name"),   QStringLiteral("Provider"),
          QStringLiteral("Failed Attempts"), QStringLiteral("User Name"),    QStringLiteral("ID"),
          QStringLiteral("PatientID"),     QStringLiteral("CatID"),          QStringLiteral("UserID"),
          QStringLiteral("EncounterID")};
}

QString ReconciliationDateText(const QDateTime& date, bool countryDates) {
  if (!date.isValid()) return {};
  const QLocale locale = QLocale::system();
  const QString day = countryDates ? locale.toString(date.date(), QLocale::ShortFormat)
                                   : date.date().toString(QStringLiteral("d/MM/yyyy"));
  return day + QLatin1Char(' ') + locale.toString(date.time(), QLocale::LongFormat);
}

QStringList ReconciliationEntry::Texts(bool countryDates) const {
  const auto number = [](qint64 value) { return QString::number(value); };
  return {row.documentName,       ReconciliationDateText(row.encounterDate, countryDates),
          categoryName,           row.typeDescription,
          patientName,            providerName,
          QString::number(failedAttempts), userName,
          number(row.documentId), number(row.patientId),
          number(row.categoryId), number(row.userId),
          number(row.encounterId)};
}

QHash<qint64, int> ReconciliationSearch::FailureCounts() {
  const auto database = databases_.Create();
  if (!database->Connect(storePath_, kDatabasePassword)) {
    throw StoreReadError(database->LastError(), database->LastErrorDescription());
  }
  const Exceptions exceptions = database->GetExceptions();
  if (database->LastError() != 0) {
    throw StoreReadError(database->LastError(), database->LastErrorDescription());
  }
  QHash<qint64, int> counts;
  for (const UploadException& exception : exceptions) ++counts[exception.DocumentID];
  return counts;
}

// Categories by their ID (not by their place in the service's table, which need not match).
QHash<qint64, QString> ReconciliationSearch::CategoryNames() {
  QStringList labNames, physicianNames, labTypeNames;
  ValuesTable labs, physicians, labTypes, categories;
  session_.Call([&](ClinicalService& service) {
    service.GetCategories(labNames, labs, physicianNames, physicians, labTypeNames, labTypes, categories);
  });
  QHash<qint64, QString> names;
  if (!categories) return names;
  for (const auto& category : *categories) {
    if (category.size() < 2) continue;
    bool ok = false;
    const qint64 id = category.at(0).toLongLong(&ok);
    if (ok) names.insert(id, category.at(1).toString());
  }
  return names;
}

void ReconciliationSearch::Run(const QDate& from, const QDate& to, const QString& words,
                               const std::function<void(const ReconciliationEntry&)>& add) {
  const QVector<ReconciliationRow> rows = ReadReconciliation(storePath_, from, to, words);
  const QHash<qint64, int> failures = FailureCounts();
  const QHash<qint64, QString> categories = CategoryNames();
  NameLookups names(session_);
  for (const ReconciliationRow& row : rows) {
    // Views are in the trail too, but they are no action on the document: listing them would add a
    // row for every look.
    if (row.actionId == kActionViewed) continue;
    ReconciliationEntry entry;
    entry.row = row;
    entry.categoryName = categories.value(row.categoryId);
    entry.failedAttempts = failures.value(row.documentId);
    entry.patientName = names.Patient(row.patientId);
    entry.providerName = names.Provider(row.physicianId);
    entry.userName = names.User(row.userId);
    add(entry);
  }
}

}  // namespace pyxa
