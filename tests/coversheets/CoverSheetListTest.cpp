// The list of cover sheets without a window: reading clinic list files, each patient once, and an
// import that keeps the list as it was when the service fails part way.
#include "coversheets/CoverSheetList.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "shell/FakeService.h"

namespace pyxa {
namespace {

ChosenPatient Patient(const QString& id, const QString& chart = {}) {
  ChosenPatient patient;
  patient.patientId = id;
  patient.fields.lastName = QStringLiteral("Doe");
  patient.fields.chart = chart;
  return patient;
}

QByteArray Utf16(const QString& text) {
  QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
  return encoder.encode(text);
}

TEST(ClinicListFile, ReadsTheChartOfEachLineAndRefusesWhatIsNoList) {
  using Charts = std::vector<ListedChart>;
  const struct {
    const char* what;
    QByteArray bytes;
    Charts charts;
    const char* error;  // part of the message; nullptr: read
  } cases[] = {
      {"charts alone, Windows line ends", "100234\r\n100240\r\n", {{1, "100234"}, {2, "100240"}}, nullptr},
      {"header, quotes, blanks and blank lines", "Chart,Last,First\n\"  100234 \",Smith,Ann\n\n  100240 , Lee\n",
       {{2, "100234"}, {4, "100240"}}, nullptr},
      {"semicolons and tabs", "AB-12;Smith\nAB-13\tLee", {{1, "AB-12"}, {2, "AB-13"}}, nullptr},
      {"a line without its chart is kept to be told", "100234\n,Smith\n", {{1, "100234"}, {2, ""}}, nullptr},
      {"a second line without digits is no header", "100234\nSmith\n", {{1, "100234"}, {2, "Smith"}}, nullptr},
      {"UTF-8 mark", "\xEF\xBB\xBF" "Chart\n100234\n", {{2, "100234"}}, nullptr},
      {"UTF-16 export", Utf16(QStringLiteral("Chart\r\n100234,M\u00fcller\r\n")), {{2, "100234"}}, nullptr},
      {"Latin-1 export", "100234,M\xfcller\n", {{1, "100234"}}, nullptr},
      {"an image", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), {}, "is not a text file"},
      {"empty", "", {}, "lists no chart numbers"},
      {"a header only", "Chart Number\n\n", {}, "lists no chart numbers"},
      {"too large", QByteArray(kClinicListMaxBytes + 1, '1'), {}, "too large"},
      {"too many lines", QByteArray("1\n").repeated(kClinicListMaxCharts + 1), {}, "more than 1000 patients"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ClinicListText read = ReadClinicList(c.bytes, QStringLiteral("today.csv"));
    EXPECT_EQ(read.charts, c.charts);
    if (c.error) {
      EXPECT_TRUE(read.error.contains(QLatin1String(c.error))) << read.error.toStdString();
      EXPECT_TRUE(read.error.contains(QLatin1String("'today.csv'")));
    } else {
      EXPECT_EQ(read.error, QString());
    }
  }
}

TEST(CoverSheetList, HoldsEachPatientOnceInTheChosenOrder) {
  CoverSheetList list;
  EXPECT_TRUE(list.Add(Patient("7")));
  EXPECT_TRUE(list.Add(Patient("8")));
  EXPECT_TRUE(list.Add(Patient("9")));
  EXPECT_FALSE(list.Add(Patient("8")));  // listed already
  EXPECT_FALSE(list.Add(Patient("")));   // a sheet without an identifier would name no one
  EXPECT_FALSE(list.Add(Patient("K8")));
  EXPECT_TRUE(list.Move(2, 0));
  EXPECT_FALSE(list.Move(0, 3));
  list.Remove(1);
  list.Remove(5);
  CoverSheetPages pages = list.Pages(false);
  ASSERT_EQ(pages.PageCount(), 2);
  EXPECT_EQ(list.Patients()[0].patientId, QStringLiteral("9"));
  EXPECT_EQ(list.Patients()[1].patientId, QStringLiteral("8"));
}

TEST(CoverSheetList, AnImportTheServiceFailsPartWayAddsNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("today.txt"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("100234\n100240\n");
  file.close();
  testing::FakeServiceLog log;
  log.patients = ValueRows{{1001, QStringLiteral("Lee"), QStringLiteral("Ann"), QStringLiteral("1970-12-31"),
                            QString(), QStringLiteral("100234")}};
  Session session;
  session.Replace(std::make_unique<testing::FakeService>(log));
  CoverSheetList list;
  list.Add(Patient("7"));
  log.failures = {QString(), QStringLiteral("Server error")};
  EXPECT_THROW(list.Import(path, session, false), ServiceError);
  EXPECT_EQ(list.Count(), 1);

  // The service answers every chart with its one patient: only the chart that is this patient's counts.
  const ListImport import = list.Import(path, session, false);
  EXPECT_EQ(import.added, 1);
  ASSERT_EQ(import.leftOut.size(), 1u);
  EXPECT_EQ(import.leftOut[0].line, 2);
  EXPECT_EQ(list.Count(), 2);

  EXPECT_TRUE(list.Import(dir.filePath(QStringLiteral("gone.txt")), session, false).error.contains(
      QLatin1String("'gone.txt' could not be read")));
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
}  // namespace pyxa
