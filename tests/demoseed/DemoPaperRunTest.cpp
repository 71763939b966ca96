// Making the demo paper: who is on it, what a second run does, what a failure leaves.
#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <bit>
#include <map>

#include "DemoPaperFixture.h"
#include "PaperText.h"
#include "ScannedPage.h"
#include "components/ClinicSchema.h"
#include "platform/Sql.h"

namespace pyxa::papertest {
namespace {

// Every file of a folder with a digest of its content. The PDF writer stamps the time of writing,
// which is not content.
std::map<QString, QByteArray> Snapshot(const QString& folder) {
  std::map<QString, QByteArray> files;
  const QDir dir(folder);
  for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
    QFile file(dir.filePath(name));
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    if (name.endsWith(QStringLiteral(".pdf"))) {
      bytes =
          QString::fromLatin1(bytes).remove(QRegularExpression(QStringLiteral("/CreationDate \\([^)]*\\)"))).toLatin1();
    }
    files[name] = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
  }
  return files;
}

TEST(DemoPaperRun, TheSameClinicAndDayGiveTheSamePaper) {
  QTemporaryDir folder;
  const QString again = folder.filePath(QStringLiteral("Available Files"));
  ManualClock clock(kPaperDay.addSecs(3600));  // later the same day
  QString error;
  ASSERT_TRUE(CreateDemoPaper(again, Cast(), clock, error)) << error.toStdString();
  EXPECT_EQ(Snapshot(again), Snapshot(Paper()));
}

TEST(DemoPaperRun, AnExistingFolderIsLeftAsTheUserLeftIt) {
  QTemporaryDir folder;
  const QString paper = folder.filePath(QStringLiteral("Available Files"));
  ManualClock clock(kPaperDay);
  QString error;
  ASSERT_TRUE(CreateDemoPaper(paper, Cast(), clock, error, {200})) << error.toStdString();
  // The user indexed one file away, renamed another and scanned a new batch.
  const QDir dir(paper);
  ASSERT_TRUE(QFile::remove(dir.filePath(QStringLiteral("Referral_Haddad.tif"))));
  ASSERT_TRUE(
      QFile::rename(dir.filePath(QStringLiteral("IMG_20261129_142233.jpg")), dir.filePath(QStringLiteral("ecg.jpg"))));
  QFile scan(dir.filePath(QStringLiteral("Batch_20261130_101500.tif")));
  ASSERT_TRUE(scan.open(QIODevice::WriteOnly));
  scan.write("II*\0", 4);
  scan.close();
  const auto before = Snapshot(paper);

  clock.AdvanceSeconds(3 * 86400);
  EXPECT_TRUE(CreateDemoPaper(paper, Cast(), clock, error));
  EXPECT_EQ(Snapshot(paper), before);

  // An empty folder (the program makes its working folders at start-up) is the user's too.
  const QString empty = folder.filePath(QStringLiteral("Empty"));
  ASSERT_TRUE(QDir().mkdir(empty));
  EXPECT_TRUE(CreateDemoPaper(empty, Cast(), clock, error));
  EXPECT_TRUE(QDir(empty).isEmpty());
}

TEST(DemoPaperRun, AFolderThatCannotBeMadeIsReportedAndNothingIsLeft) {
  QTemporaryDir folder;
  const QString blocker = folder.filePath(QStringLiteral("plain-file"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  ManualClock clock(kPaperDay);
  QString error;
  EXPECT_FALSE(CreateDemoPaper(blocker + QStringLiteral("/Available Files"), Cast(), clock, error, {200}));
  EXPECT_TRUE(error.contains(blocker)) << error.toStdString();
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("plain-file")});
}

TEST(DemoPaperRun, ThePaperNamesPatientsAClerkCanFindInTheClinic) {
  const PaperCast& cast = Cast();
  EXPECT_EQ(cast.labPatient.lastName, QStringLiteral("O'Brien"));
  EXPECT_EQ(cast.labPatient.firstName, QStringLiteral("Siobhan"));
  EXPECT_EQ(cast.labPatient.birthDate, QDate(1957, 3, 14));
  EXPECT_EQ(cast.labPatient.healthCard, QStringLiteral("4532019876"));
  // Two patients of one name: only the birth date on the paper tells which.
  EXPECT_EQ(PlainName(cast.lipidPatient), PlainName(cast.consultPatient));
  EXPECT_NE(cast.lipidPatient.birthDate, cast.consultPatient.birthDate);
  EXPECT_EQ(cast.cardiologist.lastName, QStringLiteral("Haddad"));

  SqlConnection clinic(Clinic(), SqlConnection::Mode::ReadOnly);
  const PaperPatient everyone[] = {cast.labPatient,      cast.lipidPatient,     cast.prenatalPatient,
                                   cast.referralPatient, cast.dischargePatient, cast.ultrasoundPatient,
                                   cast.ecgPatient,      cast.consultPatient};
  QSet<QString> charts;
  for (const PaperPatient& p : everyone) {
    charts.insert(p.chart);
    auto row = clinic.Prepare(QStringLiteral("SELECT last_name, first_name, dob, hcn FROM patients WHERE chart = ?"));
    row.Bind(1, p.chart);
    ASSERT_TRUE(row.Step()) << p.chart.toStdString();
    EXPECT_EQ(row.Text(QStringLiteral("last_name")), p.lastName);
    EXPECT_EQ(row.Text(QStringLiteral("first_name")), p.firstName);
    EXPECT_EQ(row.Text(QStringLiteral("dob")), p.birthDate.toString(Qt::ISODate));
    EXPECT_EQ(row.Text(QStringLiteral("hcn")), p.healthCard);
  }
  EXPECT_EQ(charts.size(), 8);
}

TEST(DemoPaperRun, AClinicWithoutPatientsOrNoClinicAtAllIsReported) {
  QTemporaryDir folder;
  PaperCast cast;
  QString error;
  EXPECT_FALSE(LoadPaperCast(folder.filePath(QStringLiteral("missing.sqlite")), cast, error));
  EXPECT_TRUE(error.contains(QStringLiteral("missing.sqlite"))) << error.toStdString();

  const QString empty = folder.filePath(QStringLiteral("empty.sqlite"));
  {
    SqlConnection connection(empty, SqlConnection::Mode::Create);
    CreateClinicSchema(connection);
  }
  error.clear();
  EXPECT_FALSE(LoadPaperCast(empty, cast, error));
  EXPECT_TRUE(error.contains(QStringLiteral("no patients"))) << error.toStdString();
}

TEST(DemoPaperRun, TextRendersWithoutADisplay) {
  // Only words on the sheet: if no font could be found the page would come out blank.
  const BilevelPage page = ScanPage(
      [](Sheet& s) {
        s.SetFont(Face::Serif, 24);
        s.Text(72, 100, QStringLiteral("Siobhan O'Brien"));
      },
      200, {}, 1);
  int black = 0;
  for (const char byte : page.bits) black += std::popcount(static_cast<unsigned char>(byte));
  EXPECT_GT(black, 2000);
  EXPECT_FALSE(page.IsBlack(page.width - 1, page.height - 1));  // white paper stays white
}

}  // namespace
}  // namespace pyxa::papertest
