#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTemporaryDir>
#include <algorithm>

#include "common/ScriptedTlsServer.h"
#include "common/TestCa.h"

namespace pyxa::testing_tls {
namespace {

QSslCertificate Load(const QString& path) { return QSslCertificate::fromPath(path).value(0); }

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

// The default configuration trusts the CA while it lives: QSslCertificate::verify takes its CAs from there.
class TrustedCa {
 public:
  explicit TrustedCa(const QSslCertificate& ca) : saved_(QSslConfiguration::defaultConfiguration()) {
    QSslConfiguration trusting = saved_;
    trusting.setCaCertificates({ca});
    QSslConfiguration::setDefaultConfiguration(trusting);
  }
  ~TrustedCa() { QSslConfiguration::setDefaultConfiguration(saved_); }

 private:
  QSslConfiguration saved_;
};

TEST(TlsKitCa, IssuesTheAskedNamesAndPeriodsWithAPrivateKey) {
  QTemporaryDir dir;
  TestCa ca(dir.path());
  const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch(), Qt::UTC);
  struct Case {
    const char* name;
    QDateTime notBefore, notAfter;
    bool validNow;
  };
  const Case cases[] = {
      {"default", {}, {}, true},
      {"asked", now.addDays(-3), now.addDays(3), true},
      {"expired", {}, now.addDays(-2), false},
      {"future", now.addDays(2), {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CertFiles files = ca.Issue(c.name, {"localhost", "127.0.0.1", "::1"}, c.notBefore, c.notAfter);
    const QSslCertificate certificate = Load(files.certPath);
    ASSERT_FALSE(certificate.isNull());
    EXPECT_EQ(certificate.issuerInfo(QSslCertificate::CommonName), QStringList{"Pyxa Test CA"});
    const auto altNames = certificate.subjectAlternativeNames();
    EXPECT_EQ(altNames.values(QSsl::DnsEntry), QStringList{"localhost"});
    EXPECT_EQ(Sorted(altNames.values(QSsl::IpAddressEntry)), QStringList({"127.0.0.1", "::1"}));
    if (c.notBefore.isValid()) {
      EXPECT_EQ(certificate.effectiveDate(), c.notBefore);
    }
    if (c.notAfter.isValid()) {
      EXPECT_EQ(certificate.expiryDate(), c.notAfter);
    }
    EXPECT_LT(certificate.effectiveDate(), certificate.expiryDate());
    EXPECT_EQ(certificate.effectiveDate() <= now && now <= certificate.expiryDate(), c.validNow);

    QFile keyFile(files.keyPath);
    ASSERT_TRUE(keyFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QSslKey(keyFile.readAll(), QSsl::Ec).isNull());
    EXPECT_EQ(QFileInfo(files.keyPath).permissions() &
                  ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
              QFile::Permissions());
  }
  EXPECT_THROW(ca.Issue("backwards", {"localhost"}, now, now.addDays(-1)), std::invalid_argument);
  EXPECT_THROW(ca.Issue("smuggled", {"a.example, IP:10.0.0.1"}), std::invalid_argument);
}

TEST(TlsKitCa, ItsCertificatesVerifyAgainstItAndOthersDoNot) {
  QTemporaryDir dir;
  TestCa ca(dir.path());
  const QSslCertificate issued = Load(ca.Issue("server", {"localhost", "127.0.0.1"}).certPath);
  const QSslCertificate expired =
      Load(ca.Issue("expired", {"localhost"}, {}, QDateTime::currentDateTimeUtc().addDays(-1)).certPath);
  const QSslCertificate selfSigned = Load(ca.SelfSigned("self", {"localhost"}).certPath);
  const TrustedCa trust(Load(ca.CaFile()));
  struct Case {
    const char* label;
    const QSslCertificate& certificate;
    QString host;
    QList<QSslError::SslError> errors;
  };
  const Case cases[] = {
      {"by name", issued, "localhost", {}},
      {"by address", issued, "127.0.0.1", {}},
      {"other host", issued, "pyxa.example", {QSslError::HostNameMismatch}},
      {"expired", expired, "localhost", {QSslError::CertificateExpired}},
      {"self-signed", selfSigned, "localhost", {QSslError::SelfSignedCertificate}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    QList<QSslError::SslError> errors;
    for (const QSslError& error : QSslCertificate::verify({c.certificate}, c.host)) errors.append(error.error());
    EXPECT_EQ(errors, c.errors);
  }
}

struct Fetched {
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  int status = 0;
  qint64 contentLength = -1;
  qint64 received = 0;
  QByteArray body;  // its first 64 KiB
};

// POSTs a body to the port over HTTPS trusting only the CA, and aborts once `enough` bytes of answer arrived.
Fetched Fetch(quint16 port, const QString& caFile, int transferTimeoutMs, qint64 enough = 1 << 30) {
  QNetworkAccessManager manager;
  QNetworkRequest request(QUrl(QStringLiteral("https://127.0.0.1:%1/api/documents").arg(port)));
  QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
  tls.setCaCertificates(QSslCertificate::fromPath(caFile));
  request.setSslConfiguration(tls);
  request.setTransferTimeout(transferTimeoutMs);
  request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
  std::unique_ptr<QNetworkReply> reply(manager.post(request, QByteArray(256 * 1024, ' ')));
  Fetched fetched;
  auto take = [&] {
    if (!reply->isOpen()) return;  // aborted
    const QByteArray chunk = reply->readAll();
    fetched.received += chunk.size();
    fetched.body += chunk.left(64 * 1024 - fetched.body.size());
  };
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
    take();
    if (fetched.received >= enough) reply->abort();
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  if (!reply->isFinished()) loop.exec();
  take();
  fetched.error = reply->error();
  fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  fetched.contentLength = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
  return fetched;
}

TEST(TlsKitServer, PlaysItsScriptToAClientTrustingTheCa) {
  QTemporaryDir dir;
  TestCa ca(dir.path());
  const CertFiles server = ca.Issue("server", {"localhost", "127.0.0.1"});
  const QByteArray html = "<html><body>Internal error</body></html>";
  const QByteArray error500 = "HTTP/1.1 500 Internal Server Error\r\nContent-Type: text/html\r\nContent-Length: " +
                              QByteArray::number(html.size()) + "\r\n\r\n" + html;
  const QByteArray truncated = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"id\":";
  using B = TlsScript::Behaviour;
  using E = QNetworkReply::NetworkError;
  constexpr qint64 kHuge = qint64(200) * 1024 * 1024, kEnough = 4 * 1024 * 1024;
  struct Case {
    const char* label;
    TlsScript script;
    E error;
    int status;
    qint64 contentLength;  // 0 for no header
    qint64 received;       // at least
    QByteArray body;
  };
  const Case cases[] = {
      {"500", {B::Answer, error500}, E::InternalServerError, 500, html.size(), html.size(), html},
      {"truncated", {B::Answer, truncated}, E::RemoteHostClosedError, 200, 100, 6, "{\"id\":"},
      {"silent", {B::AcceptAndNeverAnswer, {}}, E::OperationCanceledError, 0, 0, 0, {}},  // by the transfer timeout
      {"closes", {B::CloseAfterRequest, {}}, E::RemoteHostClosedError, 0, 0, 0, {}},
      {"huge", {B::HugeAnswer, {}, kHuge}, E::OperationCanceledError, 200, kHuge, kEnough, QByteArray(64 * 1024, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedTlsServer scripted(server, c.script);
    const bool silent = c.script.behaviour == B::AcceptAndNeverAnswer;
    const Fetched fetched = Fetch(scripted.Port(), ca.CaFile(), silent ? 1000 : 10000, kEnough);
    EXPECT_EQ(fetched.error, c.error);
    EXPECT_EQ(fetched.status, c.status);
    EXPECT_EQ(fetched.contentLength, c.contentLength);
    EXPECT_GE(fetched.received, c.received);
    EXPECT_EQ(fetched.body, c.body);
    // Qt may send again on a connection closed under it; one silent connection shows the body was read whole.
    EXPECT_TRUE(silent ? scripted.Requests() == 1 : scripted.Requests() >= 1) << scripted.Requests();
  }
}

TEST(TlsKitServer, AnUntrustedCertificateAndAnUnusedPortAreRefused) {
  QTemporaryDir dir;
  TestCa ca(dir.path());
  ScriptedTlsServer selfSigned(ca.SelfSigned("self", {"localhost", "127.0.0.1"}), {});
  EXPECT_EQ(Fetch(selfSigned.Port(), ca.CaFile(), 10000).error, QNetworkReply::SslHandshakeFailedError);
  EXPECT_GE(selfSigned.Connections(), 1);
  EXPECT_EQ(selfSigned.Requests(), 0);
  EXPECT_EQ(Fetch(UnusedPort(), ca.CaFile(), 10000).error, QNetworkReply::ConnectionRefusedError);
}

}  // namespace
}  // namespace pyxa::testing_tls
