#include "ContractFixture.h"
#include "components/ClinicFaults.h"

namespace pyxa::clinictest {
namespace {

using FaultsTest = ContractTest;

TEST_P(FaultsTest, FailNextCallHitsWhicheverObjectCallsNextAndOnlyOnce) {
  auto first = Login();
  auto second = Login(QStringLiteral("clerk"));
  ClinicFaults(path_).FailNextCall(-2147024809, QStringLiteral("Object reference not set to an instance"));
  QStringList names;
  ValuesTable values;
  const auto error = Failure([&] { second->GetVisitTypes(kDemoFirstPhysicianId, names, values); });
  EXPECT_EQ(error.Number(), -2147024809);
  EXPECT_EQ(error.Description(), QStringLiteral("Object reference not set to an instance"));
  first->GetVisitTypes(kDemoFirstPhysicianId, names, values);
  second->GetVisitTypes(kDemoFirstPhysicianId, names, values);
  EXPECT_GE(RowCount(values), 4);

  // Connect is a call like any other.
  ClinicFaults(path_).FailNextCall(7, QStringLiteral("Server was unable to process request."));
  auto fresh = NewService();
  EXPECT_EQ(Failure([&] { fresh->Connect(QStringLiteral("demo"), QStringLiteral("demo")); }).Number(), 7);
  fresh->Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  EXPECT_EQ(fresh->UserID(), kDemoUserId);
}

TEST_P(FaultsTest, TimingOutAndLostConnectionHitEveryCallUntilCleared) {
  auto clinic = Login();
  ClinicFaults faults(path_);
  QStringList names;
  ValuesTable values;
  QString dob;

  faults.SetTimingOut(true);
  for (int i = 0; i < 2; ++i) {
    const auto error =
        Failure([&] { clinic->FindPatient({}, QStringLiteral("Ng"), {}, {}, {}, {}, {}, dob, names, values); });
    EXPECT_TRUE(error.Description().contains(QStringLiteral("request failed")));
    EXPECT_EQ(error.Number(), kClinicErrorTimedOut);
  }
  EXPECT_TRUE(Failure([&] { Login(); }).Description().contains(QStringLiteral("request failed")));
  faults.SetTimingOut(false);

  faults.SetConnectionLost(true);
  EXPECT_TRUE(Failure([&] { clinic->GetServerTime(); }).Description().startsWith(kUnableToConnect));
  EXPECT_TRUE(Failure([&] { Login(); }).Description().startsWith(kUnableToConnect));
  faults.SetConnectionLost(false);

  // Clearing everything brings the session back as it was.
  clinic->GetServerTime();
  faults.SetTimingOut(true);
  faults.SetConnectionLost(true);
  faults.FailNextCall(1, QStringLiteral("x"));
  faults.ClearAll();
  clinic->GetServerTime();
}

TEST_P(FaultsTest, AClinicFileThatDisappearsIsALostConnection) {
  auto clinic = Login();
  ASSERT_TRUE(QFile::remove(path_));
  const auto error = Failure([&] { clinic->GetServerTime(); });
  EXPECT_TRUE(error.Description().startsWith(kUnableToConnect));
  EXPECT_EQ(error.Number(), kClinicErrorConnect);
}

PYXA_ON_BOTH_CLINICS(FaultsTest);

}  // namespace
}  // namespace pyxa::clinictest
