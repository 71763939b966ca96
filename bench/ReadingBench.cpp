// Reading the demo paper (lab reports, a discharge summary, referral and imaging faxes) as scanned at
// 300 and 200 dpi and as received by a fax server (204 x 196 dpi, Group 3), and proposing each page's
// patient from the demo clinic and its category. What each page is comes from the paper's own facts,
// not from what was read. Prints, per paper, the share of patient pages whose patient is proposed
// right and wrong, of filed pages whose category and date are proposed right and wrong, and the time from opening a file to its first patient proposal, read as the page reader reads
// (every page's top band first, then each whole page), against one decode of the first page (the
// baseline).
// bench_ReadingBench [folder]: also writes the text of each reading into folder.
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

#include "DemoPaper.h"
#include "PaperCast.h"
#include "components/ClinicSchema.h"
#include "components/DemoClinic.h"
#include "components/LocalClinic.h"
#include "components/ServiceFactory.h"
#include "document/TiffPages.h"
#include "reading/IndexProposal.h"
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

IndexReferences ClinicLists(LocalClinic& clinic) {
  QStringList labNames, physicianNames, typeNames;
  ValuesTable labs, physicians, types, categories;
  clinic.GetCategories(labNames, labs, physicianNames, physicians, typeNames, types, categories);
  IndexReferences lists;
  for (int row = 0; row < RowCount(labs); ++row) {
    lists.laboratories.append({FieldText(labNames, labs, row, QStringLiteral("LID")).toLongLong(),
                               FieldText(labNames, labs, row, QStringLiteral("szLaboratory"))});
  }
  for (int row = 0; row < RowCount(types); ++row) {
    lists.labTypes.append({FieldText(typeNames, types, row, QStringLiteral("lid")).toLongLong(),
                           FieldText(typeNames, types, row, QStringLiteral("szName"))});
  }
  for (int row = 0; row < RowCount(categories); ++row) {
    lists.categories.append({FieldText(kCategoryFields, categories, row, QStringLiteral("ID")).toLongLong(),
                             FieldText(kCategoryFields, categories, row, QStringLiteral("Name"))});
  }
  return lists;
}

struct Tally {
  int patientPages = 0, right = 0, wrong = 0;
  int filedPages = 0, categoryRight = 0, categoryWrong = 0, dateRight = 0, dateWrong = 0;
  int files = 0;
  double firstProposalMs = 0, firstDecodeMs = 0, slowestFirstMs = 0;
};

struct Reading {
  const PaperPageFacts* facts = nullptr;
  PatientProposal patient;
  IndexProposal index;
  bool wrongBefore = false;  // its quick reading proposed someone else
};

class PaperReader {
 public:
  // textFolder: where each reading's text is written, for whoever looks into a page; empty: nowhere.
  PaperReader(LocalClinic& clinic, TextRecognizer& recognizer, const IndexReferences& lists, QString textFolder)
      : clinic_(clinic), recognizer_(recognizer), lists_(lists), textFolder_(std::move(textFolder)) {}

  // Reads a file as the page reader does, timing its first patient proposal, and tallies each page's
  // last reading.
  void ReadFile(const QString& path, const std::vector<const PaperPageFacts*>& facts, Tally& tally) {
    TiffPages pages;
    if (!pages.Open(path).Ok()) return;
    ++tally.files;
    QElapsedTimer timer;
    timer.start();
    double firstProposal = -1;
    QVector<Reading> last(pages.PageCount());
    for (const bool quick : {true, false}) {
      for (int page = 0; page < pages.PageCount(); ++page) {
        QElapsedTimer decode;
        decode.start();
        QImage image;
        if (!pages.Decode(page, kMaxPagePixels, &image).Ok()) continue;
        if (page == 0 && quick) tally.firstDecodeMs += decode.nsecsElapsed() / 1e6;
        const TiffPageInfo& info = pages.Pages()[static_cast<size_t>(page)];
        const int dpi = info.XDpi() > 0 ? info.XDpi() : 200;
        const PageText text = quick ? recognizer_.ReadBand(image, dpi, kHeaderBand) : recognizer_.Read(image, dpi);
        if (!textFolder_.isEmpty()) Keep(path, page, quick, text.text);
        const auto found = FindIdentifiers(text.text, RulesFor(QStringLiteral("CA")));
        Reading& reading = last[page];
        reading.patient = ProposePatient(found, [this](const PatientQuery& q) { return SearchClinic(clinic_, q); });
        reading.index = ProposeIndex(text.text, found, lists_, {});
        reading.facts = static_cast<size_t>(page) < facts.size() ? facts[static_cast<size_t>(page)] : nullptr;
        if (reading.patient.patient && firstProposal < 0) {
          firstProposal = timer.nsecsElapsed() / 1e6;
          std::printf("  first proposal: %s page %d, %s, after %.0f ms\n", qPrintable(QFileInfo(path).fileName()),
                      page + 1, quick ? "its band" : "whole", firstProposal);
        }
        // A quick reading's proposal stands until the whole page is read: a wrong one counts too.
        if (quick) reading.wrongBefore = Count(path, page, reading, true, tally);
      }
    }
    if (firstProposal < 0) firstProposal = timer.nsecsElapsed() / 1e6;
    tally.firstProposalMs += firstProposal;
    tally.slowestFirstMs = std::max(tally.slowestFirstMs, firstProposal);
    for (int page = 0; page < last.size(); ++page) Count(path, page, last[page], false, tally);
  }

 private:
  void Keep(const QString& path, int page, bool quick, const QString& text) const {
    const QFileInfo file(path);
    QFile out(QDir(textFolder_).filePath(QStringLiteral("%1-%2-%3-%4.txt")
                                              .arg(file.dir().dirName(), file.completeBaseName())
                                              .arg(page + 1)
                                              .arg(quick ? QStringLiteral("band") : QStringLiteral("page"))));
    if (out.open(QIODevice::WriteOnly)) out.write(text.toUtf8());
  }

  // Whether the page's patient was proposed wrongly; tallied for the last reading only.
  static bool Count(const QString& path, int page, const Reading& reading, bool quick, Tally& tally) {
    const PaperPageFacts* facts = reading.facts;
    const QString name = QFileInfo(path).fileName();
    const auto& proposed = reading.patient.patient;
    const bool same = facts && facts->namesPatient && proposed &&
                      ClinicNameKey(proposed->lastName) == ClinicNameKey(facts->patient.lastName) &&
                      proposed->dateOfBirth == facts->patient.birthDate;
    const bool wrong = proposed && !same;
    if (wrong) {
      std::printf("  wrong%s: %s page %d proposed %s\n", quick ? " (quick)" : "", qPrintable(name), page + 1,
                  qPrintable(proposed->lastName));
    }
    if (quick) return wrong;
    if (wrong || reading.wrongBefore) ++tally.wrong;
    if (!facts) return wrong;
    if (facts->namesPatient) {
      ++tally.patientPages;
      if (same) {
        ++tally.right;
      } else if (!proposed) {
        std::printf("  none: %s page %d: %s\n", qPrintable(name), page + 1, qPrintable(reading.patient.why));
      }
    }
    if (!facts->category.isEmpty()) {
      ++tally.filedPages;
      // A page that prints no date (a letter's second page) proposes none, which is not wrong.
      if (reading.index.documentDate == facts->date) {
        ++tally.dateRight;
      } else if (reading.index.documentDate.isValid()) {
        ++tally.dateWrong;
        std::printf("  date: %s page %d: %s, not %s\n", qPrintable(name), page + 1,
                    qPrintable(reading.index.documentDate.toString(Qt::ISODate)),
                    qPrintable(facts->date.toString(Qt::ISODate)));
      }
      if (reading.index.category == facts->category) {
        ++tally.categoryRight;
      } else {
        if (!reading.index.category.isEmpty()) ++tally.categoryWrong;
        std::printf("  category: %s page %d: %s, not %s\n", qPrintable(name), page + 1,
                    qPrintable(reading.index.category.isEmpty() ? QStringLiteral("none") : reading.index.category),
                    qPrintable(facts->category));
      }
    }
    return wrong;
  }

  LocalClinic& clinic_;
  TextRecognizer& recognizer_;
  const IndexReferences& lists_;
  QString textFolder_;
};

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each page's line as it is read: a run takes minutes
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
  const IndexReferences lists = ClinicLists(clinic);
  const std::vector<PaperPageFacts> facts = DemoPaperFacts(cast, clock.Now().date());
  const struct {
    const char* name;
    DemoPaperOptions options;
  } papers[] = {{"300 dpi", {300, false}}, {"200 dpi", {200, false}}, {"G3 fax", {0, true}}};
  PaperReader reader(clinic, *recognizer, lists, argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
  for (const auto& paper : papers) {
    const QString folder = dir.filePath(QString::fromLatin1(paper.name).replace(QLatin1Char(' '), QLatin1Char('-')));
    if (!CreateDemoPaper(folder, cast, clock, error, paper.options)) {
      std::fprintf(stderr, "cannot make the demo paper: %s\n", qPrintable(error));
      return 1;
    }
    Tally tally;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.tif")}, QDir::Files, QDir::Name)) {
      std::vector<const PaperPageFacts*> ofFile;
      for (const PaperPageFacts& page : facts) {
        if (page.file == name) ofFile.push_back(&page);
      }
      reader.ReadFile(QDir(folder).filePath(name), ofFile, tally);
    }
    const double patients = std::max(tally.patientPages, 1), filed = std::max(tally.filedPages, 1);
    std::printf("%s: %d patient pages: proposed right %.0f%%, wrong %.0f%%; %d filed pages: category right %.0f%%, "
                "wrong %.0f%%; date right %.0f%%, wrong %.0f%%; first proposal %.0f ms a file (slowest %.0f ms), one decode %.0f ms = %.1fx\n",
                paper.name, tally.patientPages, 100.0 * tally.right / patients, 100.0 * tally.wrong / patients,
                tally.filedPages, 100.0 * tally.categoryRight / filed, 100.0 * tally.categoryWrong / filed,
                100.0 * tally.dateRight / filed, 100.0 * tally.dateWrong / filed,
                tally.firstProposalMs / std::max(tally.files, 1), tally.slowestFirstMs,
                tally.firstDecodeMs / std::max(tally.files, 1),
                tally.firstProposalMs / std::max(tally.firstDecodeMs, 1e-3));
  }
  return 0;
}
