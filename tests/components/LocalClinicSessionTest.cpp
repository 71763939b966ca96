#include "LocalClinicTestFixture.h"
#include "components/ClinicFaults.h"

namespace pyxa::clinictest {
namespace {

using SessionTest = ClinicTest;

TEST_F(SessionTest, AccountsLoadTheirRightsAndOpenASessionRow) {
  auto demo = Login();
  EXPECT_EQ(demo->UserID(), kDemoUserId);
  EXPECT_EQ(demo->OfficeID(), kDemoOfficeId);
  EXPECT_EQ(demo->EnterpriseID(), kDemoEnterpriseId);
  EXPECT_TRUE(demo->CanUploadRpts());
  EXPECT_TRUE(demo->CanReviewRpts());
  EXPECT_EQ(demo->Timeout(), 60);
  EXPECT_EQ(demo->URL(), url_);
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM sessions WHERE user_id = 101")), 1);

  auto clerk = Login(QStringLiteral("clerk"));
  EXPECT_FALSE(clerk->CanUploadRpts());
  EXPECT_TRUE(clerk->CanReviewRpts());
  auto resident = Login(QStringLiteral("resident"));
  EXPECT_TRUE(resident->CanUploadRpts());
  EXPECT_FALSE(resident->CanReviewRpts());

  // The two-argument form uses the endpoint the object was made with.
  LocalClinic byDefault(url_, clock_);
  byDefault.Connect(QStringLiteral("quebec"), QStringLiteral("quebec"));
  EXPECT_EQ(byDefault.UserID(), kDemoQuebecUserId);
  EXPECT_EQ(byDefault.URL(), url_);
}

TEST_F(SessionTest, BadCredentialsGiveTheExactPhraseAndLeaveNoSession) {
  LocalClinic clinic(url_, clock_);
  const QString wrong[][2] = {{QStringLiteral("demo"), QStringLiteral("Demo")},
                              {QStringLiteral("demo"), QString()},
                              {QStringLiteral("nobody"), QStringLiteral("demo")},
                              {QString(), QString()}};
  for (const auto& attempt : wrong) {
    const auto error = Failure([&] { clinic.Connect(attempt[0], attempt[1], url_); });
    EXPECT_EQ(error.Description(), kWrongLoginOrPassword) << attempt[0].toStdString();
  }
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM sessions")), 0);

  // A failed attempt after a good one logs the object out.
  clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"), url_);
  Failure([&] { clinic.Connect(QStringLiteral("demo"), QStringLiteral("x"), url_); });
  EXPECT_TRUE(Failure([&] { clinic.GetServerTime(); }).Description().contains(kSessionTimedOut));
}

TEST_F(SessionTest, UnusableAddressesAreConnectionErrorsInPlainWords) {
  const QString garbage = folder_.filePath(QStringLiteral("garbage.sqlite"));
  QFile file(garbage);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  const QByteArray noise(40000, 'x');
  file.write(noise);
  file.close();
  const QString empty = folder_.filePath(QStringLiteral("empty.sqlite"));
  QFile(empty).open(QIODevice::WriteOnly);

  struct Case {
    QString url;
    QString says;
  };
  const Case cases[] = {
      {ClinicUrlForPath(folder_.filePath(QStringLiteral("missing.sqlite"))), QStringLiteral("does not exist")},
      {ClinicUrlForPath(garbage), QStringLiteral("damaged")},
      {ClinicUrlForPath(empty), QStringLiteral("not a clinic file")},
      {ClinicUrlForPath(folder_.path()), QStringLiteral("not a clinic file")},
      {QStringLiteral("https://clinic.example.org/ws"), QStringLiteral("file: clinics only")},
      {QStringLiteral("ftp://clinic.example.org/clinic.sqlite"), QStringLiteral("not the file: address")},
      {QString(), QStringLiteral("no clinic address")},
  };
  for (const auto& c : cases) {
    LocalClinic clinic(QString(), clock_);
    const auto error = Failure([&] { clinic.Connect(QStringLiteral("demo"), QStringLiteral("demo"), c.url); });
    EXPECT_TRUE(error.Description().startsWith(kUnableToConnect)) << error.Description().toStdString();
    EXPECT_TRUE(error.Description().contains(c.says)) << error.Description().toStdString();
  }
  // Looking at a damaged file does not change it.
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), noise);
}

TEST_F(SessionTest, SessionExpiresWhenIdleLongerThanTheClinicSaysAndUseRefreshesIt) {
  LocalClinic never(url_, clock_);
  EXPECT_TRUE(Failure([&] { never.GetServerTime(); }).Description().contains(kSessionTimedOut));

  auto clinic = Login();
  const qint64 idle = 20 * 60;
  clock_.AdvanceSeconds(idle - 1);
  EXPECT_EQ(clinic->GetServerTime(), clock_.Now());  // still alive, and now refreshed
  clock_.AdvanceSeconds(idle);
  QStringList names;
  ValuesTable values;
  clinic->GetUsersCountry(kDemoUserId, names, values);  // exactly the idle time: still alive
  clock_.AdvanceSeconds(idle + 1);
  const auto error = Failure([&] { clinic->GetUsersCountry(kDemoUserId, names, values); });
  EXPECT_TRUE(error.Description().contains(kSessionTimedOut));
  EXPECT_EQ(error.Number(), kClinicErrorSession);
  // Expired stays expired; a new login opens a new session. Properties still answer without a check.
  EXPECT_TRUE(Failure([&] { clinic->GetServerTime(); }).Description().contains(kSessionTimedOut));
  EXPECT_EQ(clinic->UserID(), kDemoUserId);
  clinic->Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  clinic->GetServerTime();

  // The idle time is the clinic's and read at each call.
  ClinicFaults(path_).SetIdleMinutes(1);
  clock_.AdvanceSeconds(61);
  EXPECT_TRUE(Failure([&] { clinic->GetServerTime(); }).Description().contains(kSessionTimedOut));
}

TEST_F(SessionTest, PasswordsAreKeptAsSaltedIteratedHashes) {
  // RFC 7914's PBKDF2-HMAC-SHA256 vector: the hash is the standard construction.
  EXPECT_EQ(HashPassword(QStringLiteral("passwd"), QByteArrayLiteral("salt"), 1).toHex(),
            QByteArrayLiteral("55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"));
  SqlConnection connection(path_);
  auto users = connection.Prepare(
      QStringLiteral("SELECT login, password_salt, password_hash, hash_iterations FROM users ORDER BY id"));
  QSet<QByteArray> salts;
  while (users.Step()) {
    const QString login = users.Text(QStringLiteral("login"));
    const QByteArray salt = users.Blob(QStringLiteral("password_salt"));
    const QByteArray hash = users.Blob(QStringLiteral("password_hash"));
    EXPECT_FALSE(hash.contains(login.toUtf8()));
    EXPECT_EQ(hash, HashPassword(login, salt, static_cast<int>(users.Int(QStringLiteral("hash_iterations")))));
    salts.insert(salt);
  }
  EXPECT_EQ(salts.size(), 4);
}

TEST_F(SessionTest, FactoryChoosesByAddress) {
  ServiceFactory local(url_, clock_);
  auto clinic = local.Create();
  clinic->Connect(QStringLiteral("demo"), QStringLiteral("demo"));
  EXPECT_EQ(clinic->UserID(), kDemoUserId);

  ServiceFactory remote(QStringLiteral("https://clinic.example.org/ws"), clock_);
  auto unreachable = remote.Create();
  const auto error = Failure([&] { unreachable->Connect(QStringLiteral("demo"), QStringLiteral("demo")); });
  EXPECT_EQ(error.Description(), QStringLiteral("Unable to connect: this build talks to file: clinics only"));
  QStringList names;
  ValuesTable values;
  EXPECT_TRUE(
      Failure([&] { unreachable->GetUsersCountry(1, names, values); }).Description().startsWith(kUnableToConnect));

  ServiceFactory unconfigured(QString(), clock_);
  EXPECT_TRUE(Failure([&] { unconfigured.Create()->Connect(QStringLiteral("demo"), QStringLiteral("demo")); })
                  .Description()
                  .startsWith(kUnableToConnect));
}

}  // namespace
}  // namespace pyxa::clinictest
