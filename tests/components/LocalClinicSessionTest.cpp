#include "ContractFixture.h"
#include "components/ClinicFaults.h"

namespace pyxa::clinictest {
namespace {

using SessionTest = ClinicTest;
using SharedSessionTest = ContractTest;

TEST_P(SharedSessionTest, AccountsLoadTheirRightsAndOpenASessionRow) {
  auto demo = Login();
  EXPECT_EQ(demo->UserID(), kDemoUserId);
  EXPECT_EQ(demo->OfficeID(), kDemoOfficeId);
  EXPECT_EQ(demo->EnterpriseID(), kDemoEnterpriseId);
  EXPECT_TRUE(demo->CanUploadRpts());
  EXPECT_TRUE(demo->CanReviewRpts());
  EXPECT_EQ(demo->Timeout(), 60);
  EXPECT_EQ(demo->URL(), ServiceUrl());
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM sessions WHERE user_id = 101")), 1);

  auto clerk = Login(QStringLiteral("clerk"));
  EXPECT_FALSE(clerk->CanUploadRpts());
  EXPECT_TRUE(clerk->CanReviewRpts());
  auto resident = Login(QStringLiteral("resident"));
  EXPECT_TRUE(resident->CanUploadRpts());
  EXPECT_FALSE(resident->CanReviewRpts());

  // The two-argument form uses the endpoint the object was made with.
  auto byDefault = NewService();
  byDefault->Connect(QStringLiteral("quebec"), QStringLiteral("quebec"));
  EXPECT_EQ(byDefault->UserID(), kDemoQuebecUserId);
  EXPECT_EQ(byDefault->URL(), ServiceUrl());
}

TEST_P(SharedSessionTest, BadCredentialsGiveTheExactPhraseAndLeaveNoSession) {
  auto clinic = NewService();
  const QString url = ServiceUrl();
  const QString wrong[][2] = {{QStringLiteral("demo"), QStringLiteral("Demo")},
                              {QStringLiteral("demo"), QString()},
                              {QStringLiteral("nobody"), QStringLiteral("demo")},
                              {QString(), QString()}};
  for (const auto& attempt : wrong) {
    const auto error = Failure([&] { clinic->Connect(attempt[0], attempt[1], url); });
    EXPECT_EQ(error.Description(), kWrongLoginOrPassword) << attempt[0].toStdString();
  }
  EXPECT_EQ(Count(QStringLiteral("SELECT count(*) AS n FROM sessions")), 0);

  // A failed attempt after a good one logs the object out.
  clinic->Connect(QStringLiteral("demo"), QStringLiteral("demo"), url);
  Failure([&] { clinic->Connect(QStringLiteral("demo"), QStringLiteral("x"), url); });
  EXPECT_TRUE(Failure([&] { clinic->GetServerTime(); }).Description().contains(kSessionTimedOut));
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
      {QStringLiteral("https://clinic.example.org/ws"), QStringLiteral("file: addresses only")},
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

TEST_P(SharedSessionTest, SessionExpiresWhenIdleLongerThanTheClinicSaysAndUseRefreshesIt) {
  auto never = NewService();
  EXPECT_TRUE(Failure([&] { never->GetServerTime(); }).Description().contains(kSessionTimedOut));

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

  // A network address the user has not accepted as insecure is refused before anything is sent.
  ServiceFactory remote(QStringLiteral("http://127.0.0.1:9/ws"), clock_);
  auto network = remote.Create();
  EXPECT_EQ(dynamic_cast<LocalClinic*>(network.get()), nullptr);
  const auto error = Failure([&] { network->Connect(QStringLiteral("demo"), QStringLiteral("demo")); });
  EXPECT_TRUE(error.Description().startsWith(kUnableToConnect));
  EXPECT_TRUE(error.Description().contains(QStringLiteral("not secure")));
  QStringList names;
  ValuesTable values;
  EXPECT_TRUE(Failure([&] { network->GetUsersCountry(1, names, values); }).Description().contains(kSessionTimedOut));

  ServiceFactory unconfigured(QString(), clock_);
  EXPECT_TRUE(Failure([&] { unconfigured.Create()->Connect(QStringLiteral("demo"), QStringLiteral("demo")); })
                  .Description()
                  .startsWith(kUnableToConnect));
}

PYXA_ON_BOTH_CLINICS(SharedSessionTest);

}  // namespace
}  // namespace pyxa::clinictest
