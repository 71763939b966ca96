#include "mainwindow/DocumentProperties.h"

#include "mainwindow/CategoryRules.h"

namespace pyxa {

Document StoreDocumentProperties(const DocumentFields& fields, const ChosenPatient& patient, qint64 encounterId,
                                 qint64 userId) {
  const CategoryLayout layout = CategoryRules(fields.category);
  Document document;
  document.PhysicianID = fields.physicianId;
  document.CategoryID = fields.categoryId;
  document.DocumentTypeID = fields.typeId;
  document.DocumentTypeDesc = fields.typeText;
  document.SenderID = layout.senderList ? fields.senderId : 0;
  document.Sender = fields.sender;
  document.DocDateModified = layout.clinicalNote && fields.encounterDateModified;
  if (fields.date.isValid()) document.DocumentDate = QDateTime(fields.date, QTime(12, 0, 0));
  document.DocumentName = fields.name;
  document.Abnormal = fields.abnormal;
  document.SignOff = fields.signOff;
  document.Notes = fields.notes;
  const SearchCriteria& c = patient.fields;
  document.LastName = c.lastName;
  document.FirstName = c.firstName;
  document.Chart = c.chart;
  document.HCN = c.hcn;
  document.AreaCode = c.areaCode;
  document.Phone1 = c.phone1;
  document.Phone2 = c.phone2;
  document.PatientID = patient.patientId.trimmed().toLongLong();
  document.EncounterID = encounterId;
  document.UserID = userId;
  return document;
}

StoredProperties PopulateDocumentProperties(const Document& document) {
  StoredProperties stored;
  DocumentFields& f = stored.fields;
  f.physicianId = document.PhysicianID;
  f.categoryId = document.CategoryID;
  f.typeId = document.DocumentTypeID;
  f.typeText = document.DocumentTypeDesc;
  f.senderId = document.SenderID;
  f.sender = document.Sender;
  if (document.DocumentDate.isValid()) f.date = document.DocumentDate.date();
  f.name = document.DocumentName;
  f.notes = document.Notes;
  f.abnormal = document.Abnormal;
  f.signOff = document.SignOff;
  f.encounterDateModified = document.DocDateModified;
  SearchCriteria& c = stored.patient.fields;
  c.lastName = document.LastName;
  c.firstName = document.FirstName;
  c.chart = document.Chart;
  c.hcn = document.HCN;
  c.areaCode = document.AreaCode;
  c.phone1 = document.Phone1;
  c.phone2 = document.Phone2;
  stored.patient.patientId = document.PatientID ? QString::number(document.PatientID) : QString();
  stored.encounterId = document.EncounterID;
  return stored;
}

}  // namespace pyxa
