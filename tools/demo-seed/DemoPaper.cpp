#include "DemoPaper.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QSize>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "AtomicFile.h"
#include "PaperDocuments.h"

namespace pyxa {
namespace {

constexpr int kScanDpi = 300;
constexpr int kFaxDpi = 200;
constexpr QSize kFineFaxDpi(204, 196);

// The sender's name as it appears in a file name: letters and digits only.
QString FileWord(const QString& name) {
  QString word;
  for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
    if (c.isLetterOrNumber() && c.unicode() < 128) word += c;
  }
  return word.isEmpty() ? QStringLiteral("Patient") : word;
}

struct TiffJob {
  QString name;
  std::vector<PageDrawing> pages;
  int dpi;
  QString software;
  QDateTime scanned;
  // How the clerk files it: the patient of each page (null pointer: a cover sheet), and one filing.
  std::vector<const PaperPatient*> patients;
  QString category, sender;
  QDate date;
};

// The TIFFs of the paper, with what each page is.
std::vector<TiffJob> TiffJobs(const PaperCast& cast, const QDate& today, int scanDpi, int faxDpi) {
  const QDate yesterday = today.addDays(-1);
  const QString day = yesterday.toString(QStringLiteral("yyyyMMdd"));
  const QString scanner = QStringLiteral("OfficeScan Capture 4.2");
  const QString faxServer = QStringLiteral("FaxDesk Server 8.1");
  const QDateTime referred(yesterday, QTime(9, 14, 3));
  const QDateTime imaged(yesterday, QTime(17, 52, 8));
  const PaperPatient* lab = &cast.labPatient;
  const PaperPatient* discharged = &cast.dischargePatient;
  const PaperPatient* referral = &cast.referralPatient;
  std::vector<TiffJob> jobs{
      {QStringLiteral("Batch_%1_161522.tif").arg(day), LabBatchPages(cast, today), scanDpi, scanner,
       QDateTime(yesterday, QTime(16, 15, 22)), {lab, lab, &cast.lipidPatient, &cast.prenatalPatient},
       QStringLiteral("Lab Report"), cast.laboratory, today.addDays(-3)},
      {QStringLiteral("Batch_%1_163047.tif").arg(day), DischargeSummaryPages(cast, today), scanDpi, scanner,
       QDateTime(yesterday, QTime(16, 30, 47)), {discharged, discharged, discharged},
       QStringLiteral("Correspondence"), QStringLiteral("St. Brigid's Hospital"),
       today.addDays(-7)},
      {QStringLiteral("Referral_%1.tif").arg(FileWord(cast.cardiologist.lastName)), ReferralFaxPages(cast, referred),
       faxDpi, faxServer, referred, {referral, referral}, QStringLiteral("Correspondence"),
       QStringLiteral("Harbourview Family Practice"), yesterday.addDays(-1)},
      {QStringLiteral("Fax_%1_175208.tif").arg(day), ImagingFaxPages(cast, imaged), faxDpi, faxServer, imaged,
       {nullptr, &cast.ultrasoundPatient}, QStringLiteral("DI Report"), cast.imagingCentre, yesterday},
  };
  return jobs;
}

bool WriteTiff(const QString& folder, const TiffJob& job, quint64 seed, bool group3, QString& error) {
  std::vector<BilevelPage> scanned;
  QRandomGenerator random(static_cast<quint32>(seed));
  for (const PageDrawing& draw : job.pages) {
    // Each sheet goes through the feeder at its own slight angle.
    ScanLook look;
    look.skewDegrees = random.bounded(1.0) - 0.5;
    look.offset = QPointF(random.bounded(6.0) - 3, random.bounded(6.0) - 3);
    look.specks = 20 + static_cast<int>(random.bounded(40));
    scanned.push_back(group3 ? ScanPage(draw, kFineFaxDpi.width(), look, ++seed, kFineFaxDpi.height())
                             : ScanPage(draw, job.dpi, look, ++seed));
  }
  return WriteFileAtomically(
      folder + QLatin1Char('/') + job.name,
      [&](QFile& file, QString& why) {
        return WriteBilevelTiff(file.handle(), file.fileName(), scanned, {job.software, job.scanned, group3}, why);
      },
      error);
}

bool WriteJpeg(const QString& path, const QImage& image, QString& error) {
  return WriteFileAtomically(
      path,
      [&](QFile& file, QString& why) {
        if (image.save(&file, "JPG", 82)) return true;
        why = QStringLiteral("Cannot write the JPEG file \"%1\".").arg(path);
        return false;
      },
      error);
}

bool WritePdf(const QString& path, const std::vector<PageDrawing>& pages, const QString& title, QString& error) {
  return WriteFileAtomically(
      path,
      [&](QFile& file, QString& why) {
        QPdfWriter writer(&file);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Lakeshore Endocrine EMR"));
        writer.setPageSize(QPageSize(QPageSize::Letter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);  // painter units are points, as for the scanned sheets
        QPainter painter;
        if (!painter.begin(&writer)) {
          why = QStringLiteral("Cannot write the PDF file \"%1\".").arg(path);
          return false;
        }
        for (size_t i = 0; i < pages.size(); ++i) {
          if (i > 0) writer.newPage();
          Sheet sheet(painter, 900 + i);
          pages[i](sheet);
        }
        return painter.end();
      },
      error);
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool FillFolder(const QString& folder, const PaperCast& cast, const QDate& today, const DemoPaperOptions& options,
                QString& error) {
  const QDate yesterday = today.addDays(-1);
  const QString day = yesterday.toString(QStringLiteral("yyyyMMdd"));
  const int scanDpi = options.dpi > 0 ? options.dpi : kScanDpi;
  const int faxDpi = options.dpi > 0 ? options.dpi : kFaxDpi;
  quint64 seed = 1;
  for (const TiffJob& job : TiffJobs(cast, today, scanDpi, faxDpi)) {
    if (!WriteTiff(folder, job, seed, options.group3Fax, error)) return false;
    seed += 100;
  }
  const QDateTime photographed(yesterday, QTime(14, 22, 33));
  if (!WriteJpeg(folder + QStringLiteral("/IMG_%1_142233.jpg").arg(day), EcgPhoto(cast, photographed), error)) {
    return false;
  }
  const QString consult = QStringLiteral("Consult Note - %1.pdf").arg(FileWord(cast.consultPatient.lastName));
  return WritePdf(folder + QLatin1Char('/') + consult, ConsultNotePages(cast, today),
                  QStringLiteral("Consultation note"), error);
}

}  // namespace

std::vector<PaperPageFacts> DemoPaperFacts(const PaperCast& cast, const QDate& today) {
  std::vector<PaperPageFacts> facts;
  for (const TiffJob& job : TiffJobs(cast, today, kScanDpi, kFaxDpi)) {
    for (size_t page = 0; page < job.patients.size(); ++page) {
      const PaperPatient* patient = job.patients[page];
      facts.push_back({job.name, static_cast<int>(page), patient != nullptr, patient ? *patient : PaperPatient(),
                       patient ? job.category : QString(), patient ? job.sender : QString(),
                       patient ? job.date : QDate()});
    }
  }
  return facts;
}

bool CreateDemoPaper(const QString& folder, const PaperCast& cast, const Clock& clock, QString& error,
                     const DemoPaperOptions& options) {
  const QFileInfo target(folder);
  if (target.exists()) return true;  // the user's folder, with whatever was done in it, stays as it is
  const QString parent = target.absolutePath();
  if (!QDir().mkpath(parent)) {
    error = QStringLiteral("Cannot create the folder \"%1\".").arg(parent);
    return false;
  }
  // mkdtemp makes the staging folder 0700; it disappears with everything in it unless renamed.
  QTemporaryDir staging(parent + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
  if (!staging.isValid()) {
    error = QStringLiteral("Cannot create a folder in \"%1\": %2").arg(parent, staging.errorString());
    return false;
  }
  if (!FillFolder(staging.path(), cast, clock.Now().date(), options, error)) return false;

  const QByteArray from = QFile::encodeName(staging.path());
  const QByteArray to = QFile::encodeName(target.absoluteFilePath());
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
    const int renameError = errno;
    if (renameError == EEXIST) return true;  // a folder appeared meanwhile: it wins
    // File systems that cannot refuse to replace: the target was absent a moment ago.
    if (QFileInfo::exists(folder)) return true;
    int failure = renameError;
    if (failure == EINVAL || failure == ENOSYS) failure = ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
    if (failure != 0) {
      error = QStringLiteral("Cannot put the folder \"%1\" in place: %2")
                  .arg(folder, QString::fromLocal8Bit(std::strerror(failure)));
      return false;
    }
  }
  staging.setAutoRemove(false);
  SyncFolder(parent);
  return true;
}

}  // namespace pyxa
