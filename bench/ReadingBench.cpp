// Reading the demo paper (lab reports, a discharge summary, referral and imaging faxes: scanned at
// 300 and 200 dpi, faxes in Group 3/4) and proposing each page's patient from the demo clinic.
// Prints, per resolution, the share of patient pages whose patient is proposed correctly, the
// share proposed wrongly (a proposed patient that is not the one printed on the page), and the time
// from a file's first page to its first proposal, against one decode of that page (the baseline).
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "DemoPaper.h"
#include "PaperCast.h"
#include "components/ClinicSchema.h"
#include "components/DemoClinic.h"
#include "components/LocalClinic.h"
#include "components/ServiceFactory.h"
#include "document/TiffPages.h"
#include "reading/PatientProposal.h"
#include "reading/TextRecognizer.h"

namespace {

using namespace pyxa;

QVector<PatientCandidate> SearchClinic(LocalClinic& clinic, const PatientQuery& query) {
  QString dob = query.dateOfBirth.isValid() ? query.dateOfBirth.toString(Qt::ISODate) : QString();
  QStringList names;
  ValuesTable values;
  clinic.FindPatient(query.firstName, query.lastName, query.chart, {}, {}, {}, query.healthCard, dob, names, values);
  QVector<PatientCandidate> found;
  for (int row = 0; row < RowCount(values); ++row) {
    PatientCandidate candidate;
    candidate.id = FieldText(names, values, row, QStringLiteral("lID")).toLongLong();
    candidate.lastName = FieldText(names, values, row, QStringLiteral("szLast"));
    candidate.firstName = FieldText(names, values, row, QStringLiteral("szFirst"));
    candidate.dateOfBirth = QDate::fromString(FieldText(names, values, row, QStringLiteral("dDOB")).left(10), Qt::ISODate);
    candidate.healthCard = FieldText(names, values, row, QStringLiteral("sValue"));
    found << candidate;
  }
  return found;
}

// The cast member a page is about: the one whose last name and birth date are both printed on it.
const PaperPatient* PrintedPatient(const PaperCast& cast, const QString& text) {
  const PaperPatient* members[] = {&cast.labPatient,       &cast.lipidPatient,      &cast.prenatalPatient,
                                   &cast.referralPatient,  &cast.dischargePatient,  &cast.ultrasoundPatient,
                                   &cast.ecgPatient,       &cast.consultPatient};
  const QString key = ClinicNameKey(text);
  for (const PaperPatient* member : members) {
    if (key.contains(ClinicNameKey(member->lastName)) && text.contains(member->birthDate.toString(Qt::ISODate))) {
      return member;
    }
  }
  return nullptr;
}

struct Tally {
  int pages = 0, patientPages = 0, right = 0, wrong = 0, files = 0;
  double firstProposalMs = 0, firstDecodeMs = 0, slowestFirstMs = 0;
};

void ReadPaper(const QString& folder, const PaperCast& cast, LocalClinic& clinic, TextRecognizer& recognizer,
               Tally& tally) {
  for (const QString& name : QDir(folder).entryList({QStringLiteral("*.tif")}, QDir::Files, QDir::Name)) {
    TiffPages pages;
    if (!pages.Open(QDir(folder).filePath(name)).Ok()) continue;
    ++tally.files;
    for (int page = 0; page < pages.PageCount(); ++page) {
      QElapsedTimer timer;
      timer.start();
      QImage image;
      if (!pages.Decode(page, kMaxPagePixels, &image).Ok()) continue;
      const double decoded = timer.nsecsElapsed() / 1e6;
      const TiffPageInfo& info = pages.Pages()[static_cast<size_t>(page)];
      const int dpi = info.XDpi() > 0 ? info.XDpi() : 200;
      const PageText text = recognizer.Read(image, dpi);
      const PatientProposal proposal =
          ProposePatient(FindIdentifiers(text.text, RulesFor(QStringLiteral("CA"))),
                         [&clinic](const PatientQuery& query) { return SearchClinic(clinic, query); });
      const double proposed = timer.nsecsElapsed() / 1e6;
      if (page == 0) {
        tally.firstDecodeMs += decoded;
        tally.firstProposalMs += proposed;
        tally.slowestFirstMs = std::max(tally.slowestFirstMs, proposed);
      }
      ++tally.pages;
      const PaperPatient* printed = PrintedPatient(cast, text.text);
      if (printed) ++tally.patientPages;
      if (proposal.patient) {
        const bool same = printed && ClinicNameKey(proposal.patient->lastName) == ClinicNameKey(printed->lastName) &&
                          proposal.patient->dateOfBirth == printed->birthDate;
        same ? ++tally.right : ++tally.wrong;
        if (!same) std::printf("  wrong: %s page %d proposed %s\n", qPrintable(name), page + 1,
                               qPrintable(proposal.patient->lastName));
      } else if (printed) {
        std::printf("  none: %s page %d: %s\n", qPrintable(name), page + 1, qPrintable(proposal.why));
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  const QString clinicPath = dir.filePath(QStringLiteral("clinic.sqlite"));
  SystemClock clock;
  QString error;
  PaperCast cast;
  if (!CreateDemoClinic(clinicPath, clock, error, {64}) || !LoadPaperCast(clinicPath, cast, error)) {
    std::fprintf(stderr, "cannot make the demo clinic: %s\n", qPrintable(error));
    return 1;
  }
  LocalClinic clinic(ClinicUrlForPath(clinicPath), clock);
  clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  auto recognizer = MakeTesseractRecognizer();
  if (!recognizer->Available(&error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  for (const int dpi : {300, 200}) {
    const QString folder = dir.filePath(QStringLiteral("paper-%1").arg(dpi));
    if (!CreateDemoPaper(folder, cast, clock, error, {dpi})) {
      std::fprintf(stderr, "cannot make the demo paper: %s\n", qPrintable(error));
      return 1;
    }
    Tally tally;
    ReadPaper(folder, cast, clinic, *recognizer, tally);
    const int patientPages = std::max(tally.patientPages, 1);
    std::printf("%d dpi: %d pages, %d naming a patient: proposed right %.0f%%, wrong %.0f%%; first proposal %.0f ms "
                "a file (slowest %.0f ms) = %.0fx one decode of the page\n",
                dpi, tally.pages, tally.patientPages, 100.0 * tally.right / patientPages,
                100.0 * tally.wrong / patientPages, tally.firstProposalMs / std::max(tally.files, 1),
                tally.slowestFirstMs, tally.firstProposalMs / std::max(tally.firstDecodeMs, 1e-3));
  }
  return 0;
}
