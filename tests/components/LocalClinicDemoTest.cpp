#include <sys/stat.h>

#include <QDir>

#include "LocalClinicTestFixture.h"

namespace pyxa::clinictest {
namespace {

using DemoTest = ClinicTest;

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(DemoTest, TwoCreationsGiveTheSameFile) {
  const QString again = folder_.filePath(QStringLiteral("sub/again.sqlite"));
  ManualClock clock(kDemoDay);
  QString error;
  ASSERT_TRUE(CreateDemoClinic(again, clock, error, {kTestHashIterations})) << error.toStdString();
  EXPECT_EQ(Contents(again), Contents(DemoTemplate()));
  struct stat status {};
  ASSERT_EQ(::stat(QFile::encodeName(again).constData(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  // Nothing but the clinic is left in its folder.
  EXPECT_EQ(QDir(folder_.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{QStringLiteral("again.sqlite")});
}

TEST_F(DemoTest, DataLooksLikeARealRegister) {
  EXPECT_GE(Count(QStringLiteral("SELECT count(*) AS n FROM patients")), 300);
  EXPECT_GE(Count(QStringLiteral("SELECT count(*) AS n FROM patients WHERE last_name = 'Nguyen'")), 12);
  EXPECT_GE(Count(QStringLiteral("SELECT count(DISTINCT last_name) AS n FROM patients")), 60);
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM patients WHERE hcn IS NOT NULL AND"
                                 " (length(hcn) <> 10 OR hcn GLOB '*[^0-9]*')")),
            0);
  EXPECT_EQ(Count(QStringLiteral("SELECT count(hcn) - count(DISTINCT hcn) AS n FROM patients")), 0);
  EXPECT_EQ(Count(QStringLiteral("SELECT count(chart) - count(DISTINCT chart) AS n FROM patients")), 0);
  EXPECT_GE(Count(QStringLiteral("SELECT count(*) AS n FROM patients WHERE phone_area IS NULL AND phone1 IS NOT NULL")),
            5);
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM physicians")), 6);
  EXPECT_GE(Count(QStringLiteral("SELECT count(DISTINCT patient_id) AS n FROM encounters WHERE signed = 0")), 20);
}

TEST_F(DemoTest, ReCreatingKeepsTheUsersWork) {
  auto clinic = Login();
  QString date;
  QStringList names;
  ValuesTable values;
  clinic->CreateEncounter(kDemoFirstPhysicianId, kDemoFirstPatientId + 2, date, names, values);
  const QByteArray worked = Contents(path_);
  QString error;
  EXPECT_TRUE(CreateDemoClinic(path_, clock_, error, {kTestHashIterations}));
  EXPECT_EQ(Contents(path_), worked);
}

TEST_F(DemoTest, AFolderThatCannotBeMadeIsReported) {
  const QString blocker = folder_.filePath(QStringLiteral("plain-file"));
  QFile(blocker).open(QIODevice::WriteOnly);
  QString error;
  EXPECT_FALSE(CreateDemoClinic(blocker + QStringLiteral("/demo/clinic.sqlite"), clock_, error, {kTestHashIterations}));
  EXPECT_TRUE(error.contains(QStringLiteral("plain-file"))) << error.toStdString();
}

}  // namespace
}  // namespace pyxa::clinictest
