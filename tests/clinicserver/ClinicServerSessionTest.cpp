// The clinic server's sessions end to end over HTTPS: login and a member's round trip, the
// throttled login, a session the clinic ended, repeated uploads, encounter reservations between
// two users, and what the request log keeps.
#include <QRegularExpression>

#include "ClinicServerFixture.h"
#include "components/ClinicErrors.h"
#include "components/ClinicFaults.h"
#include "components/DemoClinic.h"

namespace pyxa::servertest {
namespace {

QJsonObject Args(std::initializer_list<std::pair<const char*, QJsonValue>> fields) {
  QJsonObject object;
  for (const auto& [key, value] : fields) object.insert(QLatin1String(key), value);
  return object;
}

TEST_F(ClinicServerTest, RepeatedFailedLoginsAreRefusedWithoutCheckingThePassword) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Connect(QStringLiteral("demo"), QStringLiteral("guess%1").arg(i)).ErrorNumber(), kClinicErrorLogin);
  }
  const Reply refused = Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  EXPECT_EQ(refused.status, 429);
  EXPECT_EQ(refused.ErrorNumber(), kClinicErrorThrottled);
  EXPECT_TRUE(refused.ErrorText().contains(QStringLiteral("Please wait 1 seconds")))
      << refused.ErrorText().toStdString();
  EXPECT_FALSE(refused.ErrorText().contains(kWrongLoginOrPassword));
  EXPECT_EQ(Connect(QStringLiteral("clerk"), QStringLiteral("clerk")).status, 200) << "other accounts still log in";

  clock_.AdvanceSeconds(1);
  EXPECT_EQ(Connect(QStringLiteral("demo"), QStringLiteral("demo")).status, 200);
  EXPECT_EQ(Connect(QStringLiteral("demo"), QStringLiteral("wrong")).ErrorNumber(), kClinicErrorLogin)
      << "the success cleared the failures";
}

TEST_F(ClinicServerTest, TokenIsDroppedOnceTheClinicEndsTheSession) {
  ClinicFaults(path_).SetIdleMinutes(1);
  const QString token = Token();
  const QString other = Token(QStringLiteral("resident"));
  ASSERT_EQ(Call(QStringLiteral("GetServerTime"), {}, token).status, 200);
  ASSERT_EQ(server_->Sessions(), 2);

  clock_.AdvanceSeconds(2 * 60);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SCOPED_TRACE(attempt == 0 ? "the clinic's answer" : "the server's own");
    const Reply expired = Call(QStringLiteral("GetServerTime"), {}, token);
    EXPECT_EQ(expired.status, 401);
    EXPECT_EQ(expired.ErrorNumber(), kClinicErrorSession);
    EXPECT_TRUE(expired.ErrorText().contains(kSessionTimedOut)) << expired.ErrorText().toStdString();
    EXPECT_EQ(server_->Sessions(), 1);
  }
  EXPECT_EQ(Call(QStringLiteral("GetServerTime"), {}, Token()).status, 200) << "a new login works";
  EXPECT_EQ(server_->Sessions(), 2) << "the resident's token waits to be used";

  // Tokens nobody uses for half a day go at the next login, so the server's table cannot grow without end.
  clock_.AdvanceSeconds(12 * 60 * 60 + 1);
  Token(QStringLiteral("clerk"));
  EXPECT_EQ(server_->Sessions(), 1);
  EXPECT_EQ(Call(QStringLiteral("GetServerTime"), {}, other).ErrorNumber(), kClinicErrorSession);
}

// Contention itself is among the contract's tests; here, what only a server must see to.
TEST_F(ClinicServerTest, NoSessionCanReleaseAnotherUsersReservation) {
  const QString demo = Token();
  const QString resident = Token(QStringLiteral("resident"));
  const Reply created = Call(QStringLiteral("CreateEncounter"),
                             Args({{"physicianId", kDemoFirstPhysicianId},
                                   {"patientId", kDemoFirstPatientId},
                                   {"encounterDate", QString()}}),
                             demo);
  ASSERT_EQ(created.status, 200) << created.body.toStdString();
  QStringList names;
  ValuesTable values;
  wire::ListFromJson(created.Object(), names, values);
  ASSERT_EQ(RowCount(values), 1);
  const qint64 encounter = FieldText(names, values, 0, QStringLiteral("lID")).toLongLong();
  const QJsonObject lock = Args({{"encounterId", encounter}, {"patientId", 0}, {"noteKind", QStringLiteral("note")}});

  ASSERT_EQ(Call(QStringLiteral("LockEncounter"), lock, demo).status, 200);
  EXPECT_EQ(Call(QStringLiteral("LockEncounter"), lock, resident).status, 409);

  // The release names the session's user, whatever the request says: the resident cannot free it.
  QJsonObject spoofed = lock;
  spoofed.insert(QStringLiteral("userId"), kDemoUserId);
  EXPECT_EQ(Call(QStringLiteral("UnLockEncounter"), spoofed, resident).status, 200);
  EXPECT_EQ(Call(QStringLiteral("LockEncounter"), lock, resident).status, 409);
  EXPECT_EQ(Call(QStringLiteral("UnLockEncounter"), lock, demo).status, 200);
  EXPECT_EQ(Call(QStringLiteral("LockEncounter"), lock, resident).status, 200);
}

TEST_F(ClinicServerTest, LogHasOneLinePerRequestWithoutSecretsOrPatients) {
  const QString password = QStringLiteral("Tr0ub4dor-guess");
  Connect(QStringLiteral("demo"), password);
  const QString token = Token();
  const Reply found = Call(QStringLiteral("FindPatient"),
                           Args({{"firstName", QStringLiteral("Siobhan")}, {"lastName", QStringLiteral("O'Brien")},
                                 {"chart", QString()}, {"areaCode", QString()}, {"phone1", QString()},
                                 {"phone2", QString()}, {"hcn", QString()}, {"dateOfBirth", QString()}}),
                           token);
  ASSERT_EQ(found.status, 200) << found.body.toStdString();
  ASSERT_TRUE(found.body.contains("Siobhan"));
  Send("GET", QStringLiteral("/api/1/FindPatient?lastName=O'Brien"), {}, token);
  StopServer();  // every answer's line is written once the server has stopped

  const QStringList lines = LogLines();
  ASSERT_EQ(lines.size(), 4) << lines.join(u'\n').toStdString();
  const QRegularExpression form(QStringLiteral(
      R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z 127\.0\.0\.1 (\w+) (\d{3}) \d+ms in=\d+ out=\d+ user=(\d+)$)"));
  const struct {
    const char* member;
    const char* status;
    const char* user;
  } expected[] = {{"Connect", "401", "0"}, {"Connect", "200", "101"}, {"FindPatient", "200", "101"},
                  {"FindPatient", "405", "0"}};
  for (int i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i].toStdString());
    const QRegularExpressionMatch match = form.match(lines[i]);
    ASSERT_TRUE(match.hasMatch());
    EXPECT_EQ(match.captured(1), QLatin1String(expected[i].member));
    EXPECT_EQ(match.captured(2), QLatin1String(expected[i].status));
    EXPECT_EQ(match.captured(3), QLatin1String(expected[i].user));
    for (const QString& secret : {password, token, QStringLiteral("Siobhan"), QStringLiteral("Brien")}) {
      EXPECT_FALSE(lines[i].contains(secret)) << secret.toStdString();
    }
  }
}

}  // namespace
}  // namespace pyxa::servertest
