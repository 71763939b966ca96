// The document fields of the indexing pane as plain values, and their passage to and from an
// indexed document record.
#pragma once

#include "components/DocumentRecords.h"
#include "patients/SearchCriteria.h"

#include <QDate>

namespace pyxa {

struct DocumentFields {
  qint64 physicianId = 0;  // 0: no provider chosen
  qint64 categoryId = 0;
  QString category;  // the category's text as shown
  qint64 typeId = 0;  // 0: no type chosen
  QString typeText;
  qint64 senderId = 0;  // the laboratory of a lab report
  QString sender;       // the laboratory's name, or the free-text sender
  QDate date;           // null when the date parts did not give one
  QString name, notes;
  bool abnormal = false, signOff = false;
  bool encounterDateModified = false;
};

// The record of a new indexed document (no pages yet). Lab reports keep the laboratory's
// identifier; clinical notes keep whether the encounter date was changed; the date is at noon.
Document StoreDocumentProperties(const DocumentFields& fields, const ChosenPatient& patient, qint64 encounterId,
                                 qint64 userId);

// The reverse, for showing an indexed document again. Names of provider, category, type and
// laboratory are the caller's to look up from the identifiers.
struct StoredProperties {
  DocumentFields fields;
  ChosenPatient patient;
  qint64 encounterId = 0;
};
StoredProperties PopulateDocumentProperties(const Document& document);

}  // namespace pyxa
