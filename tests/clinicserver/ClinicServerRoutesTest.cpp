// What the clinic server answers to requests it cannot carry out: wrong addresses and methods,
// missing sessions, unreadable bodies, oversized ones and certificates it cannot load.
#include <QSslSocket>

#include "ClinicServerFixture.h"
#include "components/ClinicErrors.h"

namespace pyxa::servertest {
namespace {

TEST_F(ClinicServerTest, RefusedRequestsAnswerAnErrorObject) {
  const QString token = Token();
  struct Case {
    const char* name;
    QByteArray verb;
    QString path;
    QByteArray body;
    bool withToken;
    int status;
    qint32 number;
    const char* text;
  };
  const Case cases[] = {
      {"unknown member", "POST", "/api/1/DropAllPatients", "{}", true, 404, kClinicErrorRequest, "no such address"},
      {"outside the api", "GET", "/index.html", {}, false, 404, kClinicErrorRequest, "no such address"},
      {"GET of a member", "GET", "/api/1/GetServerTime", {}, true, 405, kClinicErrorRequest, "POST"},
      {"no token", "POST", "/api/1/GetServerTime", "{}", false, 401, kClinicErrorSession, "session timed out"},
      {"unknown token", "POST", "/api/1/GetCategories", "{}", false, 401, kClinicErrorSession, "session timed out"},
      {"Connect not JSON", "POST", "/api/1/Connect", "{login", false, 400, kClinicErrorRequest,
       "The request could not be read: it is not JSON"},
      {"Connect login not a text", "POST", "/api/1/Connect", R"({"login":7,"password":"x"})", false, 400,
       kClinicErrorRequest, "\"login\" is not a text"},
      {"member not JSON", "POST", "/api/1/GetServerTime", "[1,2]", true, 400, kClinicErrorRequest,
       "it is not a JSON object"},
      {"member argument missing", "POST", "/api/1/GetUsersCountry", "{}", true, 400, kClinicErrorRequest,
       "\"userId\" is missing"},
      {"upload not multipart", "POST", "/api/1/UploadDocument", "{}", true, 400, kClinicErrorRequest,
       "no \"document\" part"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString sent = c.withToken ? token : (QString(c.name) == "unknown token" ? QString(64, u'a') : QString());
    const Reply reply = Send(c.verb, c.path, c.body, sent);
    EXPECT_EQ(reply.status, c.status) << reply.networkError.toStdString();
    EXPECT_EQ(reply.ErrorNumber(), c.number) << reply.body.toStdString();
    EXPECT_TRUE(reply.ErrorText().contains(QLatin1String(c.text))) << reply.ErrorText().toStdString();
  }
  EXPECT_EQ(Send("POST", QStringLiteral("/api/1/GetServerTime"), "{}", token).status, 200)
      << "a refused request leaves the session as it was";
}

// Only the headers are sent: an answer proves the server did not wait for the body.
TEST_F(ClinicServerTest, OversizedArgumentsAreRefusedBeforeTheBodyIsRead) {
  for (const QString& member : {QStringLiteral("FindPatient"), QStringLiteral("Connect")}) {
    SCOPED_TRACE(member.toStdString());
    QSslSocket socket;
    QSslConfiguration tls = socket.sslConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(Tls().ca.CaFile()));
    socket.setSslConfiguration(tls);
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), static_cast<quint16>(server_->Port()),
                                  QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(socket.waitForEncrypted(30000)) << socket.errorString().toStdString();
    socket.write(QStringLiteral("POST /api/1/%1 HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                                "Content-Length: %2\r\n\r\n{")
                     .arg(member)
                     .arg(wire::kMaxCallBytes + 1)
                     .toLatin1());
    QByteArray answer;
    while (!answer.contains("\r\n\r\n{") || !answer.endsWith("}}")) {
      if (!socket.waitForReadyRead(30000)) break;
      answer += socket.readAll();
    }
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 413")) << answer.toStdString();
    EXPECT_TRUE(answer.contains("Connection: close")) << answer.toStdString();
    EXPECT_TRUE(answer.contains(QByteArray::number(kClinicErrorRequest))) << answer.toStdString();
  }
  // The same size within the limit reaches the member.
  QByteArray padded = R"({"padding":")" + QByteArray(wire::kMaxCallBytes - 64, 'x') + R"("})";
  const Reply reply = Send("POST", QStringLiteral("/api/1/GetServerTime"), padded, Token());
  EXPECT_EQ(reply.status, 200) << reply.body.toStdString();
}

TEST_F(ClinicServerTest, StartFailsWithItsReason) {
  struct Case {
    const char* name;
    QString certificate, key;
    int port;
    const char* reason;
  };
  const QString missing = folder_.filePath(QStringLiteral("missing.pem"));
  const Case cases[] = {
      {"missing certificate", missing, Tls().certificate.keyPath, 0, "Cannot read"},
      {"key as certificate", Tls().certificate.keyPath, Tls().certificate.keyPath, 0, "cannot be loaded"},
      {"port in use", Tls().certificate.certPath, Tls().certificate.keyPath, server_->Port(), "Cannot listen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClinicServerOptions options;
    options.clinicPath = path_;
    options.certificatePath = c.certificate;
    options.keyPath = c.key;
    options.host = QStringLiteral("127.0.0.1");
    options.port = c.port;
    ClinicServer other(options, clock_);
    QString error;
    EXPECT_FALSE(other.Start(error));
    EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
  }
  EXPECT_EQ(Send("POST", QStringLiteral("/api/1/GetServerTime"), "{}", Token()).status, 200)
      << "the running server is not disturbed";
}

}  // namespace
}  // namespace pyxa::servertest
