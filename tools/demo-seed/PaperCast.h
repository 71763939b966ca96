// The people on the demo paper: patients and physicians read from the demo clinic, so that a
// clerk indexing a document finds its patient by name, birth date or health-card number.
#pragma once

#include <QDate>
#include <QString>

namespace pyxa {

struct PaperPatient {
  QString lastName;
  QString firstName;
  QDate birthDate;     // may be invalid when the register has none
  QString healthCard;  // ten digits or empty
  QString chart;
};

struct PaperPhysician {
  QString lastName;
  QString firstName;
  QString specialty;
};

struct PaperCast {
  PaperPatient labPatient;         // the two-page laboratory report
  PaperPatient lipidPatient;       // a one-page laboratory report in the same batch
  PaperPatient prenatalPatient;    // the batch's third report
  PaperPatient referralPatient;    // the faxed referral letter
  PaperPatient dischargePatient;   // the hospital discharge summary
  PaperPatient ultrasoundPatient;  // the faxed imaging report
  PaperPatient ecgPatient;         // the photographed ECG
  PaperPatient consultPatient;     // the e-mailed consult note; shares a name with lipidPatient
  PaperPhysician familyPhysician;  // orders the first report, receives the consult note
  PaperPhysician internist;
  PaperPhysician secondFamilyPhysician;
  PaperPhysician cardiologist;  // receives the referral, orders the ECG
  PaperPhysician obstetrician;
  QString laboratory;     // the laboratory of the batch
  QString imagingCentre;  // the sender of the faxed imaging report
};

// Reads the cast from the clinic file at clinicPath: the demo clinic's well-known patients and
// physicians, and a few more of its patients. A clinic without patients or physicians is an
// error, returned as false with the reason in error.
bool LoadPaperCast(const QString& clinicPath, PaperCast& cast, QString& error);

}  // namespace pyxa
