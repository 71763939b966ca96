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

// Each run in a fresh folder, on the paper's day.
class DemoPaperRun : public ::testing::Test {
 protected:
  bool Make(const QString& paper, int dpi = 200) { return CreateDemoPaper(paper, Cast(), clock, error, {dpi}); }
  QString In(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

  QTemporaryDir folder;
  ManualClock clock{kPaperDay};
  QString error;
};

TEST_F(DemoPaperRun, TheSameClinicAndDayGiveTheSamePaper) {
  clock.AdvanceSeconds(3600);  // later the same day
  ASSERT_TRUE(Make(In("Available Files"), 0)) << error.toStdString();
  EXPECT_EQ(Snapshot(In("Available Files")), Snapshot(Paper()));
}

TEST_F(DemoPaperRun, AnExistingFolderIsLeftAsTheUserLeftIt) {
  const QDir paper(In("Available Files"));
  ASSERT_TRUE(Make(paper.path())) << error.toStdString();
  // The user indexed one file away, renamed another and scanned a new batch.
  ASSERT_TRUE(QFile::remove(paper.filePath(QStringLiteral("Referral_Haddad.tif"))));
  ASSERT_TRUE(QFile::rename(paper.filePath(QStringLiteral("IMG_20261129_142233.jpg")),
                            paper.filePath(QStringLiteral("ecg.jpg"))));
  QFile scan(paper.filePath(QStringLiteral("Batch_20261130_101500.tif")));
  ASSERT_TRUE(scan.open(QIODevice::WriteOnly));
  scan.write("II*\0", 4);
  scan.close();
  const auto before = Snapshot(paper.path());

  clock.AdvanceSeconds(3 * 86400);
  EXPECT_TRUE(Make(paper.path(), 0));
  EXPECT_EQ(Snapshot(paper.path()), before);

  // An empty folder (the program makes its working folders at start-up) is the user's too.
  ASSERT_TRUE(QDir().mkdir(In("Empty")));
  EXPECT_TRUE(Make(In("Empty"), 0));
  EXPECT_TRUE(QDir(In("Empty")).isEmpty());
}

TEST_F(DemoPaperRun, AFolderThatCannotBeMadeIsReportedAndNothingIsLeft) {
  const QString blocker = In("plain-file");
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_FALSE(Make(blocker + QStringLiteral("/Available Files")));
  EXPECT_TRUE(error.contains(blocker)) << error.toStdString();
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("plain-file")});
}

TEST_F(DemoPaperRun, ThePaperNamesPatientsAClerkCanFindInTheClinic) {
  const PaperCast& cast = Cast();
  // Two patients of one name: only the birth date on the paper tells which.
  EXPECT_EQ(PlainName(cast.lipidPatient), PlainName(cast.consultPatient));
  EXPECT_NE(cast.lipidPatient.birthDate, cast.consultPatient.birthDate);

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

TEST_F(DemoPaperRun, AClinicWithoutPatientsOrNoClinicAtAllIsReported) {
  PaperCast cast;
  EXPECT_FALSE(LoadPaperCast(In("missing.sqlite"), cast, error));
  EXPECT_TRUE(error.contains(QStringLiteral("missing.sqlite"))) << error.toStdString();

  const QString empty = In("empty.sqlite");
  {
    SqlConnection connection(empty, SqlConnection::Mode::Create);
    CreateClinicSchema(connection);
  }
  error.clear();
  EXPECT_FALSE(LoadPaperCast(empty, cast, error));
  EXPECT_TRUE(error.contains(QStringLiteral("no patients"))) << error.toStdString();
}

TEST_F(DemoPaperRun, TextRendersWithoutADisplay) {
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
