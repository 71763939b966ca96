// The main window's encounters: the encounter button (choose or create, then lock) and the
// releases of encounters no document uses any more.
#include "mainwindow/ui/frmMain.h"

#include "mainwindow/DocumentDates.h"
#include "mainwindow/ui/DocumentFrame.h"
#include "mainwindow/ui/SearchFrame.h"
#include "patients/PatientSearch.h"
#include "patients/ui/EncounterWindows.h"
#include "patients/ui/SearchFieldsBox.h"
#include "platform/ui/BusyCursor.h"
#include "shell/ServiceFailures.h"
#include "upload/StoredDocuments.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace pyxa {

HeldEncounter frmMain::ChosenEncounterShown() const {
  const SearchCriteria patient = Criteria();
  const DocumentFrame& d = *document_;
  const QString& day = Country2() ? d.txtDate2->text() : d.txtDate1->text();
  const QString& month = Country2() ? d.txtDate1->text() : d.txtDate2->text();
  QDate date;
  if (ValidateEncounterDate(day, month, d.txtDate3->text(), QDate(9999, 12, 31)) != kNotADate)
    date = QDate(d.txtDate3->text().toInt(), month.toInt(), day.toInt());
  return {search_->txtEncounterID->text().trimmed().toLongLong(),
          patient.lastName.trimmed() + QStringLiteral(", ") + patient.firstName.trimmed(), date};
}

void frmMain::ShowEncounterDate(const QDate& date) {
  const auto parts = DateToParts(date, Country2());
  document_->txtDate1->setText(parts[0]);
  document_->txtDate2->setText(parts[1]);
  document_->txtDate3->setText(parts[2]);
}

void frmMain::cmdEncounters_Click() {
  try {
    DocumentFrame& d = *document_;
    const QString& day = Country2() ? d.txtDate2->text() : d.txtDate1->text();
    const QString& month = Country2() ? d.txtDate1->text() : d.txtDate2->text();
    // An encounter is chosen when the box holds an identifier, however short the service's
    // numbers are.
    if (search_->txtEncounterID->text().trimmed().toLongLong() == 0) {
      const EncounterDateCheck check = ValidateEncounterDate(day, month, d.txtDate3->text(), Now().date());
      if (check != kDateValid) {
        services_.prompter.Information(check == kNotADate
                                           ? QStringLiteral("Please enter a valid date")
                                           : QStringLiteral("The Encounter Date may not be later than today"));
        d.txtDate1->setFocus();
        return;
      }
    }
    // A patient's unsigned encounters are those with a provider: without one the service has
    // nobody's encounters to list.
    if (SelectedId(d.cboPhysician) == 0) {
      services_.prompter.Information(QStringLiteral("Please select the provider whose encounters to show."));
      d.cboPhysician->setFocus();
      return;
    }
    // The encounter in the box is given back before another is chosen, unless a document, indexed
    // or stored, is attached to it: then it stays locked for that document.
    const HeldEncounter shown = ChosenEncounterShown();
    if (shown.id != 0 && !EncounterStillNeeded(shown.id)) locks_->UnlockOnce(shown);
    cmdSearch_Click();

    const qint64 physicianId = SelectedId(d.cboPhysician);
    if (search_->txtPatientID->text().isEmpty()) {
      services_.prompter.Information(QStringLiteral("The patient is not defined."));
    } else {
      const qint64 patientId = search_->txtPatientID->text().toLongLong();
      EncounterChooser* chooser = services_.encounters;
      if (!chooser) {
        if (!ownEncounterChooser_) ownEncounterChooser_ = std::make_unique<EncounterWindows>(this);
        chooser = ownEncounterChooser_.get();
      }
      EncounterRows rows;
      try {
        BusyCursor busy;
        services_.session.Call([&](ClinicalService& service) {
          rows = EncounterRows{};
          service.GetUnsignedEncounters(physicianId, patientId, service.UserID(), rows.names, rows.values);
        });
      } catch (const ServiceError& error) {
        ReportServiceFailure(error, services_.prompter, services_.login);
        return;
      }
      if (rows.values) {
        QVector<VisitType> visitTypes;
        for (const ListEntry& entry : references_.Types(TypeSource::VisitTypes)) visitTypes.push_back({entry.id, entry.name});
        if (const auto chosen = chooser->Choose(rows, search_->txtEncounterID->text(), visitTypes)) {
          search_->txtEncounterID->setText(chosen->encounterId);
          ShowEncounterDate(chosen->date);
          // The note takes the encounter's visit type; none chosen for an encounter without one.
          const int index = chosen->visitTypeId.isEmpty() ? -1 : d.cboType->findData(chosen->visitTypeId);
          d.cboType->setCurrentIndex(index >= 0 ? index : (d.cboType->count() > 0 ? 0 : -1));
        } else {
          search_->txtEncounterID->clear();
        }
      } else {
        const QDate today = Now().date();
        const auto todayParts = DateToParts(today, Country2());
        const QString dateText =
            d.txtDate1->text().isEmpty()
                ? QStringList{QString::number(todayParts[0].toInt()), QString::number(todayParts[1].toInt()),
                              todayParts[2]}
                      .join(QLatin1Char('/'))
                : QStringList{d.txtDate1->text(), d.txtDate2->text(), d.txtDate3->text()}.join(QLatin1Char('/'));
        if (chooser->ConfirmNew(dateText)) {
          const bool anyEmpty = d.txtDate1->text().isEmpty() || d.txtDate2->text().isEmpty() ||
                                d.txtDate3->text().isEmpty();
          QDate date = today;
          if (!anyEmpty) {
            const QDate typed(d.txtDate3->text().toInt(), month.toInt(), day.toInt());
            if (typed.isValid()) date = typed;
          }
          EncounterRows created;
          try {
            BusyCursor busy;
            services_.session.Call([&](ClinicalService& service) {
              QString encounterDate = date.toString(QStringLiteral("M/d/yyyy"));
              created = EncounterRows{};
              service.CreateEncounter(physicianId, patientId, encounterDate, created.names, created.values);
            });
          } catch (const ServiceError& error) {
            ReportServiceFailure(error, services_.prompter, services_.login);
            return;
          }
          if (created.values && created.Count() > 0) {
            search_->txtEncounterID->setText(created.Field(0, QStringLiteral("lID")));
            const auto parts = SplitServiceDate(created.Field(0, QStringLiteral("dCurrentDate")));
            ShowEncounterDate(parts ? QDate(parts->year.toInt(), parts->month.toInt(), parts->day.toInt()) : QDate());
          } else {
            services_.prompter.Information(QStringLiteral("Could not create a new Encounter."));
          }
        } else {
          search_->txtEncounterID->clear();
        }
      }
    }

    const QString encounter = search_->txtEncounterID->text().trimmed();
    const qint64 encounterId = encounter.toLongLong();
    d.SetEncountersPicture(encounterId != 0);
    const bool canUpload = CanUpload();
    if (canUpload && encounterId != 0 &&
        !locks_->Lock(encounterId, search_->txtPatientID->text().toLongLong())) {
      // An encounter this user could not lock is not this note's to use.
      search_->txtEncounterID->clear();
      d.SetEncountersPicture(false);
    }
  } catch (const std::exception& error) {
    ReportError(error);
  }
}

bool frmMain::EncounterStillNeeded(qint64 encounterId) {
  if (indexed_ && EncounterUsed(*indexed_, encounterId)) return true;
  try {
    return StoredEncounters(counts_.StorePath()).contains(encounterId);
  } catch (const StoreReadError&) {
    return true;  // nobody can tell: it stays locked rather than be signed under a document
  }
}

void frmMain::UnlockUnusedEncounters() {
  const HeldEncounter chosen = ChosenEncounterShown();
  if (search_->txtEncounterID->text().isEmpty() || chosen.id == 0) return;
  if (EncounterStillNeeded(chosen.id)) return;
  locks_->Release({chosen});
}

void frmMain::UnlockNotUploadedEncounters() {
  if (!indexed_) return;
  QSet<qint64> kept;
  try {
    kept = StoredEncounters(counts_.StorePath());
  } catch (const StoreReadError& error) {
    // Without the store nobody can tell which encounters stored documents still need.
    locks_->ReportStillLocked(EncountersNotStored(*indexed_, Documents()),
                              QStringLiteral("the document store could not be read: ") +
                                  QString::fromLocal8Bit(error.what()));
    return;
  }
  QVector<HeldEncounter> free;
  for (const HeldEncounter& encounter : EncountersNotStored(*indexed_, Documents()))
    if (!kept.contains(encounter.id)) free.push_back(encounter);
  locks_->Release(free);
}

}  // namespace pyxa
